#include "compose/window_handler.h"

#include "addin/add_in.h"
#include "addin/host_guard.h"
#include "compose/dropdown_handler.h"
#include "compose/item_handler.h"

namespace {
const char kBarName[] = "Orvan_Classify";
constexpr int msoBarTop = 1;

// The window's classification bar, or an empty wrapper when it has none (the lookup of a
// missing bar fails; that is the normal case, not an error).
CommandBar FindBar(const CommandBars& bars) {
  CommandBar bar;
  TryHostStep([&] { bar = bars.Item(kBarName); });
  return bar;
}

CommandBar FindBar(const Inspector& inspector) {
  CommandBars bars;
  return TryHostStep([&] { bars = inspector.GetCommandBars(); }) ? FindBar(bars) : CommandBar();
}
}  // namespace

CInspectorEventHandler::CInspectorEventHandler() {
  if (ObjectTracker* t = Tracker()) t->Add(this, "CInspectorEventHandler", "");
}

CInspectorEventHandler* CInspectorEventHandler::Create(IDispatch* inspector, IDispatch* mailItem) {
  auto* h = new CInspectorEventHandler();
  try {
    h->Inspector_ = Inspector::From(inspector);
    h->MailItem_ = new CMailItem(mailItem);
    h->ItemHandler = new CItemHandler(h->MailItem_);
    // Only the item's Send or Close ends a wrapper: one whose item events cannot be heard
    // would outlive its window, holding the window and the message.
    if (!h->ItemHandler->Subscribed()) throw HostError(CONNECT_E_CANNOTCONNECT, IID_ItemEvents);
    h->MailItem_->inspectorHandler = h;
  } catch (...) {
    delete h;  // the teardown copes with whatever part was built
    throw;
  }
  return h;
}

CInspectorEventHandler::~CInspectorEventHandler() {
  if (CDropdownHandler* d = std::exchange(Dropdown, nullptr)) d->Release();
  if (MailItem_) MailItem_->dropdown = nullptr;
  // Keep the bar's placement for the next window, then remove the bar. A failure here
  // must not stop the rest: every handler of the window goes, whatever the host says.
  if (Inspector_ && Bar_) {
    CommandBar bar = FindBar(Inspector_);
    if (bar && ComIdentity(bar.get()).get() == Bar_.get()) {
      TryHostStep([&] {
        long row = bar.RowIndex(), position = bar.Position(), top = bar.Top(), left = bar.Left();
        if (ClassificationSettings* s = Settings()) s->SetCommandBarPosition(int(left), int(top), int(position), int(row));
      });
      TryHostStep([&] { bar.Delete(); });
    }
  }
  if (CItemHandler* h = std::exchange(ItemHandler, nullptr)) h->Release();
  if (CMailItem* m = std::exchange(MailItem_, nullptr)) {
    m->inspectorHandler = nullptr;
    m->Release();
  }
  Bar_.reset();
  Inspector_ = Inspector();
  if (ObjectTracker* t = Tracker()) t->Remove(this);
}

void CInspectorEventHandler::BuildCommandBar(bool editable) {
  TryHostStep([&] {
    int level = MailItem_->GetClassification();
    if (level == 0) {
      if (!editable) return;  // a sent message without a level gets no bar
      level = CurrentAddIn ? CurrentAddIn->CarriedLevel : 0;
    }
    if (CurrentAddIn) CurrentAddIn->CarryLevel(-1);

    CommandBars bars = Inspector_.GetCommandBars();
    if (CommandBar old = FindBar(bars)) old.Delete();
    CommandBar bar = bars.Add(kBarName, msoBarTop, false, true);
    Bar_ = ComIdentity(bar.get());
    bar.PutVisible(true);
    int left, top, position, row;
    if (ClassificationSettings* s = Settings(); s && s->GetCommandBarPosition(&left, &top, &position, &row)) {
      bar.PutLeft(left);
      bar.PutTop(top);
      bar.PutPosition(position);
      bar.PutRowIndex(row);
    }
    CommandBarControls controls = bar.Controls();
    if (!controls) return;
    Dropdown = new CDropdownHandler(MailItem_, controls, editable, level);
    MailItem_->dropdown = Dropdown;
  });
}
