#include "addin/start_up.h"

#include "compose/item_send_sink.h"
#include "compose/new_window_sink.h"
#include "context/addin_context.h"
#include "explorer/explorer_handler.h"
#include "explorer/new_explorer_sink.h"
#include "host/host_guard.h"
#include "host/host_objects.h"

HRESULT StartUp(AddInContext& context) {
  if (context.Ended() || context.Started()) return S_OK;
  const ::Application app = ::Application::From(context.Application());
  if (!context.Start(app)) return S_OK;

  // Main windows: every one open now, and every one Outlook opens later. Their failures are
  // swallowed: compose windows must still be handled.
  TryHostStep([&] {
    ComPtr<IDispatch> all = app.Explorers();
    ::Explorers explorers;
    if (all && ::Explorers::TryFrom(all.get(), &explorers)) {
      context.KeepSink([&] { return new NewExplorerSink(context, explorers.get()); });
      const long n = explorers.Count();
      for (long i = 1; i <= n; ++i) TryHostStep([&] { FollowExplorer(context, explorers.Item(i).get()); });
    } else if (ComPtr<IDispatch> active = app.ActiveExplorer()) {
      FollowExplorer(context, active.get());  // an Outlook that does not list its main windows
    }
  });

  // Every message that leaves, however it was sent, passes Application.ItemSend.
  TryHostStep([&] { context.KeepSink([&] { return new ItemSendSink(context, context.Application()); }); });

  // Compose windows.
  ComPtr<IDispatch> inspectors = app.Inspectors();
  if (inspectors) context.KeepSink([&] { return new InspectorsSink(context, inspectors.get()); });
  // A ribbon drawn before start-up showed no policy: it asks again now.
  context.Ribbon().Invalidate();
  return S_OK;
}
