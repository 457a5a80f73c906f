// What real Outlook does around a window's life that a laxer host never showed: a Send
// stopped after the add-in stamped it, a read window moving to the next message, one item
// in two windows, command bars shared by every compose window, a source that cannot be
// unadvised, and the fast shutdown of Outlook 2010 and later.
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::Count;
using testing_support::DropDown;
using testing_support::Header;
using testing_support::Numeric;

namespace {

const char kMark[] = "<b>Classification: CONFIDENTIAL</b>";

class HostBehaviour : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    StartOutlook();
  }
  std::vector<std::string> TrackedClasses() const {
    std::vector<std::string> out;
    for (const auto& e : Context().Tracker()->Entries()) out.push_back(e.ClassName);
    return out;
  }
  sim::MailItem* Received(int level) {
    std::string error;
    sim::MailItem* m = outlook.Receive("Subject: Budget\r\nX-Orvan-classification: " + std::to_string(level) +
                                           " - X\r\n\r\nThe budget.",
                                       &error);
    EXPECT_NE(m, nullptr) << error;
    return m;
  }
};

TEST_F(HostBehaviour, SendStoppedAfterStampingKeepsTheStampAndASecondSendAddsNoMark) {
  for (bool byAnotherAddIn : {true, false}) {
    sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>Numbers</body></html>");
    DropDown(w)->Choose(2);
    if (byAnotherAddIn) outlook.otherAddInItemSend = [](sim::MailItem*) { return true; };
    else outlook.abortSends = 1;
    EXPECT_FALSE(outlook.Send(w));
    outlook.otherAddInItemSend = nullptr;
    // The window stays open with the message as Send made it; the bar went with Send.
    EXPECT_TRUE(w->open);
    EXPECT_EQ(w->ClassificationBar(), nullptr);
    EXPECT_EQ(w->mail()->Subject(), "[CONFIDENTIAL] Plans");
    EXPECT_EQ(Count(w->mail()->HTMLBody(), kMark), 2u);
    EXPECT_EQ(Numeric(w->mail()), 2);
    EXPECT_EQ(Header(w->mail()), "2 - CONFIDENTIAL");
    EXPECT_EQ(w->mail()->message->saves, 1);
    EXPECT_TRUE(TrackedClasses().empty()) << ::testing::PrintToString(TrackedClasses());
    // Sent again from the same window, it leaves as it is: level kept, no second mark.
    EXPECT_TRUE(outlook.Send(w));
    EXPECT_EQ(Count(w->mail()->HTMLBody(), kMark), 2u);
    EXPECT_EQ(w->mail()->Subject(), "[CONFIDENTIAL] Plans");
    EXPECT_EQ(Numeric(w->mail()), 2);
  }
  ExpectNothingLeftAtExit();
}

TEST_F(HostBehaviour, StampedMessageReopenedAndSentAgainGetsNoSecondMark) {
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  DropDown(w)->Choose(3);
  outlook.otherAddInItemSend = [](sim::MailItem*) { return true; };
  EXPECT_FALSE(outlook.Send(w));
  outlook.otherAddInItemSend = nullptr;
  sim::MailItem* mail = w->mail();
  outlook.Close(w);
  sim::Inspector* again = outlook.Open(mail);  // the draft, opened again
  // It holds SECRET, still the sender's to change until it leaves.
  ASSERT_NE(DropDown(again), nullptr);
  EXPECT_EQ(DropDown(again)->listIndex, 3);
  EXPECT_TRUE(outlook.Send(again));
  const std::string mark = "Classification: SECRET  (for more info visit http://www.orvan.example/classify)";
  EXPECT_EQ(mail->Body(), mark + "\n\nNumbers\n" + mark);
  EXPECT_EQ(mail->Subject(), "[SECRET] Plans");
  ExpectNothingLeftAtExit();
}

// Next or Previous: the old item's wrapper ends cleanly (placement kept, its sink gone),
// and the window's handlers follow the message it shows now: its bar, and its answers.
TEST_F(HostBehaviour, ReadWindowMovedToTheNextMessageIsFollowedThere) {
  sim::MailItem* first = Received(1);
  sim::MailItem* second = Received(3);
  sim::Inspector* w = outlook.Open(first);
  ASSERT_NE(w->ClassificationBar(), nullptr);
  w->ClassificationBar()->Move(30, 40, 1, 2);
  outlook.ShowInWindow(w, second);
  EXPECT_EQ(first->SinkCount(IID_ItemEvents), 0u);
  int l, t, p, r;
  ASSERT_TRUE(Context().Settings()->GetCommandBarPosition(&l, &t, &p, &r));
  EXPECT_EQ((std::vector<int>{l, t, p, r}), (std::vector<int>{30, 40, 1, 2}));
  ASSERT_NE(w->ClassificationBar(), nullptr);
  EXPECT_EQ(w->ClassificationBar()->controls->items.back()->caption, "SECRET");
  EXPECT_EQ(w->ClassificationBar()->left, 30);
  sim::Inspector* reply = outlook.Respond(w, sim::Outlook::kReply);
  ASSERT_NE(DropDown(reply), nullptr);
  EXPECT_EQ(DropDown(reply)->listIndex, 3);
  outlook.Close(reply);
  outlook.Close(w);
  EXPECT_TRUE(TrackedClasses().empty()) << ::testing::PrintToString(TrackedClasses());
  ExpectNothingLeftAtExit();
}

TEST_F(HostBehaviour, SameItemInTwoWindowsIsStampedOnceAndClosingEndsBothWrappers) {
  sim::Inspector* a = outlook.Compose(2, "Plans", "<html><body>Numbers</body></html>");
  sim::Inspector* b = outlook.Open(a->mail());
  ASSERT_NE(DropDown(b), nullptr);
  DropDown(a)->Choose(2);
  ASSERT_TRUE(outlook.Send(a));
  EXPECT_EQ(Count(a->mail()->HTMLBody(), kMark), 2u) << "both windows' item sinks heard Send";
  EXPECT_EQ(a->mail()->Subject(), "[CONFIDENTIAL] Plans");
  EXPECT_EQ(Numeric(a->mail()), 2);
  EXPECT_TRUE(TrackedClasses().empty()) << ::testing::PrintToString(TrackedClasses());

  sim::MailItem* received = Received(3);
  sim::Inspector* c = outlook.Open(received);
  sim::Inspector* d = outlook.Open(received);
  outlook.Close(c);  // the item's Close reaches both windows' sinks
  EXPECT_TRUE(TrackedClasses().empty()) << ::testing::PrintToString(TrackedClasses());
  EXPECT_EQ(received->SinkCount(IID_ItemEvents), 0u);
  outlook.Close(d);
  outlook.Close(b);
  ExpectNothingLeftAtExit();
}

TEST_F(HostBehaviour, SharedCommandBarsAreNeverDeletedByAWindowThatDoesNotOwnThem) {
  outlook.ShareCommandBars();
  sim::Inspector* first = outlook.Compose(1, "First", "one");
  sim::CommandBar* firstBar = first->ClassificationBar();
  DropDown(first)->Choose(3);
  sim::Inspector* second = outlook.Compose(1, "Second", "two");
  // The second window's build finds the first window's bar and replaces it.
  EXPECT_TRUE(firstBar->deleted);
  sim::CommandBar* secondBar = second->ClassificationBar();
  ASSERT_NE(secondBar, nullptr);
  secondBar->Move(11, 12, 1, 3);
  outlook.Close(first);
  EXPECT_EQ(second->ClassificationBar(), secondBar) << "closing the first window left the second's bar alone";
  int l, t, p, r;
  EXPECT_FALSE(Context().Settings()->GetCommandBarPosition(&l, &t, &p, &r))
      << "and took no placement from a bar it does not own";
  DropDown(second)->Choose(2);
  ASSERT_TRUE(outlook.Send(second));
  EXPECT_EQ(second->mail()->Subject(), "[CONFIDENTIAL] Second");
  EXPECT_TRUE(secondBar->deleted);
  ASSERT_TRUE(Context().Settings()->GetCommandBarPosition(&l, &t, &p, &r));
  EXPECT_EQ((std::vector<int>{l, t, p, r}), (std::vector<int>{11, 12, 1, 3}));
  ExpectNothingLeftAtExit();
}

TEST_F(HostBehaviour, FirstWindowOfSharedBarsSendsTheLevelItsUserChose) {
  outlook.ShareCommandBars();
  sim::Inspector* first = outlook.Compose(1, "First", "one");
  DropDown(first)->Choose(3);
  outlook.Compose(1, "Second", "two");
  ASSERT_TRUE(outlook.Send(first));
  EXPECT_EQ(first->mail()->Subject(), "[SECRET] First");
  EXPECT_EQ(Numeric(first->mail()), 3);
  ExpectNothingLeftAtExit();
}

TEST_F(HostBehaviour, SinkThatCannotBeUnadvisedIgnoresLateEvents) {
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  sim::MailItem* mail = w->mail();
  sim::Control* drop = DropDown(w);
  world.FailMember("Unadvise", RPC_E_DISCONNECTED);
  outlook.Close(w);
  world.ClearFaults();
  EXPECT_TRUE(TrackedClasses().size() == 2u) << "the item sink and the drop-down, ended but held by their sources: "
                                             << ::testing::PrintToString(TrackedClasses());
  ASSERT_EQ(mail->SinkCount(IID_ItemEvents), 1u);
  // Events that still arrive find nobody home: no stamp, no write, no crash.
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BOOL | VT_BYREF;
  arg.pboolVal = &cancel;
  EXPECT_EQ(mail->Fire(IID_ItemEvents, 0xF005, {arg}), S_OK);
  EXPECT_EQ(mail->Fire(IID_ItemEvents, 0xF004, {arg}), S_OK);
  drop->Choose(3);
  EXPECT_EQ(mail->Subject(), "Plans");
  EXPECT_EQ(Numeric(mail), 1);
  EXPECT_EQ(cancel, VARIANT_FALSE);
  ExpectNothingLeftAtExit();
}

TEST_F(HostBehaviour, FastShutdownEndsEveryWindowAndRunsTheShutdownInItsOrderOnTheLastRelease) {
  SessionLog::SetDefaultEnabled(true);
  outlook.Shutdown();  // the fixture's add-in, logging off
  ASSERT_EQ(outlook.Load(), S_OK);
  ASSERT_EQ(outlook.Connect(ext_cm_Startup), S_OK);
  ASSERT_EQ(outlook.StartupComplete(), S_OK);
  sim::Inspector* a = outlook.Compose(1, "moved", "x");
  a->ClassificationBar()->Move(3, 4, 1, 5);
  outlook.Close(a);
  sim::Inspector* open = outlook.Compose(1, "still open", "y");
  outlook.FastShutdown();
  // The window still open lost its bar with the add-in; its handlers ended before the
  // tracker reported, so nothing is reported as leaked.
  EXPECT_EQ(open->ClassificationBar(), nullptr);
  EXPECT_EQ(world.AdvisedSinks(), 0u);
  std::string log = LogText();
  EXPECT_EQ(log.find("Leaked object"), std::string::npos) << log;
  EXPECT_NE(log.find("</html>"), std::string::npos) << log;  // the log was closed
  std::string reg = portable_registry::Export();
  EXPECT_NE(reg.find("\"CommandBarLeft\"=dword:00000003\n\"CommandBarPos\"=dword:00000001\n"
                     "\"CommandBarRowIndex\"=dword:00000005\n\"CommandBarTop\"=dword:00000004\n"),
            std::string::npos)
      << reg;
  ExpectNothingLeftAtExit();
}

}  // namespace
