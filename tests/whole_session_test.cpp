// A whole Outlook session, where objects come and go in orders no single window shows: the
// add-in unticked and ticked again while Office still holds the old object, main windows
// that open later, Sends that are stopped, read windows that move on. Each test plays an
// order that once went wrong.
#include "test_support.h"

using testing_support::Numeric;

namespace {

using WholeSession = testing_support::TodayTest;

TEST_F(WholeSession, UntickedAddInLeavesNothingAndTheOneTickedAgainAloneDecidesTheLevel) {
  sim::Inspector* open = outlook.Compose(1, "Open while unticked", "Words");
  outlook.Select({Received(3)});
  outlook.Untick();
  // Nothing of the unloaded add-in is left in Outlook: no sink, no reference, no bar.
  EXPECT_EQ(world.AdvisedSinks(), 0u);
  EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
  EXPECT_EQ(open->ClassificationBar(), nullptr);
  ASSERT_EQ(outlook.Tick(), S_OK);
  // The new object follows the main window from its present selection: the reply starts at
  // SECRET; CONFIDENTIAL chosen on the ribbon is what leaves.
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(RibbonLevel(nullptr).selected, 2);
  ASSERT_TRUE(ChooseOnRibbon(nullptr, 1));
  ASSERT_TRUE(outlook.SendInline());
  ExpectStampedOnce(reply, 2, "CONFIDENTIAL");
  // The window opened under the old object has no handler now; it leaves at the level it
  // was written with, stamped once by ItemSend.
  ASSERT_TRUE(outlook.Send(open));
  ExpectStampedOnce(open->mail(), 1, "UNCLASSIFIED");
  outlook.ReleaseRetiredRibbons();
  ExpectNothingLeftAtExit();
}

TEST_F(WholeSession, OfficeAskingTheOldObjectsRibbonAfterItsInlineResponseEndedFindsNothingFreed) {
  // The order a randomized session found: an inline response ends while the object that
  // made it is held by Office only; Office then asks that object's ribbon about the window.
  outlook.OpenExplorer();
  outlook.CloseExplorer();
  outlook.Select({Received(0, "Report")});
  outlook.Untick();
  outlook.RespondInline(sim::Outlook::kForward);
  ASSERT_EQ(outlook.Tick(), S_OK);
  outlook.RespondInline(sim::Outlook::kReply);  // the forward ends
  ASSERT_EQ(outlook.retiredRibbons().size(), 1u);
  for (const auto& old : outlook.retiredRibbons()) {
    const std::vector<sim::Ribbon::Shown> shown = old->Show(outlook.app()->activeExplorer, kExplorer, "TabMessage");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].items.empty()) << "an unloaded add-in shows no levels";
  }
  outlook.ReleaseRetiredRibbons();
  ExpectNothingLeftAtExit();
}

TEST_F(WholeSession, ASecondMainWindowCarriesItsSelectionsLevelToAnInlineReply) {
  sim::Explorer* second = outlook.OpenExplorer();
  outlook.Select({Received(3)});
  ASSERT_EQ(outlook.app()->activeExplorer, second);
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReplyAll);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(RibbonLevel(nullptr).selected, 2);
  ASSERT_TRUE(outlook.SendInline());
  ExpectStampedOnce(reply, 3, "SECRET");
  // Closing it leaves the first main window working.
  outlook.CloseExplorer(second);
  outlook.Select({Received(2)});
  sim::MailItem* other = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_TRUE(outlook.SendInline());
  ExpectStampedOnce(other, 2, "CONFIDENTIAL");
  ExpectNothingLeftAtExit();
}

// A stopped Send freezes nothing: the level stays the sender's to choose, and the message
// leaves with the marks of the level it leaves at, once.
TEST_F(WholeSession, AfterAStoppedSendTheLevelIsStillTheSendersAndItsMarksAreReplaced) {
  sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>Numbers</body></html>");
  ASSERT_TRUE(ChooseOnRibbon(w, 2));
  outlook.otherAddInItemSend = [](sim::MailItem*) { return true; };
  EXPECT_FALSE(outlook.Send(w));
  outlook.otherAddInItemSend = nullptr;
  EXPECT_EQ(testing_support::Count(w->mail()->HTMLBody(), "Classification: SECRET"), 2u);  // marked, then stopped
  sim::Ribbon::Shown shown = RibbonLevel(w);
  EXPECT_EQ(shown.selected, 2);  // SECRET, the level it holds
  EXPECT_TRUE(shown.enabled);
  EXPECT_TRUE(ChooseOnRibbon(w, 1));
  EXPECT_EQ(Numeric(w->mail()), 2);
  ASSERT_TRUE(outlook.Send(w));
  ExpectStampedOnce(w->mail(), 2, "CONFIDENTIAL");
  EXPECT_EQ(testing_support::Count(w->mail()->HTMLBody(), "Classification: SECRET"), 0u);
  EXPECT_EQ(w->mail()->Subject(), "[CONFIDENTIAL] Plans");
  ExpectNothingLeftAtExit();
}

TEST_F(WholeSession, AReadWindowMovedOnShowsEachMessagesLevelOnItsRibbon) {
  sim::MailItem* secret = Received(3, "First");
  sim::MailItem* plain = Received(0, "Second");
  sim::MailItem* confidential = Received(2, "Third");
  sim::Inspector* w = outlook.Open(secret);
  EXPECT_EQ(RibbonLevel(w).label, "Classification: SECRET");
  outlook.ShowInWindow(w, plain);
  EXPECT_EQ(RibbonLevel(w).label, "Classification: (none)");
  // Moving on again: no handler follows the window now, yet its ribbon hears the move.
  outlook.ShowInWindow(w, confidential);
  EXPECT_EQ(RibbonLevel(w).label, "Classification: CONFIDENTIAL");
  outlook.Close(w);
  ExpectNothingLeftAtExit();
}

TEST_F(WholeSession, AChoiceOnTheRibbonOfAWindowOpenedWhileUntickedIsWrittenAndLeaves) {
  outlook.Untick();
  sim::Inspector* w = outlook.Compose(1, "Written meanwhile", "Words");
  ASSERT_EQ(outlook.Tick(), S_OK);
  EXPECT_EQ(RibbonLevel(w).selected, 0);  // the default level, which it would leave with
  ASSERT_TRUE(ChooseOnRibbon(w, 2));
  EXPECT_EQ(RibbonLevel(w).selected, 2);
  EXPECT_EQ(Numeric(w->mail()), 3);
  ASSERT_TRUE(outlook.Send(w));
  ExpectStampedOnce(w->mail(), 3, "SECRET");
  outlook.ReleaseRetiredRibbons();
  ExpectNothingLeftAtExit();
}

}  // namespace
