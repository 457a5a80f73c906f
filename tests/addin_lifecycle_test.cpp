#include "com/iids.h"
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

TEST_F(Lifecycle, DispatchAnswersOnlyTheRibbonsCallbacks) {
  ASSERT_EQ(outlook.Load(), S_OK);
  IDispatch* addIn = outlook.addIn();
  UINT count = 77;
  EXPECT_EQ(addIn->GetTypeInfoCount(&count), E_FAIL);
  EXPECT_EQ(count, 77u);
  auto idOf = [&](const char* name, DISPID* id) {
    std::basic_string<OLECHAR> wide = sim::Wide(name);
    LPOLESTR names[1] = {&wide[0]};
    return addIn->GetIDsOfNames(IID_NULL, names, 1, 0, id);
  };
  DISPID id = 0;
  EXPECT_EQ(idOf("Quit", &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  ASSERT_EQ(idOf("OrvanLevelCount", &id), S_OK);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(addIn->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(addIn->Invoke(9999, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(addIn->Invoke(id, IID_IDispatch, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  VariantClear(&result);
}

TEST_F(Lifecycle, RibbonIsOfferedUnlessThePolicyKeepsToTheCommandBar) {
  ASSERT_EQ(outlook.Load(), S_OK);
  void* p = nullptr;
  ASSERT_EQ(outlook.addIn()->QueryInterface(IID_IRibbonExtensibility, &p), S_OK);
  static_cast<IUnknown*>(p)->Release();
  outlook.Unload();
  ClassificationSettings::NextDefaults().Ui = LevelUi::CommandBar;
  ASSERT_EQ(outlook.Load(), S_OK);
  p = reinterpret_cast<void*>(1);
  EXPECT_EQ(outlook.addIn()->QueryInterface(IID_IRibbonExtensibility, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  outlook.Unload();
  ClassificationSettings::NextDefaults().Ui = LevelUi::Both;
  ClassificationSettings::NextDefaults().Disabled = true;  // a disabled add-in shows nothing
  ASSERT_EQ(outlook.Load(), S_OK);
  EXPECT_EQ(outlook.addIn()->QueryInterface(IID_IRibbonExtensibility, &p), E_NOINTERFACE);
}

TEST_F(Lifecycle, NullApplicationIsRefusedAndCreatesNoLog) {
  ASSERT_EQ(outlook.Load(), S_OK);
  EXPECT_EQ(outlook.addIn()->OnConnection(nullptr, ext_cm_Startup, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(CurrentAddIn->Log, nullptr);
  EXPECT_FALSE(CurrentAddIn->Application);
}

TEST_F(Lifecycle, StartupModeWaitsForOutlooksStartupComplete) {
  ASSERT_EQ(outlook.Load(), S_OK);
  ASSERT_EQ(outlook.Connect(ext_cm_Startup), S_OK);
  EXPECT_NE(CurrentAddIn->Log, nullptr);
  EXPECT_EQ(CurrentAddIn->Settings, nullptr);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 0u);
  ASSERT_EQ(outlook.StartupComplete(), S_OK);
  EXPECT_NE(CurrentAddIn->Settings, nullptr);
  EXPECT_NE(CurrentAddIn->Tracker, nullptr);
  EXPECT_TRUE(CurrentAddIn->Namespace);
  EXPECT_TRUE(CurrentAddIn->Session);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 1u);
}

TEST_F(Lifecycle, LoadedAfterStartupRunsStartupItself) {
  ASSERT_EQ(outlook.Load(), S_OK);
  ASSERT_EQ(outlook.Connect(ext_cm_AfterStartup), S_OK);
  EXPECT_NE(CurrentAddIn->Settings, nullptr);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 1u);
}

TEST_F(Lifecycle, WithoutAMainWindowComposeWindowsAreStillWatched) {
  outlook.app()->activeExplorer = nullptr;
  StartOutlook();
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 1u);
}

TEST_F(Lifecycle, FailingMainWindowStepStillWatchesComposeWindows) {
  world.FailMember("ActiveExplorer", RPC_E_DISCONNECTED);
  StartOutlook();
  EXPECT_EQ(world.Calls("ActiveExplorer"), 1);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 1u);
}

TEST_F(Lifecycle, FailingUnguardedStartupStepReturnsItsErrorAndKeepsWhatWasSetUp) {
  ASSERT_EQ(outlook.Load(), S_OK);
  ASSERT_EQ(outlook.Connect(ext_cm_Startup), S_OK);
  world.FailMember("Inspectors", E_FAIL);
  EXPECT_EQ(outlook.StartupComplete(), E_FAIL);
  EXPECT_NE(CurrentAddIn->Settings, nullptr);
  EXPECT_EQ(CurrentAddIn->InspectorsSink, nullptr);
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
  EXPECT_EQ(world.Calls("ActiveExplorer"), 0);
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
  EXPECT_EQ(CurrentAddIn->Settings, nullptr);
  EXPECT_EQ(CurrentAddIn->Tracker, nullptr);
  EXPECT_EQ(CurrentAddIn->Log, nullptr);
  EXPECT_FALSE(CurrentAddIn->Session);
  EXPECT_FALSE(CurrentAddIn->Application);
  EXPECT_EQ(outlook.app()->inspectors->SinkCount(IID_InspectorsEvents), 0u);
}

TEST_F(Lifecycle, HostShutdownModeOnlyReleasesTheApplication) {
  StartOutlook();
  EXPECT_EQ(outlook.Disconnect(ext_dm_HostShutdown), S_OK);
  EXPECT_FALSE(CurrentAddIn->Application);
  EXPECT_NE(CurrentAddIn->Settings, nullptr);  // Outlook calls OnBeginShutdown itself in this mode
  EXPECT_EQ(outlook.BeginShutdown(), S_OK);
}

TEST_F(Lifecycle, CarryLevelKeepsTheHighestUntilCleared) {
  StartOutlook();
  AddIn* a = CurrentAddIn;
  EXPECT_EQ(a->CarryLevel(-1), 0);
  EXPECT_EQ(a->CarryLevel(3), 3);
  EXPECT_EQ(a->CarryLevel(2), 3);
  EXPECT_EQ(a->CarryLevel(-1), 0);
  EXPECT_EQ(a->CarryLevel(2), 2);
  EXPECT_EQ(a->CarryLevel(3), 3);
  EXPECT_EQ(a->CarriedLevel, 3);
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
