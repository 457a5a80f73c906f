#include "com/iids.h"
#include "server/class_factory.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

class ClassFactory : public AddInTest {
 protected:
  ComPtr<IClassFactory> Factory() {
    ComPtr<IClassFactory> f;
    EXPECT_EQ(DllGetClassObject(CLSID_OrvanClassifyAddIn, IID_IClassFactory, f.put_void()), S_OK);
    return f;
  }
};

TEST_F(ClassFactory, OnlyTheAddInClassIsServed) {
  const CLSID other = {0x5B1E7C42, 0x3D9A, 0x4E61, {0xA0, 0xF8, 0x27, 0xC4, 0xD9, 0x13, 0xB6, 0xE6}};
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(other, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(DllGetClassObject(CLSID_OrvanClassifyAddIn, IID_IClassFactory, nullptr), E_POINTER);
  p = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(CLSID_OrvanClassifyAddIn, IID_IDispatch, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
}

TEST_F(ClassFactory, AggregationAndUnknownInterfacesCreateNothing) {
  ComPtr<IClassFactory> f = Factory();
  ULONG before = ObjectCount;
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(outlook.app()->dispatch(), IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(ObjectCount, before);
}

TEST_F(ClassFactory, NewAddInCountsUntilReleased) {
  ComPtr<IClassFactory> f = Factory();
  ULONG before = ObjectCount;
  ComPtr<IUnknown> addIn;
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, addIn.put_void()), S_OK);
  EXPECT_EQ(ObjectCount, before + 1);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  addIn.reset();
  EXPECT_EQ(ObjectCount, before);
}

TEST_F(ClassFactory, LockServerHoldsTheLibrary) {
  ComPtr<IClassFactory> f = Factory();
  ASSERT_EQ(ObjectCount, 0u) << "an earlier test left an object of the library alive";
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  EXPECT_EQ(f->LockServer(TRUE), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  EXPECT_EQ(f->LockServer(FALSE), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, ASinkThatCannotBeUnadvisedKeepsTheLibraryLoaded) {
  StartOutlook();
  // The user unloads the add-in; one source cannot be unadvised and keeps its sink, so COM
  // must not unload the library under it.
  world.FailMember("Unadvise", RPC_E_DISCONNECTED, 1);
  ASSERT_EQ(outlook.Disconnect(ext_dm_UserClosed), S_OK);
  outlook.Unload();
  EXPECT_EQ(world.AdvisedSinks(), 1u);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  // Events still arriving there find an ended sink and do nothing.
  outlook.Select({});
  EXPECT_EQ(outlook.app()->activeExplorer->Button("Reply")->Click(), true);
  outlook.Compose(1, "After the add-in", "Words");
  world.DropAllSinks();  // the source goes at last
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
}

}  // namespace
