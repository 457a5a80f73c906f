#include "addin/add_in.h"

#include <cstdarg>
#include "addin/event_sink.h"
#include "addin/host_guard.h"
#include "addin/host_objects.h"
#include "com/text.h"
#include "compose/item_send_sink.h"
#include "compose/new_window_sink.h"
#include "explorer/explorer_handler.h"

bool LogEnabled() { return CurrentAddIn && CurrentAddIn->Log && CurrentAddIn->Log->Enabled; }

void LogPrint(const char* format, ...) {
  if (!LogEnabled()) return;
  va_list args;
  va_start(args, format);
  CurrentAddIn->Log->VPrint(format, args);
  va_end(args);
}

ObjectTracker* Tracker() { return CurrentAddIn ? CurrentAddIn->Tracker.get() : nullptr; }
ClassificationSettings* Settings() { return CurrentAddIn ? CurrentAddIn->Settings.get() : nullptr; }

namespace {
// Whether the add-in offers the ribbon: asked before the settings exist, so from the policy
// they will be built from.
bool OffersRibbon() {
  const ClassificationSettings* s = Settings();
  const LevelUi ui = s ? s->Ui : ClassificationSettings::NextDefaults().Ui;
  const bool disabled = s ? s->Disabled : ClassificationSettings::NextDefaults().Disabled;
  return ui != LevelUi::CommandBar && !disabled;
}
}  // namespace

HRESULT AddIn::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID__IDTExtensibility2) || IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *ppv = static_cast<_IDTExtensibility2*>(this);
  } else if (IsEqualIID(riid, IID_IRibbonExtensibility) && OffersRibbon()) {
    *ppv = static_cast<IRibbonExtensibility*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT AddIn::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    // Names after the first would be parameter names; the callbacks take none by name.
    const HRESULT one = i == 0 ? GuardHostCall([&] { return ::Ribbon::IdOfName(names[0], &ids[0]); }) : DISP_E_UNKNOWNNAME;
    if (i > 0) ids[i] = DISPID_UNKNOWN;
    if (FAILED(one)) hr = one;
  }
  return hr;
}

HRESULT AddIn::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  return GuardHostCall([&] { return Ribbon.Invoke(id, params, result); });
}

HRESULT AddIn::GetCustomUI(BSTR ribbonId, BSTR* xml) {
  if (!xml) return E_POINTER;
  *xml = nullptr;
  return GuardHostCall([&] {
    Ribbon.SetHostHasRibbon();
    const std::string id = WideToAnsi(ribbonId, ribbonId ? SysStringLen(ribbonId) : 0);
    const std::string text = ::Ribbon::CustomUI(id);
    if (!text.empty()) *xml = Bstr::FromAnsi(text).Detach();
    return S_OK;
  });
}

AddIn::~AddIn() {
  // Sinks that outlive the add-in (windows still open when it was unloaded) reach the
  // context through CurrentAddIn: they must find none rather than a freed object.
  if (CurrentAddIn == this) CurrentAddIn = nullptr;
}

ULONG AddIn::AddRef() { return ++refs_; }

ULONG AddIn::Release() {
  if (refs_ == 0) return 0;
  if (--refs_ != 0) return refs_;
  // Outlook 2010 and later may let a started add-in go at a fast shutdown without calling
  // OnBeginShutdown or OnDisconnection: the shutdown sequence then runs here, in its order.
  GuardHostCall([&] { return ShutDown(); });
  delete this;  // Namespace, Application and whatever else is still held go with the members
  return 0;
}

HRESULT AddIn::OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch*, SAFEARRAY** custom) {
  if (!application) return E_POINTER;
  return GuardHostCall([&] {
    Log = std::make_unique<SessionLog>("Orvan_Classify");
    Application = ComPtr<IDispatch>::Borrow(application);
    // Loaded after Outlook started: Outlook will not call OnStartupComplete itself.
    if (connectMode != ext_cm_Startup) ThrowIfFailed(OnStartupComplete(custom), IID__IDTExtensibility2);
    return S_OK;
  });
}

HRESULT AddIn::OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom) {
  return GuardHostCall([&] {
    // Unloaded by the user: Outlook will not call OnBeginShutdown itself.
    HRESULT hr = removeMode != ext_dm_HostShutdown ? OnBeginShutdown(custom) : S_OK;
    Application.reset();
    ThrowIfFailed(hr, IID__IDTExtensibility2);
    return S_OK;
  });
}

HRESULT AddIn::OnAddInsUpdate(SAFEARRAY**) { return S_OK; }

HRESULT AddIn::OnStartupComplete(SAFEARRAY**) {
  // A failing host call in an unguarded step returns its HRESULT; what was already set
  // up stays, and shutdown takes it down as usual.
  return GuardHostCall([&] { return StartUp(); });
}

HRESULT AddIn::StartUp() {
  ::Application app = ::Application::From(Application.get());
  Namespace = app.GetNamespace("MAPI");

  IMAPISession* session = nullptr;
  if (SUCCEEDED(MAPILogonEx(0, nullptr, nullptr, 0, &session))) Session = ComPtr<IMAPISession>::Adopt(session);

  Settings = std::make_unique<ClassificationSettings>();
  Tracker = std::make_unique<ObjectTracker>(Log.get());
  if (Settings->Disabled) return S_OK;

  // Main window. Its failures are swallowed: compose windows must still be handled.
  TryHostStep([&] {
    ComPtr<IDispatch> explorer = app.ActiveExplorer();
    if (!explorer) return;
    ExplorerHandlerPtr = new ::ExplorerHandler(explorer.get());
    ExplorerHandlerPtr->HookButtons();
  });

  // Every message that leaves, however it was sent, passes Application.ItemSend.
  TryHostStep([&] { ItemSendSink = new ::ItemSendSink(Application.get()); });

  // Compose windows.
  ComPtr<IDispatch> inspectors = app.Inspectors();
  if (inspectors) InspectorsSink = new ::InspectorsSink(inspectors.get());
  // A ribbon drawn before start-up showed no policy: it asks again now.
  Ribbon.Invalidate();
  return S_OK;
}

HRESULT AddIn::OnBeginShutdown(SAFEARRAY**) {
  return GuardHostCall([&] { return ShutDown(); });
}

HRESULT AddIn::ShutDown() {
  if (EventSink* sink = std::exchange(InspectorsSink, nullptr)) sink->Release();
  if (EventSink* sink = std::exchange(ItemSendSink, nullptr)) sink->Release();
  Ribbon.Release();
  // A main-window handler that could not subscribe never hears its window close, so it
  // could never end itself: it ends with the add-in instead.
  if (ExplorerHandlerPtr && !ExplorerHandlerPtr->Subscribed()) std::exchange(ExplorerHandlerPtr, nullptr)->Release();
  Session.reset();
  Stamped.Clear();
  Tracker.reset();  // reports leaked objects while the log still exists
  Log.reset();
  Settings.reset();  // writes the command bar placement to the registry
  return S_OK;
}

int AddIn::CarryLevel(int n) {
  CarriedLevel = n < 0 ? 0 : (n > CarriedLevel ? n : CarriedLevel);
  return CarriedLevel;
}
