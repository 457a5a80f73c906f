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
    h->MailItem_->dropdown = h;
    if (CurrentAddIn) CurrentAddIn->Ribbon.Add(inspector, h);
  } catch (...) {
    delete h;  // the teardown copes with whatever part was built
    throw;
  }
  return h;
}

CInspectorEventHandler::~CInspectorEventHandler() {
  if (CurrentAddIn) CurrentAddIn->Ribbon.Remove(this);
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
    Editable_ = editable;
    Chosen_.level = level;

    ClassificationSettings* s = Settings();
    if (s && s->Ui == LevelUi::Ribbon && CurrentAddIn && CurrentAddIn->Ribbon.HostHasRibbon()) {
      // The ribbon alone: the window's level is preselected and written as the drop-down
      // would preselect and write it.
      if (!editable) return;
      Chosen_.Preselect(level);
      Chosen_.WriteTo(*MailItem_);
      return;
    }

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
  });
}

int CInspectorEventHandler::GetSelection(std::string* text) {
  if (Dropdown) return Dropdown->GetSelection(text);
  // A sent message's window chose nothing; one without a drop-down (the ribbon alone, or a
  // bar that could not be built) keeps the level it was given.
  text->clear();
  if (!Editable_) return 0;
  const ClassificationSettings* s = Settings();
  *text = Chosen_.text.empty() && s ? s->LevelName(Chosen_.level) : Chosen_.text;
  return Chosen_.level;
}

int CInspectorEventHandler::Level() {
  if (!Editable_ || !Dropdown) return Chosen_.level;
  std::string text;
  return Dropdown->GetSelection(&text);
}

void CInspectorEventHandler::Choose(int level) {
  if (!Editable_) return;
  if (Dropdown) return Dropdown->Select(level);
  if (Chosen_.Choose(level)) Chosen_.WriteTo(*MailItem_);
}
