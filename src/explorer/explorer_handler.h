// A main window: the Reply, Reply to All and Forward buttons of its Standard bar, and in
// today's Outlook its selection and inline responses. A click records the highest level of
// the window's selected messages, which the next compose window takes; the window's own
// events clear it again. Every main window has one, from start-up or from NewExplorer, and
// it ends with its window's Close or with the add-in.
#pragma once

#include <vector>
#include "context/addin_context.h"
#include "host/event_sink.h"
#include "host/host_objects.h"

// The level an answer from a main window starts at: the highest of its selected messages,
// stopping at the highest level there is. Each message read can be a round trip to the
// server, so at most kMostSelectedRead are read (at the server cost per call that README's
// table gives, that stays under Outlook's 500 ms limit for a folder switch); a larger
// selection starts at the highest level, the safe side, which the sender can lower, and
// answers no level the add-in read.
struct SelectionLevel {
  static constexpr long kMostSelectedRead = 32;
  int level = 0;    // where the answer starts
  int answers = 0;  // the highest level read (0: none)
};
SelectionLevel ReadSelectionLevel(const AddInContext& context, IDispatch* explorer);

class ReplyButtonSink final : public EventSink {
 public:
  static constexpr DISPID kClick = 1;
  ReplyButtonSink(AddInContext& context, IDispatch* button);

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;

 private:
  // The sink does not know which button it serves: every click reads the selection of the
  // main window active now, the one clicked in.
  void CarrySelectionLevel();

  ContextRef context_;
};

class ExplorerHandler final : public EventSink, public MainWindowHandler {
 public:
  static constexpr DISPID kActivate = 0xF001;
  static constexpr DISPID kBeforeFolderSwitch = 0xF003;
  static constexpr DISPID kBeforeViewSwitch = 0xF005;
  static constexpr DISPID kSelectionChange = 0xF007;
  static constexpr DISPID kClose = 0xF008;

  // Subscribes to the window's events, watches its selection, and hooks its buttons once.
  ExplorerHandler(AddInContext& context, IDispatch* explorer);
  void HookButtons();
  size_t ButtonCount() const { return ButtonSinks.size(); }
  bool Is(IUnknown* identity) const override { return identity && identity == Identity_.get(); }
  void Drop() override { Release(); }

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;
  void OnEnded() override;

 private:
  ContextRef context_;
  LoggedDrops drops_;  // what the window's handlers gave up on
  bool ButtonsPending = true;  // until the Standard bar was found: Activate tries again
  std::vector<ComPtr<ReplyButtonSink>> ButtonSinks;
  Explorer Explorer_;
  ComPtr<IUnknown> Identity_;
  ComPtr<EventSink> Watch_;  // today's Outlook: the selection and inline responses
};

// Follows a main window with a handler of its own, unless one follows it already: present
// at start-up or announced by NewExplorer.
void FollowExplorer(AddInContext& context, IDispatch* explorer);
