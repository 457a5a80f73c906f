#include "explorer/new_explorer_sink.h"

#include "com/iids.h"
#include "explorer/explorer_handler.h"
#include "host/host_guard.h"

NewExplorerSink::NewExplorerSink(AddInContext& context, IUnknown* explorers)
    : EventSink(IID_ExplorersEvents), context_(context) {
  ReportDropsTo(&context_->Drops());
  Subscribe(explorers);
}

HRESULT NewExplorerSink::OnEvent(DISPID dispid, DISPPARAMS* params) {
  if (dispid != kNewExplorer) return DISP_E_MEMBERNOTFOUND;
  VARIANT* arg = EventArg(params, 0);
  if (!arg || arg->vt != VT_DISPATCH || !arg->pdispVal) return S_OK;
  // Outlook opens the window whatever happens here.
  TryHostStep([&] { FollowExplorer(*context_, arg->pdispVal); });
  return S_OK;
}
