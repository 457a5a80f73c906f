// An inline response: a reply or forward written in the main window's reading pane, with
// no window of its own (Outlook 2013 and later). Its level is preselected and written when
// it opens, chosen on the Explorer's ribbon, and marked when it is sent; it ends when
// Outlook closes it (sent, discarded, popped out, or left for another message).
#pragma once

#include <string>
#include "context/addin_context.h"
#include "context/ribbon_windows.h"
#include "classify/mail_item.h"
#include "compose/chosen_level.h"

class CItemHandler;

class CInlineResponse final : public WindowHandler, public LevelSelection, public RibbonWindow {
 public:
  // slot: where its owner keeps it; cleared when the response ends some other way (its
  // own Send). Raises on failure, leaving nothing behind.
  static CInlineResponse* Create(AddInContext& context, IDispatch* explorer, IDispatch* mailItem,
                                 CInlineResponse** slot);
  CInlineResponse(const CInlineResponse&) = delete;
  CInlineResponse& operator=(const CInlineResponse&) = delete;

  void TearDownAndDelete() override { delete this; }
  int GetSelection(std::string* text) override;
  bool Editable() const override { return true; }  // the sender's until it leaves
  int Level() override { return Chosen_.level; }
  void Choose(int level) override;

 private:
  CInlineResponse(AddInContext& context, CInlineResponse** slot);
  ~CInlineResponse();
  void Preselect();

  ContextRef context_;
  LoggedDrops drops_;  // what the response's handler gave up on
  CInlineResponse** Slot_;
  ComPtr<CItemHandler> ItemHandler;
  CMailItemRef MailItem_;
  ChosenLevel Chosen_;
};
