#include "addin/add_in.h"

#include "addin/ribbon.h"
#include "addin/start_up.h"
#include "com/bstr.h"
#include "com/iids.h"
#include "com/text.h"
#include "host/host_guard.h"

namespace {
// Whether the add-in offers the ribbon: asked before the settings exist, so from the policy
// they will be built from.
bool OffersRibbon(const AddInContext& context) {
  const ClassificationSettings* s = context.Settings();
  const LevelUi ui = s ? s->Ui : ClassificationSettings::NextDefaults().UI;
  const bool disabled = s ? s->Disabled : ClassificationSettings::NextDefaults().Disabled;
  return ui != LevelUi::CommandBar && !disabled;
}
}  // namespace

AddIn::AddIn() : context_(ContextRef::Adopt(AddInContext::Create())) {}

AddIn::~AddIn() = default;

HRESULT AddIn::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID__IDTExtensibility2) || IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *ppv = static_cast<_IDTExtensibility2*>(this);
  } else if (IsEqualIID(riid, IID_IRibbonExtensibility) && OffersRibbon(*context_)) {
    *ppv = static_cast<IRibbonExtensibility*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT AddIn::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;  // no type information: the callbacks are found by name
  return S_OK;
}

HRESULT AddIn::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT AddIn::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    // Names after the first would be parameter names; the callbacks take none by name.
    const HRESULT one = i == 0 ? GuardHostCall([&] { return RibbonCallbacks::IdOfName(names[0], &ids[0]); }) : DISP_E_UNKNOWNNAME;
    if (i > 0) ids[i] = DISPID_UNKNOWN;
    if (FAILED(one)) hr = one;
  }
  return hr;
}

HRESULT AddIn::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT* argErr) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  ContextRef context = context_;  // a callback may outlive a reconnection's new context
  DropScope drops(&context->Drops());
  return GuardHostCall([&] { return RibbonCallbacks::Invoke(*context, id, params, result, argErr); });
}

HRESULT AddIn::GetCustomUI(BSTR ribbonId, BSTR* xml) {
  if (!xml) return E_POINTER;
  *xml = nullptr;
  return GuardHostCall([&] {
    context_->Ribbon().SetHostHasRibbon();
    const std::string id = WideToUtf8(ribbonId, ribbonId ? SysStringLen(ribbonId) : 0);
    const std::string text = RibbonCallbacks::CustomUI(id);
    if (!text.empty()) *xml = Bstr::FromUtf8(text).Detach();
    return S_OK;
  });
}

ULONG AddIn::AddRef() { return ++refs_; }

ULONG AddIn::Release() {
  if (refs_ == 0) return 0;
  if (--refs_ != 0) return refs_;
  if (!finalReleased_) {
    // Outlook 2010 and later may let a started add-in go at a fast shutdown without calling
    // OnBeginShutdown or OnDisconnection: everything ends here. The object holds itself
    // meanwhile, so that a host call that takes and gives back a reference to it cannot
    // run this again or free it under the shutdown.
    finalReleased_ = true;
    refs_ = 1;
    GuardHostCall([&] {
      context_->End();
      return S_OK;
    });
    if (--refs_ != 0) return refs_;  // a reference the host kept: it frees the object later
  }
  delete this;
  return 0;
}

HRESULT AddIn::OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch*, SAFEARRAY** custom) {
  if (!application) return E_POINTER;
  return GuardHostCall([&] {
    // Connected again after an end: a context of its own, as a new object would have.
    if (context_->Ended()) context_ = ContextRef::Adopt(AddInContext::Create());
    context_->Connect(application);
    // Loaded after Outlook started: Outlook will not call OnStartupComplete itself.
    if (connectMode != ext_cm_Startup) ThrowIfFailed(OnStartupComplete(custom), IID__IDTExtensibility2);
    return S_OK;
  });
}

HRESULT AddIn::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
  // Unloaded by the user (Outlook will not call OnBeginShutdown) or at Outlook's exit: either
  // way nothing of the add-in stays, the application object included.
  DropScope drops(&context_->Drops());
  return GuardHostCall([&] {
    context_->End();
    return S_OK;
  });
}

HRESULT AddIn::OnAddInsUpdate(SAFEARRAY**) { return S_OK; }

HRESULT AddIn::OnStartupComplete(SAFEARRAY**) {
  // A failing host call in an unguarded step returns its HRESULT; what was already set up
  // stays, and the end takes it down as usual.
  ContextRef context = context_;
  DropScope drops(&context->Drops());
  return GuardHostCall([&] { return StartUp(*context); });
}

HRESULT AddIn::OnBeginShutdown(SAFEARRAY**) {
  DropScope drops(&context_->Drops());
  return GuardHostCall([&] {
    context_->End();
    return S_OK;
  });
}
