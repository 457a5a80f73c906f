#include "host/host_guard.h"
#include "host/host_objects.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

class HostLayer : public AddInTest {};

TEST_F(HostLayer, MemberIdsAreAskedForOnceAndThenReused) {
  {
    ::Application app = ::Application::From(outlook.app()->dispatch());
    world.ResetCounts();
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(app.Inspectors());
    EXPECT_LE(world.Calls("GetIDsOfNames"), 1);
    EXPECT_EQ(world.Calls("Inspectors"), 3);
  }
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

TEST_F(HostLayer, FailureThroughExceptionInfoCarriesTheRealCode) {
  world.FailMember("GetNamespace", RPC_E_DISCONNECTED);
  try {
    ::Application::From(outlook.app()->dispatch()).GetNamespace("MAPI");
    FAIL() << "no error raised";
  } catch (const HostError& e) {
    EXPECT_EQ(e.hr(), RPC_E_DISCONNECTED);
    EXPECT_TRUE(IsEqualIID(e.iid(), IID__Application));
    EXPECT_EQ(e.description(), "The operation failed.");
  }
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

TEST_F(HostLayer, MissingInterfaceIsNoFailureForTryFrom) {
  MailItem mail;
  EXPECT_FALSE(MailItem::TryFrom(outlook.app()->dispatch(), &mail));
  EXPECT_FALSE(mail);
  EXPECT_THROW(MailItem::From(outlook.app()->dispatch()), HostError);
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

// Style is 0x6005000A on a button and 0x6005000E on a combo box; 0x6005000A is no member
// of a combo box at all. A number learned on one must never be used on the other.
TEST_F(HostLayer, SameMemberNameOnTwoInterfacesKeepsEachItsOwnDispid) {
  sim::CommandBar* bar = world.Make<sim::CommandBar>("Orvan_Classify", 1, true);
  sim::Control* button = world.Make<sim::Control>(1, true);
  sim::Control* combo = world.Make<sim::Control>(3, true);
  ForgetHostMemberIds();
  {
    CommandBarButton::From(button->dispatch()).PutStyle(2);
    CommandBarComboBox::From(combo->dispatch()).PutStyle(1);
    CommandBarButton::From(button->dispatch()).PutCaption("b");
    CommandBarComboBox::From(combo->dispatch()).PutCaption("c");
    CommandBar::From(bar->dispatch()).PutVisible(true);
  }
  EXPECT_EQ(button->style, 2);
  EXPECT_EQ(combo->style, 1);
  EXPECT_EQ(button->caption, "b");
  EXPECT_EQ(combo->caption, "c");
  EXPECT_TRUE(bar->visible);
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

TEST_F(HostLayer, MemberOfAnotherInterfaceIsRefusedBeforeItReachesTheHost) {
  static HostMember style{IID__CommandBarButton, "Style"};
  sim::Control* combo = world.Make<sim::Control>(3, true);
  HostInterface combobox(ComPtr<IDispatch>::Borrow(combo->dispatch()), IID__CommandBarComboBox);
  world.ResetCounts();
  EXPECT_THROW(combobox.Put(style, Variant::I4(1)), HostError);
  EXPECT_EQ(world.Calls(), 0);
  EXPECT_EQ(combo->style, 0);
}

TEST_F(HostLayer, GuardTurnsEveryExceptionIntoAnHResult) {
  EXPECT_EQ(GuardHostCall([]() -> HRESULT { throw HostError(RPC_E_DISCONNECTED, IID_IDispatch); }),
            RPC_E_DISCONNECTED);
  EXPECT_EQ(GuardHostCall([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  EXPECT_EQ(GuardHostCall([]() -> HRESULT { throw 42; }), E_FAIL);
  EXPECT_EQ(GuardHostCall([] { return S_FALSE; }), S_FALSE);
}

TEST_F(HostLayer, RaiiTypesGiveBackWhatTheyHold) {
  {
    ComPtr<IDispatch> a = ComPtr<IDispatch>::Borrow(outlook.app()->dispatch());
    ComPtr<IDispatch> b = a;
    ComPtr<IDispatch> c = std::move(b);
    EXPECT_EQ(outlook.app()->refs(), 2u);
    Variant v = sim::DispatchVariant(outlook.app()->dispatch());
    EXPECT_EQ(outlook.app()->refs(), 3u);
  }
  EXPECT_EQ(outlook.app()->refs(), 0u);
  Bstr text = Bstr::FromAnsi("Plans \x80 caf\xE9");
  EXPECT_EQ(text.Length(), 12u);
  EXPECT_EQ(text.get()[6], OLECHAR(0x20AC));
  EXPECT_EQ(text.ToAnsi(), "Plans \x80 caf\xE9");
}

}  // namespace
