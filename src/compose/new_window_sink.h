// The one sink of the application's Inspectors collection: every window Outlook opens on
// an item arrives here as NewInspector.
#pragma once

#include "context/addin_context.h"
#include "host/event_sink.h"

// A window on an item: one showing mail, or a meeting or task request (read, or a response
// being written) gets its handler, its bar and its level. Raises HostError.
void HandleWindow(AddInContext& context, IDispatch* inspector);

class InspectorsSink final : public EventSink {
 public:
  static constexpr DISPID kNewInspector = 0xF001;

  // Subscribes to the collection's InspectorsEvents; keeps no reference to it.
  InspectorsSink(AddInContext& context, IUnknown* inspectors);

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;

 private:
  ContextRef context_;
};
