// What the add-in does with input nobody should send it: each case gets a defined answer
// (an HRESULT, a cut text, or the fallback), and nothing is read or written out of bounds
// (the asan build runs these too).
#include "com/iids.h"
#include "classify/mail_item.h"
#include "server/class_factory.h"
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::DropDown;
using testing_support::Header;
using testing_support::Numeric;

namespace {

class BadInput : public AddInTest {
 protected:
  void Start() { StartOutlook(); }
};

TEST_F(BadInput, LevelNameOfAThousandCharactersIsCutInTheHeaderOnly) {
  ClassificationSettings::NextDefaults().Levels = "SHORT;" + std::string(1000, 'L');
  Start();
  sim::Inspector* w = outlook.Compose(1, "x", "body");
  EXPECT_EQ(DropDown(w)->width, 8000);
  DropDown(w)->Choose(2);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(Header(w->mail()), ("2 - " + std::string(1000, 'L')).substr(0, 63));
  EXPECT_EQ(w->mail()->Subject(), "[" + std::string(1000, 'L') + "] x");
  EXPECT_NE(w->mail()->Body().find(std::string(1000, 'L')), std::string::npos);
}

TEST_F(BadInput, OrganisationWordOfTwoHundredCharactersGivesCutPropertyNames) {
  Start();
  Context().Settings()->Organisation = std::string(200, 'O');
  sim::Inspector* w = outlook.Compose(1, "x", "body");
  ASSERT_TRUE(outlook.Send(w));
  const std::string name = ("MAPI-" + std::string(200, 'O')).substr(0, 127);
  ASSERT_NE(w->mail()->message->Find(PS_PUBLIC_STRINGS_ID, name), nullptr);
  EXPECT_EQ(w->mail()->message->Find(PS_PUBLIC_STRINGS_ID, name)->l, 1);
}

TEST_F(BadInput, HugeSubjectAndHtmlBodyAreMarkedWhole) {
  Start();
  std::string subject(1 << 20, 's');
  std::string body = "<html><body>" + std::string(64u << 20, 'b') + "</body></html>";
  sim::Inspector* w = outlook.Compose(2, subject, body);
  sim::MailItem* m = w->mail();
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(m->subject.size(), subject.size() + 15);
  EXPECT_EQ(m->subject.substr(0, 15), sim::Wide("[UNCLASSIFIED] "));
  EXPECT_GT(m->htmlBody.size(), body.size());
  EXPECT_EQ(m->htmlBody.substr(0, 15), sim::Wide("<html><body><b>"));
  EXPECT_EQ(m->htmlBody.substr(m->htmlBody.size() - 14), sim::Wide("</body></html>"));
}

TEST_F(BadInput, EmbeddedNulCharactersStayInTheBody) {
  Start();
  sim::Inspector* w = outlook.Compose(1, "x", "");
  sim::MailItem* m = w->mail();
  m->body = sim::WideText{u'a', 0, u'b'};
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_NE(m->body.find(sim::WideText{u'\n', u'\n', u'a', 0, u'b', u'\n'}), sim::WideText::npos);
}

TEST_F(BadInput, ListIndexNoEntryHasMeansNothingChosen) {
  Start();
  for (long index : {0L, -1L, 10000L}) {
    sim::Inspector* w = outlook.Compose(1, "x", "body");
    DropDown(w)->Choose(index);  // the host reports an index of its own
    EXPECT_EQ(Numeric(w->mail()), 1) << index;
    ASSERT_TRUE(outlook.Send(w)) << index;
    EXPECT_EQ(Numeric(w->mail()), 1) << index;
    EXPECT_EQ(w->mail()->Subject(), "[] x") << index;
  }
}

TEST_F(BadInput, EventsWithoutParametersOrWithWrongArgumentsAreAnswered) {
  Start();
  sim::Inspector* w = outlook.Compose(1, "x", "body");
  sim::MailItem* m = w->mail();
  IDispatch* itemSink = m->Events(IID_ItemEvents)->Sink(m->Events(IID_ItemEvents)->Cookies()[0]);
  IDispatch* comboSink = DropDown(w)->Events(IID__CommandBarComboBoxEvents)->Sink(1);
  IDispatch* explorerSink = outlook.app()->activeExplorer->Events(IID_ExplorerEvents)->Sink(1);
  VARIANT empty, text;
  VariantInit(&empty);
  VariantInit(&text);
  text.vt = VT_BSTR;
  VARIANT wrong[2] = {empty, text};
  DISPPARAMS twoWrong{wrong, nullptr, 2, 0};
  for (DISPID id : {0xF466, 0xF467, 0xF468}) {
    EXPECT_EQ(itemSink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(itemSink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &twoWrong, nullptr, nullptr, nullptr), S_OK);
  }
  EXPECT_EQ(comboSink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
  for (DISPID id : {0xF001, 0xF003, 0xF005, 0xF007, 0x1234})
    EXPECT_EQ(explorerSink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
  // A Send with no Cancel to set still runs; the window's handlers end with it.
  EXPECT_EQ(itemSink->Invoke(0xF005, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(m->SinkCount(IID_ItemEvents), 0u);
  EXPECT_EQ(m->Subject(), "[UNCLASSIFIED] x");
}

TEST_F(BadInput, NullOutPointersGetEPointerEverywhere) {
  Start();
  IUnknown* objects[] = {outlook.addIn(),
                         outlook.app()->inspectors->Events(IID_InspectorsEvents)->Sink(1),
                         outlook.app()->activeExplorer->Events(IID_ExplorerEvents)->Sink(1)};
  for (IUnknown* o : objects) {
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  }
  for (int i = 1; i < 3; ++i) {
    auto* d = static_cast<IDispatch*>(objects[i]);
    EXPECT_EQ(d->GetTypeInfoCount(nullptr), E_POINTER);
    EXPECT_EQ(d->GetTypeInfo(0, 0, nullptr), E_POINTER);
    DISPID id;
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id), E_POINTER);
  }
  EXPECT_EQ(DllGetClassObject(CLSID_OrvanClassifyAddIn, IID_IClassFactory, nullptr), E_POINTER);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(CLSID_OrvanClassifyAddIn, IID_IClassFactory, factory.put_void()), S_OK);
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(outlook.addIn()->OnConnection(nullptr, ext_cm_Startup, nullptr, nullptr), E_POINTER);
}

}  // namespace
