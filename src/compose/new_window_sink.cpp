#include "compose/new_window_sink.h"

#include "host/host_guard.h"
#include "host/host_objects.h"
#include "compose/window_handler.h"

InspectorsSink::InspectorsSink(AddInContext& context, IUnknown* inspectors)
    : EventSink(IID_InspectorsEvents), context_(context) {
  ReportDropsTo(&context_->Drops());
  Subscribe(inspectors);
}

void HandleWindow(AddInContext& context, IDispatch* window) {
  Inspector inspector = Inspector::From(window);
  ComPtr<IDispatch> item = inspector.CurrentItem();
  // A mail message, or a meeting or task request (read, or a response being written): its
  // bar shows the level, and its Reply and Forward carry it. A Class that cannot be read is
  // taken for an item that is neither.
  Item shown;
  if (!item || !Item::TryFrom(item.get(), &shown) || !IsClassifiedClass(shown.Class())) return;
  item.reset();
  CInspectorEventHandler* handler = CInspectorEventHandler::Create(context, inspector.get(), shown.get());
  handler->BuildCommandBar(!shown.Sent());
}

HRESULT InspectorsSink::OnEvent(DISPID dispid, DISPPARAMS* params) {
  if (dispid != kNewInspector) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_POINTER;
  if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
  VARIANT* arg = EventArg(params, 0);
  if (arg->vt != VT_DISPATCH || !arg->pdispVal) return S_OK;
  // A window of any item keeps Outlook running: after the last main window, its Close is
  // what the add-in waits for.
  TryHostStep([&] { context_->WatchWindow(arg->pdispVal); });
  // Whatever goes wrong while looking at the new window stays here: Outlook opens it
  // either way.
  TryHostStep([&] { HandleWindow(*context_, arg->pdispVal); });
  return S_OK;
}
