// What a large selection costs: a Reply or Forward from the main window reads no more of the
// selected messages than Outlook's limits allow, and a selection change watches one.
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::DropDown;

namespace {

class LargeSelection : public AddInTest {
 protected:
  explicit LargeSelection(sim::Outlook::Version v = sim::Outlook::Version::Classic) : AddInTest(v) {}
  std::vector<sim::DispatchObject*> Arrive(int n, int level, int secretAt = -1) {
    std::vector<sim::DispatchObject*> items;
    for (int i = 0; i < n; ++i) {
      std::string error;
      const int l = i == secretAt ? 3 : level;
      items.push_back(outlook.Receive("Subject: R" + std::to_string(i) + "\r\nX-Orvan-classification: " +
                                          std::to_string(l) + " - X\r\n\r\nText.",
                                      &error));
    }
    return items;
  }
  // The compose window a Forward opens, and the messages the add-in read for it.
  sim::Inspector* Forward(long* read) {
    world.ResetCounts();
    sim::Inspector* w = outlook.ClickInExplorer("Forward");
    *read = world.Calls("MAPIOBJECT") - 1;  // the new window's own message is read once
    return w;
  }
};

TEST_F(LargeSelection, UpToTheBoundEveryMessageIsReadAndTheHighestCarried) {
  SessionLog::SetDefaultEnabled(true);
  StartOutlook();
  outlook.Select(Arrive(32, 1));
  long read = 0;
  sim::Inspector* w = Forward(&read);
  ASSERT_NE(DropDown(w), nullptr);
  EXPECT_EQ(DropDown(w)->listIndex, 1);
  EXPECT_EQ(read, 32);
  outlook.Close(w);
  EXPECT_EQ(LogText().find("items selected"), std::string::npos);
}

TEST_F(LargeSelection, PastTheBoundNoneIsReadAndTheAnswerStartsAtTheHighestLevel) {
  SessionLog::SetDefaultEnabled(true);
  StartOutlook();
  outlook.Select(Arrive(10000, 1));
  long read = 0;
  world.ResetCounts();
  sim::Inspector* w = Forward(&read);
  EXPECT_LT(world.Calls(), 100);
  EXPECT_EQ(read, 0);
  ASSERT_NE(DropDown(w), nullptr);
  EXPECT_EQ(DropDown(w)->listIndex, 3);  // SECRET: the sender can choose lower
  outlook.Close(w);
  EXPECT_NE(LogText().find("10000 items selected, more than the 32 read"), std::string::npos) << LogText();
}

TEST_F(LargeSelection, ReadingStopsAtTheHighestLevelThereIs) {
  StartOutlook();
  outlook.Select(Arrive(20, 1, 1));
  long read = 0;
  sim::Inspector* w = Forward(&read);
  EXPECT_EQ(read, 2);
  EXPECT_EQ(DropDown(w)->listIndex, 3);
  outlook.Close(w);
}

class LargeSelectionToday : public LargeSelection {
 protected:
  LargeSelectionToday() : LargeSelection(sim::Outlook::Version::Today) {}
};

TEST_F(LargeSelectionToday, ASelectionChangeWatchesOneMessageWhateverIsSelected) {
  StartOutlook();
  const size_t before = world.AdvisedSinks();
  std::vector<sim::DispatchObject*> items = {world.Make<sim::OtherItem>(48)};
  for (sim::DispatchObject* m : Arrive(5000, 2)) items.push_back(m);
  world.ResetCounts();
  outlook.Select(items);
  EXPECT_LT(world.Calls(), 20);
  EXPECT_EQ(world.AdvisedSinks(), before + 1);
  // The one watched hears the answer, which answers the selection: past the messages read
  // it starts at the highest level, and answers only the level of the one it read.
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(testing_support::Numeric(reply), 3);
  EXPECT_EQ(reply->message->Find(PS_PUBLIC_STRINGS_ID, "OrvanClassify-AnsweredLevel")->l, 2);
  outlook.DiscardInline();
}

}  // namespace
