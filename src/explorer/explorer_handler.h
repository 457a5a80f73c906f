// The main window: the Reply, Reply to All and Forward buttons of the Explorer that was
// active at start-up. A click records the highest level of the selected messages, which
// the next compose window takes; the Explorer's own events clear it again.
#pragma once

#include <vector>
#include "addin/event_sink.h"
#include "addin/host_objects.h"

class ReplyButtonSink final : public EventSink {
 public:
  static constexpr DISPID kClick = 1;
  explicit ReplyButtonSink(IDispatch* button);

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;

 private:
  // The sink does not know which button it serves: every click reads the selection.
  static void CarrySelectionLevel();
};

class ExplorerHandler final : public EventSink {
 public:
  static constexpr DISPID kActivate = 0xF001;
  static constexpr DISPID kBeforeFolderSwitch = 0xF003;
  static constexpr DISPID kBeforeViewSwitch = 0xF005;
  static constexpr DISPID kSelectionChange = 0xF007;
  static constexpr DISPID kClose = 0xF008;

  explicit ExplorerHandler(IDispatch* explorer);
  void HookButtons();
  size_t ButtonCount() const { return ButtonSinks.size(); }

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;
  void OnEnded() override;

 private:
  bool ButtonsPending = true;
  std::vector<ReplyButtonSink*> ButtonSinks;  // each entry is its sink's one reference
  Explorer Explorer_;
  EventSink* Watch_ = nullptr;  // today's Outlook: the selection and inline responses
};
