// The one sink of the application's Inspectors collection: every window Outlook opens on
// an item arrives here as NewInspector.
#pragma once

#include "addin/context.h"
#include "host/event_sink.h"

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
