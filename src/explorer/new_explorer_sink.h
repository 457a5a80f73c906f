// The one sink of the application's Explorers collection: every main window Outlook opens
// after start-up (Outlook started from a link or Send To, a second main window) arrives
// here as NewExplorer, and gets its handler as the ones open at start-up do.
#pragma once

#include "context/addin_context.h"
#include "host/event_sink.h"

class NewExplorerSink final : public EventSink {
 public:
  static constexpr DISPID kNewExplorer = 0xF001;

  // Subscribes to the collection's ExplorersEvents; keeps no reference to it.
  NewExplorerSink(AddInContext& context, IUnknown* explorers);

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;

 private:
  ContextRef context_;
};
