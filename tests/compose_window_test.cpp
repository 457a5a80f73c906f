// A user's compose windows, end to end: from OnConnection to OnDisconnection in the
// simulated Outlook, asserting on what the user and Outlook see.
#include "classify/mail_item.h"
#include "sim/transport.h"
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::DropDown;
using testing_support::Header;
using testing_support::Numeric;

namespace {

class ComposeWindow : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    outbox = appdata.path() / "outbox";
    std::filesystem::create_directories(outbox);
    outlook.outbox = outbox.string();
  }
  void Start() { StartOutlook(); }
  std::vector<std::string> TrackedClasses() const {
    std::vector<std::string> out;
    for (const auto& e : Context().Tracker()->Entries()) out.push_back(e.ClassName);
    return out;
  }
  sim::Inspector* Received(const std::string& eml) {
    std::string error;
    sim::MailItem* m = outlook.Receive(eml, &error);
    EXPECT_NE(m, nullptr) << error;
    return outlook.Open(m);
  }
  // Once its windows are closed and Outlook shuts down, the add-in holds nothing.
  void ExpectAllReferencesBack() {
    outlook.Shutdown();
    EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
  }
  std::filesystem::path outbox;
};

TEST_F(ComposeWindow, NewMessageShowsTheLevelsAndWritesTheFirstAtOnce) {
  Start();
  sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>Hello</body></html>");
  sim::CommandBar* bar = w->ClassificationBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->visible);
  EXPECT_TRUE(bar->temporary);
  EXPECT_EQ(bar->position, 1);
  ASSERT_EQ(bar->controls->items.size(), 2u);
  sim::Control* caption = bar->controls->items[0];
  EXPECT_EQ(caption->type, 1);
  EXPECT_EQ(caption->caption, "Classification: ");
  EXPECT_EQ(caption->style, 2);
  EXPECT_EQ(caption->tooltip, "Classification (Orvan)");
  sim::Control* drop = bar->controls->items[1];
  EXPECT_EQ(drop->entries, (std::vector<std::string>{"UNCLASSIFIED", "CONFIDENTIAL", "SECRET"}));
  EXPECT_EQ(drop->listIndex, 1);
  EXPECT_EQ(drop->width, 96);
  EXPECT_EQ(drop->dropDownLines, 3);
  EXPECT_EQ(drop->dropDownWidth, -1);
  EXPECT_EQ(drop->tag, "OrvanClassification");
  EXPECT_EQ(drop->caption, "OrvanClassification");
  EXPECT_EQ(drop->oleUsage, 0);
  EXPECT_TRUE(drop->temporary);
  EXPECT_EQ(Numeric(w->mail()), 1);
  EXPECT_EQ(Header(w->mail()), "1 - UNCLASSIFIED");
  EXPECT_EQ(w->mail()->message->saves, 0);
}

TEST_F(ComposeWindow, ChosenLevelIsStampedAtSendAndTheWindowLeavesNothingBehind) {
  Start();
  sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>Hello</body></html>");
  sim::MailItem* mail = w->mail();
  DropDown(w)->Choose(2);
  EXPECT_EQ(Numeric(mail), 2);
  EXPECT_EQ(mail->message->saves, 0);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(mail->Subject(), "[CONFIDENTIAL] Plans");
  EXPECT_NE(mail->HTMLBody().find("<body><b>Classification: CONFIDENTIAL</b>  (for more info"), std::string::npos);
  EXPECT_EQ(Numeric(mail), 2);
  EXPECT_EQ(Header(mail), "2 - CONFIDENTIAL");
  EXPECT_EQ(mail->message->saves, 1);
  EXPECT_TRUE(w->ClassificationBar() == nullptr);
  std::string eml = testing_support::ReadFile(outbox / "message-1.eml");
  EXPECT_NE(eml.find("\r\nX-Orvan-classification: 2 - CONFIDENTIAL\r\n"), std::string::npos);
  EXPECT_NE(eml.find("Subject: [CONFIDENTIAL] Plans\r\n"), std::string::npos);
  EXPECT_TRUE(TrackedClasses().empty()) << ::testing::PrintToString(TrackedClasses());
  EXPECT_EQ(world.OutstandingRefs(), 6)
      << "the application, namespace and session the add-in keeps, the main window (held by its handler and by "
         "the watch of its selection), and the message just stamped, until a later Send finds it gone";
  ExpectAllReferencesBack();
}

TEST_F(ComposeWindow, RequiredSelectionRefusesThePromptThenLetsAChoiceThrough) {
  ClassificationSettings::NextDefaults().RequireSelection = true;
  Start();
  sim::Inspector* w = outlook.Compose(1, "Plans", "text");
  sim::Control* drop = DropDown(w);
  EXPECT_EQ(drop->entries.back(), "Select Level");
  EXPECT_EQ(drop->listIndex, 4);
  EXPECT_EQ(Context().Settings()->PromptIndex, 4);
  EXPECT_EQ(Numeric(w->mail()), 4);
  EXPECT_FALSE(outlook.Send(w));
  ASSERT_EQ(world.messageBoxes.size(), 1u);
  EXPECT_EQ(world.messageBoxes[0].text, "Please select Classification level");
  EXPECT_EQ(w->mail()->Body(), "text");
  EXPECT_TRUE(w->open);
  drop->Choose(3);
  EXPECT_TRUE(outlook.Send(w));
  EXPECT_EQ(w->mail()->Subject(), "[SECRET] Plans");
  ExpectAllReferencesBack();
}

TEST_F(ComposeWindow, ReceivedMessageShowsItsLevelReadOnly) {
  Start();
  sim::Inspector* w = Received("Subject: Plans\r\nX-Orvan-classification: 2 - CONFIDENTIAL\r\n\r\nbody");
  sim::CommandBar* bar = w->ClassificationBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->controls->items.size(), 2u);
  sim::Control* level = bar->controls->items[1];
  EXPECT_EQ(level->type, 1);
  EXPECT_EQ(level->caption, "CONFIDENTIAL");
  EXPECT_EQ(level->tag, "OrvanClassification");
  outlook.Close(w);
  ExpectAllReferencesBack();
}

TEST_F(ComposeWindow, OutsideTextCannotSetTheLevelAndIsEscapedInTheLog) {
  SessionLog::SetDefaultEnabled(true);
  Start();
  sim::Inspector* w = Received(
      "Subject: note x-orvan-classification: 1 - UNCLASSIFIED <script>alert(1)</script>\r\n"
      "X-Orvan-classification: 3 - SECRET\r\n\r\nThe budget.");
  ASSERT_NE(w->ClassificationBar(), nullptr);
  EXPECT_EQ(w->ClassificationBar()->controls->items.back()->caption, "SECRET");
  sim::Inspector* reply = outlook.Respond(w, sim::Outlook::kReply);
  ASSERT_NE(DropDown(reply), nullptr);
  EXPECT_EQ(DropDown(reply)->listIndex, 3);
  outlook.Close(reply);
  outlook.Close(w);
  outlook.Shutdown();
  const std::string log = LogText();
  EXPECT_EQ(log.find("<script>"), std::string::npos) << log;
  EXPECT_NE(log.find("New object: CMailItem, note x-orvan-classification: 1 - UNCLASSIFIED "
                     "&lt;script&gt;alert(1)&lt;/script&gt;. Count="),
            std::string::npos)
      << log;
}

TEST_F(ComposeWindow, ReceivedMessageWithoutLevelGetsNoBarAndKeepsTheCarriedLevel) {
  Start();
  Context().CarryLevel(3);
  sim::Inspector* w = Received("Subject: Plain\r\n\r\nbody");
  EXPECT_EQ(w->ClassificationBar(), nullptr);
  EXPECT_EQ(Context().CarriedLevel(), 3);
  EXPECT_EQ((TrackedClasses()), (std::vector<std::string>{"CInspectorEventHandler", "CMailItem", "CItemHandler"}));
  outlook.Close(w);
  EXPECT_TRUE(TrackedClasses().empty());
}

TEST_F(ComposeWindow, NewMessageTakesAndClearsTheCarriedLevel) {
  Start();
  Context().CarryLevel(3);
  sim::Inspector* w = outlook.Compose(1, "x", "y");
  EXPECT_EQ(DropDown(w)->listIndex, 3);
  EXPECT_EQ(Context().CarriedLevel(), 0);
  sim::Inspector* v = outlook.Compose(1, "x", "y");
  EXPECT_EQ(DropDown(v)->listIndex, 1);
}

TEST_F(ComposeWindow, ReplyInTheComposeWindowStartsAtTheAnsweredLevel) {
  Start();
  sim::Inspector* w = Received("Subject: Plans\r\nX-Orvan-classification: 2 - CONFIDENTIAL\r\n\r\nbody");
  sim::Inspector* reply = outlook.Respond(w, sim::Outlook::kReply);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(DropDown(reply)->listIndex, 2);
  EXPECT_EQ(Numeric(reply->mail()), 2);
  EXPECT_EQ(reply->mail()->message->saves, 0);
  sim::Inspector* forward = outlook.Respond(outlook.Compose(1, "unclassified", "x"), sim::Outlook::kForward);
  EXPECT_EQ(DropDown(forward)->listIndex, 1);
}

TEST_F(ComposeWindow, MovedBarIsWhereTheNextBarAppearsAndTheRegistryKeepsIt) {
  Start();
  sim::Inspector* first = outlook.Compose(1, "a", "b");
  EXPECT_EQ(first->ClassificationBar()->rowIndex, 1);
  first->ClassificationBar()->Move(120, 40, 4, 2);
  sim::Inspector* second = outlook.Compose(1, "c", "d");  // built before the first closes
  EXPECT_EQ(second->ClassificationBar()->left, 0);
  outlook.Close(first);
  sim::Inspector* third = outlook.Compose(1, "e", "f");
  sim::CommandBar* bar = third->ClassificationBar();
  EXPECT_EQ((std::vector<long>{bar->left, bar->top, bar->position, bar->rowIndex}), (std::vector<long>{120, 40, 4, 2}));
  bar->Move(7, 8, 1, 3);
  outlook.Close(third);
  outlook.Close(second);  // its bar never moved: the last placement is the second's
  outlook.Shutdown();
  std::string reg = portable_registry::Export();
  EXPECT_NE(reg.find("\"CommandBarLeft\"=dword:00000000\n\"CommandBarPos\"=dword:00000001\n"
                     "\"CommandBarRowIndex\"=dword:00000001\n\"CommandBarTop\"=dword:00000000\n"),
            std::string::npos)
      << reg;
}

TEST_F(ComposeWindow, DeletedBarLeavesThePreviousPlacement) {
  Start();
  sim::Inspector* a = outlook.Compose(1, "a", "b");
  a->ClassificationBar()->Move(5, 6, 1, 2);
  outlook.Close(a);
  sim::Inspector* b = outlook.Compose(1, "c", "d");
  b->ClassificationBar()->deleted = true;  // the user removed it
  outlook.Close(b);
  int l, t, p, r;
  ASSERT_TRUE(Context().Settings()->GetCommandBarPosition(&l, &t, &p, &r));
  EXPECT_EQ((std::vector<int>{l, t, p, r}), (std::vector<int>{5, 6, 1, 2}));
  EXPECT_TRUE(TrackedClasses().empty());
  ExpectAllReferencesBack();
}

TEST_F(ComposeWindow, FailingTeardownStillReleasesEveryHandler) {
  Start();
  sim::Inspector* w = outlook.Compose(1, "a", "b");
  world.FailMember("RowIndex", RPC_E_DISCONNECTED);
  world.FailMember("Delete", E_FAIL);
  outlook.Close(w);
  world.ClearFaults();
  EXPECT_TRUE(TrackedClasses().empty());
  EXPECT_EQ(w->mail()->SinkCount(IID_ItemEvents), 0u);
  ExpectAllReferencesBack();
}

TEST_F(ComposeWindow, WindowsOnOtherItemsAreIgnored) {
  Start();
  sim::Inspector* w = outlook.Open(world.Make<sim::OtherItem>(48));
  EXPECT_EQ(w->ClassificationBar(), nullptr);
  EXPECT_TRUE(TrackedClasses().empty());
  world.FailMember("Class", E_FAIL);
  sim::Inspector* v = outlook.Compose(1, "x", "y");
  EXPECT_EQ(v->ClassificationBar(), nullptr);
  EXPECT_TRUE(TrackedClasses().empty());
  ExpectAllReferencesBack();
}

TEST_F(ComposeWindow, ItemEventsLogAndAnswerAsOutlookExpects) {
  SessionLog::SetDefaultEnabled(true);
  Start();
  sim::Inspector* w = outlook.Compose(1, "x", "y");
  EXPECT_EQ(w->mail()->Fire(IID_ItemEvents, 0xF007, {}), S_OK);
  EXPECT_EQ(w->mail()->Fire(IID_ItemEvents, 0xF46A, {}), S_OK);
  EXPECT_EQ(w->mail()->Fire(IID_ItemEvents, 0xF001, {}), S_OK);
  outlook.Send(w);
  outlook.Shutdown();
  std::string log = LogText();
  EXPECT_NE(log.find("CItemHandler::Invoke 61447<br>CItemHandler::Invoke 62570<br>CItemHandler::Invoke Send<br>"),
            std::string::npos)
      << log;
}

TEST_F(ComposeWindow, WindowsOpenAtShutdownEndWithTheAddInBeforeTheTrackerReports) {
  SessionLog::SetDefaultEnabled(true);
  Start();
  sim::Inspector* w = outlook.Compose(1, "still open", "y");
  w->ClassificationBar()->Move(7, 8, 1, 2);
  outlook.Shutdown();
  // Its handlers ended with the add-in: the bar went, its placement was kept, and nothing
  // was left for the tracker to report.
  EXPECT_EQ(w->ClassificationBar(), nullptr);
  EXPECT_EQ(w->mail()->SinkCount(IID_ItemEvents), 0u);
  std::string log = LogText();
  EXPECT_EQ(log.find("Leaked object"), std::string::npos) << log;
  EXPECT_NE(log.find("Removed object: CInspectorEventHandler"), std::string::npos) << log;
  EXPECT_NE(portable_registry::Export().find("\"CommandBarTop\"=dword:00000008"), std::string::npos);
}

}  // namespace
