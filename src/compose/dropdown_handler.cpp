#include "compose/dropdown_handler.h"

#include <algorithm>

#include "classify/decision_record.h"
#include "classify/load_text.h"
#include "classify/resource_ids.h"
#include "host/host_guard.h"

namespace {
constexpr int msoControlButton = 1;
constexpr int msoControlDropdown = 3;
constexpr long msoButtonCaption = 2;
constexpr long msoComboNormal = 0;
constexpr long msoControlOLEUsageNeither = 0;
const char kTag[] = "OrvanClassification";
}  // namespace

CDropdownHandler::CDropdownHandler(AddInContext& context, CMailItem* mailItem, const CommandBarControls& controls,
                                   bool editable, int level)
    : EventSink(IID__CommandBarComboBoxEvents), context_(context), MailItem_(mailItem) {
  if (ObjectTracker* t = context_->Tracker()) t->Add(this, "CDropdownHandler", "");
  Had_ = level;
  BuildControls(controls, editable, level);
  // Whatever happened while building, the creator's reference is the one reference.
  while (RefCount() > 1) Release();
  if (RefCount() == 0) AddRef();
}

CDropdownHandler::~CDropdownHandler() {
  if (ObjectTracker* t = context_->Tracker()) t->Remove(this);
}

bool CDropdownHandler::BuildControls(const CommandBarControls& controls, bool editable, int level) {
  ClassificationSettings* s = context_->Settings();
  if (!s) return false;

  // The caption button is a courtesy: without it the drop-down still works.
  TryHostStep([&] {
    CommandBarButton caption = CommandBarButton::From(controls.Add(msoControlButton, true).get());
    caption.PutStyle(msoButtonCaption);
    caption.PutOLEUsage(msoControlOLEUsageNeither);
    caption.PutCaption(FormatText(IDS_CAPTION, {s->Caption}) + " ");
    caption.PutTooltipText(s->Tooltip);
  });

  return TryHostStep([&] {
    if (!editable) {
      CommandBarButton button = CommandBarButton::From(controls.Add(msoControlButton, true).get());
      if (level > s->LevelCount()) level = s->LevelCount();
      button.PutStyle(msoButtonCaption);
      button.PutOLEUsage(msoControlOLEUsageNeither);
      button.PutCaption(s->LevelName(level));
      button.PutTooltipText(s->Tooltip);
      button.PutTag(kTag);
      return;
    }
    CommandBarComboBox combo = CommandBarComboBox::From(controls.Add(msoControlDropdown, true).get());
    combo.PutStyle(msoComboNormal);
    const std::vector<std::string> entries = s->DropDownEntries();
    const int n = int(entries.size());
    size_t width = 0;
    for (int i = 0; i < n; ++i) {
      width = std::max(width, entries[size_t(i)].size());
      combo.AddItem(entries[size_t(i)], i + 1);
    }
    level = s->Preselected(level, n);
    Entries_ = n;
    combo.PutListIndex(level);
    combo.PutDropDownLines(n);
    combo.PutDropDownWidth(-1);
    combo.PutWidth(long(8 * width));
    ComboBox_ = combo;
    Subscribe(combo.get());
    Level_ = level;
    LevelText_ = combo.Text().ToUtf8();
    if (MailItem_) NoteLevelNotWritten(MailItem_->SetClassificationProperty(Level_, LevelText_.c_str(), false));
    combo.PutTooltipText(s->Tooltip);
    combo.PutTag(kTag);
    combo.PutCaption(kTag);
    combo.PutOLEUsage(msoControlOLEUsageNeither);
  });
}

HRESULT CDropdownHandler::OnEvent(DISPID dispid, DISPPARAMS*) {
  if (dispid != kChange || !ComboBox_) return S_OK;
  // A failed read ends this event quietly; the message keeps its last level.
  TryHostStep([&] {
    const int before = Level_;
    Level_ = ChosenIndex();
    if (Had_ && MailItem_) RecordLevelChange(*context_, MailItem_->item(), before, Level_, "the command bar");
    LevelText_ = ComboBox_.Text().ToUtf8();
    if (MailItem_) NoteLevelNotWritten(MailItem_->SetClassificationProperty(Level_, LevelText_.c_str(), false));
  });
  // The ribbon shows the same choice: it asks again.
  context_->Ribbon().Invalidate();
  return S_OK;
}

void CDropdownHandler::Select(int level) {
  if (!ComboBox_) return;
  TryHostStep([&] {
    ComboBox_.PutListIndex(level);
    if (Had_ && MailItem_) RecordLevelChange(*context_, MailItem_->item(), Level_, level, "the ribbon");
    Level_ = level;
    LevelText_ = ComboBox_.Text().ToUtf8();
    if (MailItem_) NoteLevelNotWritten(MailItem_->SetClassificationProperty(Level_, LevelText_.c_str(), false));
  });
}

int CDropdownHandler::ChosenIndex() const {
  long index = ComboBox_.ListIndex();
  return (index < 0 || index > Entries_) ? 0 : int(index);
}

int CDropdownHandler::GetSelection(std::string* text) {
  text->clear();
  if (Level_ == 0 && ComboBox_) {
    TryHostStep([&] {
      Level_ = ChosenIndex();
      LevelText_ = ComboBox_.Text().ToUtf8();
    });
  }
  *text = LevelText_;
  return Level_;
}
