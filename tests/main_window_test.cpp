// Reply, Reply to All and Forward from Outlook's main window, end to end.
#include "classify/mail_item.h"
#include "explorer/explorer_handler.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

class MainWindow : public AddInTest {
 protected:
  sim::Explorer* explorer() { return outlook.app()->activeExplorer; }
  sim::MailItem* Received(int level) {
    std::string headers = "Subject: level " + std::to_string(level) + "\r\n";
    if (level) headers += "X-Orvan-classification: " + std::to_string(level) + " - X\r\n";
    std::string error;
    sim::MailItem* m = outlook.Receive(headers + "\r\nbody", &error);
    EXPECT_NE(m, nullptr) << error;
    return m;
  }
  static long DropDownIndex(sim::Inspector* w) {
    if (!w || !w->ClassificationBar()) return -1;
    for (sim::Control* c : w->ClassificationBar()->controls->items)
      if (c->type == 3) return c->listIndex;
    return -1;
  }
  size_t ButtonSinks() {
    size_t n = 0;
    for (const char* caption : {"Reply", "Reply to All", "Forward"})
      if (sim::Control* b = explorer()->Button(caption)) n += b->SinkCount(IID__CommandBarButtonEvents);
    return n;
  }
};

TEST_F(MainWindow, ReplyToAClassifiedMessageStartsAtItsLevelAndSendsIt) {
  StartOutlook();
  EXPECT_EQ(ButtonSinks(), 3u);
  outlook.Select({Received(2)});
  sim::Inspector* reply = outlook.ClickInExplorer("Reply");
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(DropDownIndex(reply), 2);
  EXPECT_EQ(Context().CarriedLevel(), 0);  // taken by the new window
  ASSERT_TRUE(outlook.Send(reply));
  EXPECT_EQ(reply->mail()->message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification")->l, 2);
  EXPECT_EQ(reply->mail()->Subject(), "[CONFIDENTIAL] RE: level 2");
}

TEST_F(MainWindow, ForwardOfSeveralMessagesCarriesTheHighestLevel) {
  StartOutlook();
  outlook.Select({Received(1), Received(3), Received(0)});
  EXPECT_TRUE(explorer()->Button("Forward")->Click());
  EXPECT_EQ(Context().CarriedLevel(), 3);
  EXPECT_EQ(DropDownIndex(outlook.Compose(1, "fw", "x")), 3);
}

TEST_F(MainWindow, ItemsThatAreNoMessagesCarryNothing) {
  StartOutlook();
  outlook.Select({world.Make<sim::OtherItem>(48), world.Make<sim::OtherItem>(45), world.Make<sim::OtherItem>(53)});
  explorer()->Button("Reply to All")->Click();
  EXPECT_EQ(Context().CarriedLevel(), 0);
}

TEST_F(MainWindow, OneFailingItemIsSkipped) {
  StartOutlook();
  outlook.Select({Received(3), Received(2)});
  world.FailMember("GetProps", E_FAIL, 1);  // the first message's level cannot be read
  explorer()->Button("Reply")->Click();
  EXPECT_EQ(Context().CarriedLevel(), 2);
}

TEST_F(MainWindow, SelectionFolderAndViewChangesClearTheCarriedLevel) {
  StartOutlook();
  sim::MailItem* m = Received(3);
  for (int step = 0; step < 3; ++step) {
    outlook.Select({m});
    explorer()->Button("Reply")->Click();
    ASSERT_EQ(Context().CarriedLevel(), 3);
    if (step == 0) outlook.Select({});
    if (step == 1) outlook.SwitchFolder();
    if (step == 2) outlook.SwitchView();
    EXPECT_EQ(Context().CarriedLevel(), 0) << step;
  }
}

TEST_F(MainWindow, WithoutTheStandardBarTheButtonsAreHookedWhenALaterActivationFindsIt) {
  explorer()->bars->Find("Standard")->barName = "Advanced";
  StartOutlook();
  EXPECT_EQ(explorer()->SinkCount(IID_ExplorerEvents), 1u);
  EXPECT_EQ(ButtonSinks(), 0u);
  explorer()->bars->Find("Advanced")->barName = "Standard";
  outlook.ActivateExplorer();
  EXPECT_EQ(ButtonSinks(), 3u);
  outlook.ActivateExplorer();  // once found, never hooked twice
  EXPECT_EQ(ButtonSinks(), 3u);
  EXPECT_TRUE(world.Escapes().empty());
}

TEST_F(MainWindow, OtherCaptionsAndNonButtonsGetNoSinks) {
  explorer()->Button("Reply")->caption = "Antworten";
  sim::Control* combo = world.Make<sim::Control>(3, false);
  combo->caption = "Forward";
  auto& items = explorer()->bars->Find("Standard")->controls->items;
  items.erase(std::find(items.begin(), items.end(), explorer()->Button("Forward")));
  items.push_back(combo);
  StartOutlook();
  EXPECT_EQ(ButtonSinks(), 1u);  // Reply to All only
  EXPECT_EQ(explorer()->Button("Reply to All")->SinkCount(IID__CommandBarButtonEvents), 1u);
}

TEST_F(MainWindow, EveryMainWindowIsWatchedAndClosingOneLeavesTheOthersWorking) {
  StartOutlook();
  sim::Explorer* first = explorer();
  // A second main window, opened after start-up: NewExplorer gives it its own handler.
  sim::Explorer* second = outlook.OpenExplorer();
  EXPECT_EQ(second->SinkCount(IID_ExplorerEvents), 1u);
  EXPECT_EQ(ButtonSinks(), 3u);
  outlook.ActivateExplorer(first);
  outlook.CloseExplorer();
  EXPECT_EQ(first->SinkCount(IID_ExplorerEvents), 0u);
  for (const char* caption : {"Reply", "Reply to All", "Forward"})
    EXPECT_EQ(first->Button(caption)->SinkCount(IID__CommandBarButtonEvents), 0u);
  ASSERT_EQ(explorer(), second);
  outlook.Select({Received(3)});
  sim::Inspector* reply = outlook.ClickInExplorer("Reply");
  EXPECT_EQ(DropDownIndex(reply), 3);
  outlook.Shutdown();
  EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
}

TEST_F(MainWindow, TheLastMainWindowClosingEndsTheAddInOnceNoWindowIsLeft) {
  StartOutlook();
  sim::Inspector* w = outlook.Compose(1, "Still writing", "Words");
  outlook.CloseExplorer();
  // Outlook stays while a window is open, and so does the add-in.
  EXPECT_NE(Context().Settings(), nullptr);
  EXPECT_NE(w->ClassificationBar(), nullptr);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(w->mail()->Subject(), "[UNCLASSIFIED] Still writing");
  // The last window went: nothing of the add-in is left in Outlook.
  EXPECT_EQ(Context().Settings(), nullptr);
  EXPECT_EQ(world.AdvisedSinks(), 0u);
  EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
  EXPECT_EQ(outlook.BeginShutdown(), S_OK);
}

TEST_F(MainWindow, ButtonSinkAnswersBadCallsAsSpecifiedForOutlook) {
  StartOutlook();
  IDispatch* sink = explorer()->Button("Reply")->Events(IID__CommandBarButtonEvents)->Sink(1);
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(sink->Invoke(1, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(sink->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_POINTER);
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  DISPPARAMS one{args, nullptr, 1, 0};
  EXPECT_EQ(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
  outlook.Select({Received(3)});
  args[1].vt = VT_BSTR;  // Ctrl that is no object
  DISPPARAMS two{args, nullptr, 2, 0};
  EXPECT_EQ(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &two, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(Context().CarriedLevel(), 0);
  EXPECT_TRUE(explorer()->Button("Reply")->Click());  // CancelDefault stays false
  EXPECT_EQ(Context().CarriedLevel(), 3);
}

TEST_F(MainWindow, AMainWindowThatOpensAfterStartupIsWatchedFromItsFirstSelection) {
  // Outlook started from a mailto: link: no main window at first.
  outlook.app()->explorers->windows.clear();
  outlook.app()->activeExplorer = nullptr;
  StartOutlook();
  sim::MailItem* secret = Received(3);
  sim::Explorer* e = outlook.OpenExplorer();
  e->selection->items = {secret};  // opened on a selected message, no SelectionChange yet
  outlook.ActivateExplorer(e);
  sim::Inspector* reply = outlook.ClickInExplorer("Reply");
  EXPECT_EQ(DropDownIndex(reply), 3);
}

}  // namespace
