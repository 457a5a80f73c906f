// Application.ItemSend: every mail item on its way out passes here, after its own Send
// event, however it was sent: a compose window, an inline response in the reading pane, a
// popped-out draft, another program's Send(). One that no compose window stamped is stamped
// here, exactly as a compose window's Send stamps it.
#pragma once

#include "addin/context.h"
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
