// CInspectorEventHandler: everything the add-in attaches to one compose window (the
// message's CMailItem, its item sink, the "Orvan_Classify" command bar and drop-down).
// Kept alive by its CMailItem and item sink; the item's Send or Close ends it.
#pragma once

#include "context/addin_context.h"
#include "context/ribbon_windows.h"
#include "host/host_objects.h"
#include "classify/mail_item.h"
#include "compose/chosen_level.h"

class CDropdownHandler;
class CItemHandler;

class CInspectorEventHandler final : public WindowHandler, public LevelSelection, public RibbonWindow {
 public:
  // The window's wrapper with its CMailItem and subscribed item sink, registered with the
  // context until it ends. Raises on failure, leaving nothing behind.
  static CInspectorEventHandler* Create(AddInContext& context, IDispatch* inspector, IDispatch* mailItem);
  CInspectorEventHandler(const CInspectorEventHandler&) = delete;
  CInspectorEventHandler& operator=(const CInspectorEventHandler&) = delete;

  // Builds the bar and its drop-down, unless the policy keeps the level to a ribbon that
  // this Outlook has; either way the window's level is preselected and written. A draft
  // marked by a Send that was stopped shows its level, still the sender's to change.
  void BuildCommandBar(bool editable);
  void TearDownAndDelete() override { delete this; }
  void ItemClosed() override;

  // The level chosen in the window, on its bar or its ribbon.
  int GetSelection(std::string* text) override;
  bool Editable() const override { return Editable_; }
  int Level() override;
  void Choose(int level) override;

 private:
  explicit CInspectorEventHandler(AddInContext& context);
  ~CInspectorEventHandler();

  ContextRef context_;
  LoggedDrops drops_;  // what the window's handlers gave up on
  ComPtr<CDropdownHandler> Dropdown;
  ComPtr<CItemHandler> ItemHandler;
  CMailItemRef MailItem_;
  Inspector Inspector_;
  // The bar this window built, by COM identity. Where all compose windows share their
  // command bars (Word as the mail editor), "Orvan_Classify" may be another window's bar:
  // the teardown records and deletes only this one.
  ComPtr<IUnknown> Bar_;
  // The level where no drop-down holds it: the read message's, or the ribbon's choice.
  bool Editable_ = false;
  ChosenLevel Chosen_;
};
