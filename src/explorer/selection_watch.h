// The main window of today's Outlook, where Reply, Reply to All and Forward are ribbon
// commands and answers are written inline in the reading pane. The selected messages' own
// Reply, ReplyAll and Forward events carry their level to the new message, in a window or
// inline; an inline response gets its own handler while it is open.
#pragma once

#include <vector>
#include "context/addin_context.h"
#include "host/event_sink.h"
#include "host/host_objects.h"

class CInlineResponse;

// The sink of one selected message's ItemEvents_10, while it is selected. Its Reply, Reply
// to All and Forward answer the main window's selection (today's Outlook forwards every
// message selected): the answer starts at the highest level of the selection, read as the
// classic main window's buttons read it.
class SelectedItemSink final : public EventSink {
 public:
  SelectedItemSink(AddInContext& context, IDispatch* mailItem, const Explorer& explorer);

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;
  void OnEnded() override {
    Item_ = Item();
    Explorer_ = Explorer();
  }

 private:
  ContextRef context_;
  Item Item_;
  Explorer Explorer_;
};

// The Explorer's ExplorerEvents_10: SelectionChange, InlineResponse, InlineResponseClose.
class SelectionWatch final : public EventSink {
 public:
  static constexpr DISPID kSelectionChange = 0xF007;
  static constexpr DISPID kInlineResponse = 0xFC92;
  static constexpr DISPID kInlineResponseClose = 0xFC96;
  // Outlook writes an inline response, and the ribbon's Reply answers, one selected
  // message: the first message among this many selected items is watched, and no other, so
  // that a selection of thousands costs what a selection of one does.
  static constexpr long kMostLooked = 8;

  // Subscribes, and watches what the window has selected already.
  SelectionWatch(AddInContext& context, IDispatch* explorer);

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;
  void OnEnded() override;

 private:
  void WatchSelection();
  void StopWatching();
  void EndInline();

  ContextRef context_;
  Explorer Explorer_;
  std::vector<ComPtr<SelectedItemSink>> Selected_;
  CInlineResponse* Inline_ = nullptr;
};
