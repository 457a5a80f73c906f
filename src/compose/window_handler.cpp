#include "compose/window_handler.h"

#include "compose/dropdown_handler.h"
#include "compose/item_handler.h"
#include "compose/new_window_sink.h"
#include "host/host_guard.h"

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

CInspectorEventHandler::CInspectorEventHandler(AddInContext& context) : context_(context), drops_(context, "Window") {
  if (ObjectTracker* t = context_->Tracker()) t->Add(this, "CInspectorEventHandler", "");
}

CInspectorEventHandler* CInspectorEventHandler::Create(AddInContext& context, IDispatch* inspector,
                                                       IDispatch* mailItem) {
  auto* h = new CInspectorEventHandler(context);
  try {
    h->Inspector_ = Inspector::From(inspector);
    h->MailItem_.reset(new CMailItem(context, mailItem));
    h->ItemHandler = ComPtr<CItemHandler>::Adopt(new CItemHandler(context, h->MailItem_.get()));
    h->ItemHandler->ReportDropsTo(&h->drops_);
    // Only the item's Send or Close ends a wrapper: one whose item events cannot be heard
    // would outlive its window, holding the window and the message.
    if (!h->ItemHandler->Subscribed()) throw HostError(CONNECT_E_CANNOTCONNECT, IID_ItemEvents);
    h->MailItem_->inspectorHandler = h;
    h->MailItem_->dropdown = h;
    context.AddWindow(h);
    context.Ribbon().Add(inspector, h);
  } catch (...) {
    delete h;  // the teardown copes with whatever part was built
    throw;
  }
  return h;
}

CInspectorEventHandler::~CInspectorEventHandler() {
  context_->Ribbon().Remove(this);
  Dropdown.reset();
  if (MailItem_) MailItem_->dropdown = nullptr;
  // Keep the bar's placement for the next window, then remove the bar. A failure here
  // must not stop the rest: every handler of the window goes, whatever the host says.
  if (Inspector_ && Bar_) {
    CommandBar bar = FindBar(Inspector_);
    if (bar && ComIdentity(bar.get()).get() == Bar_.get()) {
      TryHostStep([&] {
        long row = bar.RowIndex(), position = bar.Position(), top = bar.Top(), left = bar.Left();
        if (ClassificationSettings* s = context_->Settings())
          s->SetCommandBarPosition(int(left), int(top), int(position), int(row));
      });
      TryHostStep([&] { bar.Delete(); });
    }
  }
  ItemHandler.reset();
  if (CMailItemRef m = std::move(MailItem_)) m->inspectorHandler = nullptr;
  Bar_.reset();
  Inspector_ = Inspector();
  if (ObjectTracker* t = context_->Tracker()) t->Remove(this);
  context_->RemoveWindow(this);  // last: with the last window after the main windows, the add-in ends
}

void CInspectorEventHandler::ItemClosed() {
  // Outlook shows the other item in the window by the time the old one closes.
  ComPtr<IDispatch> window;
  TryHostStep([&] {
    ComPtr<IDispatch> now = Inspector_.CurrentItem();
    if (now && ComIdentity(now.get()).get() != ComIdentity(MailItem_->item().get()).get())
      window = ComPtr<IDispatch>::Borrow(Inspector_.get());
  });
  ContextRef context = context_;  // this handler's own count goes with it
  delete this;
  if (window && !context->Ended()) TryHostStep([&] { HandleWindow(*context, window.get()); });
}

void CInspectorEventHandler::BuildCommandBar(bool editable) {
  TryHostStep([&] {
    int level = MailItem_->GetClassification();
    if (level == 0) {
      if (!editable) return;  // a sent message without a level gets no bar
      // The level the main window's buttons carried, where the add-in read it, is the level
      // this message answers.
      level = context_->CarriedLevel();
      if (level) MailItem_->SetAnsweredLevel(context_->CarriedAnswers());
    }
    context_->CarryLevel(-1);
    Editable_ = editable;
    Chosen_.level = Chosen_.had = level;

    ClassificationSettings* s = context_->Settings();
    if (s && s->Ui == LevelUi::Ribbon && context_->Ribbon().HostHasRibbon()) {
      // The ribbon alone: the window's level is preselected and written as the drop-down
      // would preselect and write it.
      if (!editable) return;
      Chosen_.Preselect(s, level);
      Chosen_.WriteTo(*MailItem_);
      return;
    }

    CommandBars bars = Inspector_.GetCommandBars();
    if (CommandBar old = FindBar(bars)) old.Delete();
    CommandBar bar = bars.Add(kBarName, msoBarTop, false, true);
    Bar_ = ComIdentity(bar.get());
    bar.PutVisible(true);
    int left, top, position, row;
    if (s && s->GetCommandBarPosition(&left, &top, &position, &row)) {
      bar.PutLeft(left);
      bar.PutTop(top);
      bar.PutPosition(position);
      bar.PutRowIndex(row);
    }
    CommandBarControls controls = bar.Controls();
    if (!controls) return;
    Dropdown = ComPtr<CDropdownHandler>::Adopt(new CDropdownHandler(*context_, MailItem_.get(), controls, editable, level));
    Dropdown->ReportDropsTo(&drops_);
  });
}

int CInspectorEventHandler::GetSelection(std::string* text) {
  if (Dropdown) return Dropdown->GetSelection(text);
  // A sent message's window chose nothing; one without a drop-down (the ribbon alone, or a
  // bar that could not be built) keeps the level it was given.
  text->clear();
  if (!Editable_) return 0;
  const ClassificationSettings* s = context_->Settings();
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
  if (Chosen_.Choose(*context_, *MailItem_, level, "the ribbon")) Chosen_.WriteTo(*MailItem_);
}
