// The classification controls on one compose window's command bar: a caption button and
// a drop-down of the levels for a message being written, or a read-only button with the
// level of a message already sent. The handler is the drop-down's event sink.
#pragma once

#include <string>
#include "context/addin_context.h"
#include "host/event_sink.h"
#include "host/host_objects.h"
#include "classify/mail_item.h"

class CDropdownHandler final : public EventSink, public LevelSelection {
 public:
  static constexpr DISPID kChange = 1;

  // Builds the controls; afterwards the creator holds the handler's one reference.
  CDropdownHandler(AddInContext& context, CMailItem* mailItem, const CommandBarControls& controls, bool editable,
                   int level);

  bool BuildControls(const CommandBarControls& controls, bool editable, int level);
  int GetSelection(std::string* text) override;
  // A choice made on the ribbon: shown in the drop-down and written, as the user's own.
  void Select(int level);

 protected:
  ~CDropdownHandler() override;
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;

 private:
  // The host's ListIndex, with a value no entry has read as "nothing chosen" (0).
  int ChosenIndex() const;

  ContextRef context_;
  CMailItem* MailItem_;
  CommandBarComboBox ComboBox_;
  int Level_ = 0;
  int Had_ = 0;  // the level the message came with (its own, or carried); 0: none
  int Entries_ = 0;  // entries in the drop-down; a ListIndex outside 0..Entries_ is no choice
  std::string LevelText_;
};
