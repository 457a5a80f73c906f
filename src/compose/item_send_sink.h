// Application.ItemSend: every mail item on its way out passes here, after its own Send
// event, however it was sent: a compose window, an inline response in the reading pane, a
// popped-out draft, another program's Send(), a meeting response sent at once. Each one is
// brought to the one Send decision here: after its window's own Send, within the same Send,
// or alone.
#pragma once

#include "context/addin_context.h"
#include "host/event_sink.h"

class ItemSendSink final : public EventSink {
 public:
  static constexpr DISPID kItemSend = 0xF002;

  // Subscribes to the application's ApplicationEvents_11.
  ItemSendSink(AddInContext& context, IUnknown* application);

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;

 private:
  ContextRef context_;
};
