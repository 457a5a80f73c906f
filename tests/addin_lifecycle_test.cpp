#include "com/iids.h"
#include "sim/ribbon.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

class Lifecycle : public AddInTest {};

TEST_F(Lifecycle, QueryInterfaceGrantsOnlyTheAddInInterfaces) {
  ASSERT_EQ(outlook.Load(), S_OK);
  IUnknown* addIn = outlook.addIn();
  for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID__IDTExtensibility2}) {
    void* p = nullptr;
    EXPECT_EQ(addIn->QueryInterface(*iid, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(outlook.addIn()));
    static_cast<IUnknown*>(p)->Release();
  }
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(addIn->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(addIn->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(Lifecycle, DispatchAnswersTheRibbonsCallbacksAsTheInvokeContractSays) {
  StartOutlook();
  IDispatch* addIn = outlook.addIn();
  UINT count = 77;
  EXPECT_EQ(addIn->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);  // no type information: callbacks are found by name
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(addIn->GetTypeInfo(0, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
  auto idOf = [&](const char* name, DISPID* id) {
    std::basic_string<OLECHAR> wide = sim::Wide(name);
    LPOLESTR names[1] = {&wide[0]};
    return addIn->GetIDsOfNames(IID_NULL, names, 1, 0, id);
  };
  DISPID id = 0;
  EXPECT_EQ(idOf("Quit", &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  DISPID count_ = 0, label = 0;
  ASSERT_EQ(idOf("OrvanLevelCount", &count_), S_OK);
  ASSERT_EQ(idOf("OrvanLevelLabel", &label), S_OK);
  sim::Inspector* w = outlook.Compose(1, "Plans", "x");
  sim::RibbonControl* control = world.Make<sim::RibbonControl>("OrvanLevel", "OrvanClassification", w);
  VARIANT args[3];
  for (VARIANT& v : args) VariantInit(&v);
  VARIANT result;
  VariantInit(&result);
  UINT bad = 99;
  auto call = [&](DISPID which, UINT n, DISPID* named = nullptr, UINT nNamed = 0) {
    DISPPARAMS params{n ? args : nullptr, named, n, nNamed};
    VariantClear(&result);
    bad = 99;
    return addIn->Invoke(which, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, &bad);
  };
  EXPECT_EQ(call(count_, 0), DISP_E_BADPARAMCOUNT);  // the control is missing
  // Arguments go last first: for OrvanLevelLabel(control, index), rgvarg[1] is the control.
  args[1] = sim::BorrowedVariant(control->dispatch());
  args[0].vt = VT_BSTR;  // an index that is no number
  args[0].bstrVal = nullptr;
  EXPECT_EQ(call(label, 2), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, 0u);
  args[0].vt = VT_I4;
  args[0].lVal = 2;
  EXPECT_EQ(call(label, 2), S_OK);
  EXPECT_EQ(sim::VariantText(result), "SECRET");
  args[0] = sim::BorrowedVariant(control->dispatch());
  args[1].vt = VT_I4;  // the control where the index belongs
  EXPECT_EQ(call(label, 2), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, 1u);
  DISPID named = 0;
  EXPECT_EQ(call(count_, 1, &named, 1), DISP_E_NONAMEDARGS);
  EXPECT_EQ(call(count_, 1), S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 3);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(addIn->Invoke(count_, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(addIn->Invoke(9999, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(addIn->Invoke(count_, IID_IDispatch, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  VariantClear(&result);
}

TEST_F(Lifecycle, TheLastReleaseRunsTheShutdownOnceEvenWhenTheHostTakesTheObjectDuringIt) {
  StartOutlook();
  // A host that, while the add-in lets go of its sinks, takes a reference to the add-in
  // object and gives it back (as a COM add-ins list refreshing itself might).
  IUnknown* addIn = outlook.addIn();
  int reentries = 0;
  world.OnCall("Unadvise", [&] {
    ++reentries;
    addIn->AddRef();
    addIn->Release();
  });
  outlook.Compose(1, "Open at exit", "x");
  outlook.FastShutdown();
  world.OnCall("Unadvise", nullptr);
  EXPECT_GT(reentries, 0);
  EXPECT_EQ(world.AdvisedSinks(), 0u);
  EXPECT_EQ(ObjectCount, 0u);
  EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
}

TEST_F(Lifecycle, RibbonIsOfferedUnlessThePolicyKeepsToTheCommandBar) {
  ASSERT_EQ(outlook.Load(), S_OK);
  void* p = nullptr;
  ASSERT_EQ(outlook.addIn()->QueryInterface(IID_IRibbonExtensibility, &p), S_OK);
  static_cast<IUnknown*>(p)->Release();
  outlook.Unload();
  ClassificationSettings::NextDefaults().UI = LevelUi::CommandBar;
  ASSERT_EQ(outlook.Load(), S_OK);
  p = reinterpret_cast<void*>(1);
  EXPECT_EQ(outlook.addIn()->QueryInterface(IID_IRibbonExtensibility, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  outlook.Unload();
  ClassificationSettings::NextDefaults().UI = LevelUi::Both;
  ClassificationSettings::NextDefaults().Disabled = true;  // a disabled add-in shows nothing
  ASSERT_EQ(outlook.Load(), S_OK);
  EXPECT_EQ(outlook.addIn()->QueryInterface(IID_IRibbonExtensibility, &p), E_NOINTERFACE);
}

TEST_F(Lifecycle, NullApplicationIsRefusedAndCreatesNoLog) {
  ASSERT_EQ(outlook.Load(), S_OK);
  EXPECT_EQ(outlook.addIn()->OnConnection(nullptr, ext_cm_Startup, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(Context().LogFile(), nullptr);
  EXPECT_FALSE(Context().Application());
}

TEST_F(Lifecycle, StartupModeWaitsForOutlooksStartupComplete) {
  ASSERT_EQ(outlook.Load(), S_OK);
  ASSERT_EQ(outlook.Connect(ext_cm_Startup), S_OK);
  EXPECT_NE(Context().LogFile(), nullptr);
  EXPECT_EQ(Context().Settings(), nullptr);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 0u);
  ASSERT_EQ(outlook.StartupComplete(), S_OK);
  EXPECT_NE(Context().Settings(), nullptr);
  EXPECT_NE(Context().Tracker(), nullptr);
  EXPECT_TRUE(Context().Namespace());
  EXPECT_TRUE(Context().Session());
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 1u);
}

TEST_F(Lifecycle, LoadedAfterStartupRunsStartupItself) {
  ASSERT_EQ(outlook.Load(), S_OK);
  ASSERT_EQ(outlook.Connect(ext_cm_AfterStartup), S_OK);
  EXPECT_NE(Context().Settings(), nullptr);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 1u);
}

TEST_F(Lifecycle, WithoutAMainWindowComposeWindowsAreStillWatched) {
  // Outlook started from a mailto: link has no main window at first.
  outlook.app()->explorers->windows.clear();
  outlook.app()->activeExplorer = nullptr;
  StartOutlook();
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 1u);
}

TEST_F(Lifecycle, FailingMainWindowStepStillWatchesComposeWindows) {
  world.FailMember("Explorers", RPC_E_DISCONNECTED);
  StartOutlook();
  EXPECT_EQ(world.Calls("Explorers"), 1);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 1u);
}

TEST_F(Lifecycle, FailingUnguardedStartupStepReturnsItsErrorAndKeepsWhatWasSetUp) {
  ASSERT_EQ(outlook.Load(), S_OK);
  ASSERT_EQ(outlook.Connect(ext_cm_Startup), S_OK);
  world.FailMember("Inspectors", E_FAIL);
  EXPECT_EQ(outlook.StartupComplete(), E_FAIL);
  EXPECT_NE(Context().Settings(), nullptr);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 0u);
  world.ClearFaults();
  outlook.Shutdown();
  EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
}

TEST_F(Lifecycle, NamespaceFailureOnLateLoadComesBackFromOnConnection) {
  ASSERT_EQ(outlook.Load(), S_OK);
  world.FailMember("GetNamespace", RPC_E_DISCONNECTED);
  EXPECT_EQ(outlook.Connect(ext_cm_AfterStartup), RPC_E_DISCONNECTED);
}

TEST_F(Lifecycle, DisabledPolicyInstallsNoWindowHandling) {
  ClassificationSettings::NextDefaults().Disabled = true;
  StartOutlook();
  EXPECT_EQ(world.Calls("Explorers") + world.Calls("ActiveExplorer"), 0);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 0u);
}

TEST_F(Lifecycle, HostShutdownGivesBackEveryReference) {
  StartOutlook();
  EXPECT_GT(world.OutstandingRefs(), 0);
  outlook.Shutdown();
  EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 0u);
}

TEST_F(Lifecycle, UserRemovalRunsTheWholeShutdown) {
  StartOutlook();
  EXPECT_EQ(outlook.Disconnect(ext_dm_UserClosed), S_OK);
  EXPECT_EQ(Context().Settings(), nullptr);
  EXPECT_EQ(Context().Tracker(), nullptr);
  EXPECT_EQ(Context().LogFile(), nullptr);
  EXPECT_FALSE(Context().Session());
  EXPECT_FALSE(Context().Application());
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 0u);
}

TEST_F(Lifecycle, DisconnectionInHostShutdownModeAlsoEndsEverything) {
  StartOutlook();
  outlook.Compose(1, "Open at exit", "Words");
  // Outlook calls OnBeginShutdown first in this mode; one that does not must not leave the
  // add-in's sinks and bars behind.
  EXPECT_EQ(outlook.Disconnect(ext_dm_HostShutdown), S_OK);
  EXPECT_FALSE(Context().Application());
  EXPECT_EQ(Context().Settings(), nullptr);
  EXPECT_EQ(world.AdvisedSinks(), 0u);
  EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
  EXPECT_EQ(outlook.BeginShutdown(), S_OK);  // once ended, a later call finds nothing to do
}

TEST_F(Lifecycle, CarryLevelKeepsTheHighestUntilCleared) {
  StartOutlook();
  AddInContext& a = Context();
  EXPECT_EQ(a.CarryLevel(-1), 0);
  EXPECT_EQ(a.CarryLevel(3), 3);
  EXPECT_EQ(a.CarryLevel(2), 3);
  EXPECT_EQ(a.CarryLevel(-1), 0);
  EXPECT_EQ(a.CarryLevel(2), 2);
  EXPECT_EQ(a.CarryLevel(3), 3);
  EXPECT_EQ(a.CarriedLevel(), 3);
}

TEST_F(Lifecycle, ShutdownWritesNoPlacementAsAllOnes) {
  StartOutlook();
  outlook.Shutdown();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvan_Classify", 0, KEY_READ, &key), ERROR_SUCCESS);
  for (const char* name : {"CommandBarLeft", "CommandBarTop", "CommandBarPos", "CommandBarRowIndex"}) {
    DWORD type = 0, value = 0, size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS)
        << name;
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(value, 0xFFFFFFFFu) << name;
  }
  RegCloseKey(key);
}

TEST_F(Lifecycle, NewInspectorWithBadArgumentsGetsDefinedAnswers) {
  StartOutlook();
  IDispatch* sink = outlook.app()->inspectors->Events(IID_InspectorsEvents)->Sink(1);
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(sink->Invoke(0xF001, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(sink->Invoke(0xF002, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(sink->Invoke(0xF001, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_POINTER);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(sink->Invoke(0xF001, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  DISPPARAMS one{&text, nullptr, 1, 0};
  EXPECT_EQ(sink->Invoke(0xF001, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr), S_OK);
  // An object that is no Inspector is not a window the add-in can use.
  VARIANT app;
  VariantInit(&app);
  app.vt = VT_DISPATCH;
  app.pdispVal = outlook.app()->dispatch();
  DISPPARAMS notInspector{&app, nullptr, 1, 0};
  EXPECT_EQ(sink->Invoke(0xF001, IID_NULL, 0, DISPATCH_METHOD, &notInspector, nullptr, nullptr, nullptr), S_OK);
}

}  // namespace
