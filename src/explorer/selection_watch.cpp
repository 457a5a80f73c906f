#include "explorer/selection_watch.h"

#include <algorithm>
#include "classify/mail_item.h"
#include "explorer/explorer_handler.h"
#include "compose/inline_response.h"
#include "compose/item_handler.h"
#include "host/host_guard.h"

// ---- SelectedItemSink

SelectedItemSink::SelectedItemSink(AddInContext& context, IDispatch* mailItem, const Explorer& explorer)
    : EventSink(IID_ItemEvents_10), context_(context), Explorer_(explorer) {
  Item_ = Item::From(mailItem);
  Subscribe(mailItem);
}

HRESULT SelectedItemSink::OnEvent(DISPID dispid, DISPPARAMS* params) {
  const bool answer = dispid == CItemHandler::kReply || dispid == CItemHandler::kReplyAll || dispid == CItemHandler::kForward;
  if (!answer && dispid != CItemHandler::kCustomAction) return S_OK;
  // Outlook's own reply goes on whatever happens here.
  TryHostStep([&] {
    CMailItemRef answered(new CMailItem(*context_, Item_.get()));
    int level = answered->GetClassification(), answers = level;
    // A meeting's response answers the request alone.
    if (answer && Explorer_) {
      const SelectionLevel selected = ReadSelectionLevel(*context_, Explorer_.get());
      level = std::max(level, selected.level);
      answers = std::max(answers, selected.answers);
    }
    CarryLevelToResponse(*context_, ResponseOf(params), level, answers);
  });
  return S_OK;
}

// ---- SelectionWatch

SelectionWatch::SelectionWatch(AddInContext& context, IDispatch* explorer)
    : EventSink(IID_ExplorerEvents_10), context_(context) {
  Explorer_ = Explorer::From(explorer);
  Subscribe(explorer);
  // A window opened, or an add-in connected, with messages selected already: their answers
  // carry their level as those of a later selection do.
  if (Subscribed()) TryHostStep([&] { WatchSelection(); });
}

HRESULT SelectionWatch::OnEvent(DISPID dispid, DISPPARAMS* params) {
  switch (dispid) {
    case kSelectionChange:
      TryHostStep([&] { WatchSelection(); });
      break;
    case kInlineResponse: {
      VARIANT* item = EventArg(params, 0);
      if (!item || item->vt != VT_DISPATCH || !item->pdispVal) break;
      EndInline();  // Outlook closes one before it opens another; never keep two
      TryHostStep([&] {
        MailItem mail;
        if (MailItem::TryFrom(item->pdispVal, &mail) && mail.Class() == olMail)
          Inline_ = CInlineResponse::Create(*context_, Explorer_.get(), mail.get(), &Inline_);
      });
      // One it does not handle (a meeting request forwarded) is read when Office asks: now.
      if (!Inline_) context_->Ribbon().Invalidate();
      break;
    }
    case kInlineResponseClose:
      EndInline();
      break;
    default:
      break;
  }
  return S_OK;
}

void SelectionWatch::WatchSelection() {
  StopWatching();
  ComPtr<IDispatch> selected = Explorer_.Selection();
  if (!selected) return;
  Selection selection = Selection::From(selected.get());
  const long count = selection.Count();
  bool found = false;
  for (long i = 1; i <= count && i <= kMostLooked && !found; ++i) {
    TryHostStep([&] {
      ComPtr<IDispatch> item = selection.Item(short(i));
      // A meeting request's Reply and Forward carry its level as a message's do.
      Item answered;
      if (!item || !Item::TryFrom(item.get(), &answered) || !IsClassifiedClass(answered.Class())) return;
      found = true;
      Selected_.reserve(Selected_.size() + 1);
      auto sink = ComPtr<SelectedItemSink>::Adopt(new SelectedItemSink(*context_, answered.get(), Explorer_));
      sink->ReportDropsTo(DropLog());
      if (sink->Subscribed()) Selected_.push_back(std::move(sink));
    });
  }
}

void SelectionWatch::StopWatching() {
  ReleaseAll(Selected_);
}

void SelectionWatch::EndInline() {
  if (CInlineResponse* inlineResponse = std::exchange(Inline_, nullptr))
    TryHostStep([&] { inlineResponse->TearDownAndDelete(); });
}

void SelectionWatch::OnEnded() {
  StopWatching();
  EndInline();
  Explorer_ = Explorer();
}
