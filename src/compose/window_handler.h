// CInspectorEventHandler: everything the add-in attaches to one compose window (the
// message's CMailItem, its item sink, the "Orvan_Classify" command bar and drop-down).
// Kept alive by its CMailItem and item sink; the item's Send or Close ends it.
#pragma once

#include "addin/host_objects.h"
#include "classify/mail_item.h"

class CDropdownHandler;
class CItemHandler;

class CInspectorEventHandler final : public WindowHandler {
 public:
  // The window's wrapper with its CMailItem and subscribed item sink. Raises on failure,
  // leaving nothing behind.
  static CInspectorEventHandler* Create(IDispatch* inspector, IDispatch* mailItem);
  CInspectorEventHandler(const CInspectorEventHandler&) = delete;
  CInspectorEventHandler& operator=(const CInspectorEventHandler&) = delete;

  void BuildCommandBar(bool editable);
  void TearDownAndDelete() override { delete this; }

 private:
  CInspectorEventHandler();
  ~CInspectorEventHandler();

  CDropdownHandler* Dropdown = nullptr;
  CItemHandler* ItemHandler = nullptr;
  CMailItem* MailItem_ = nullptr;
  Inspector Inspector_;
  // The bar this window built, by COM identity. Where all compose windows share their
  // command bars (Word as the mail editor), "Orvan_Classify" may be another window's bar:
  // the teardown records and deletes only this one.
  ComPtr<IUnknown> Bar_;
};
