// The host calls a compose window and a Send cost, counted exactly: a change that adds a
// call to these hot paths shows up here, on any machine, without timing anything.
#include "host/dispatch_call.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

class HostCalls : public AddInTest {
 protected:
  std::map<std::string, long> Count(const std::function<void()>& action) {
    world.ResetCounts();
    action();
    std::map<std::string, long> calls;
    for (const char* m : {"GetIDsOfNames", "CurrentItem", "Class", "Sent", "MAPIOBJECT", "Subject", "CommandBars", "Item",
                          "Add", "Visible", "Controls", "Style", "OLEUsage", "Caption", "TooltipText", "Tag", "AddItem",
                          "ListIndex", "DropDownLines", "DropDownWidth", "Width", "Text", "GetIDsFromNames", "GetProps",
                          "SetProps", "SaveChanges", "FindConnectionPoint", "Advise", "Unadvise", "BodyFormat",
                          "HTMLBody", "Body", "RowIndex", "Position", "Top", "Left", "Delete"})
      if (long n = world.Calls(m)) calls[m] = n;
    calls["(all)"] = world.Calls();
    return calls;
  }
};

TEST_F(HostCalls, WindowAndSendMakeExactlyTheCallsTheirWorkNeeds) {
  StartOutlook();
  ForgetHostMemberIds();
  sim::Inspector* first = nullptr;
  auto firstWindow = Count([&] { first = outlook.Compose(2, "Plans", "<html><body>x</body></html>"); });
  EXPECT_GT(firstWindow["GetIDsOfNames"], 0);
  auto firstSend = Count([&] { outlook.Send(first); });
  EXPECT_GT(firstSend["GetIDsOfNames"], 0);

  sim::Inspector* second = nullptr;
  auto window = Count([&] { second = outlook.Compose(2, "Plans", "<html><body>x</body></html>"); });
  EXPECT_EQ(window["GetIDsOfNames"], 0) << "from the second window on, every DISPID is known";
  // NewInspector: CurrentItem, Class, MAPIOBJECT (the wrapper; its subject is read only for
  // the log, which is off), the item sink's FindConnectionPoint and Advise, Sent; the level
  // (GetIDsFromNames, GetProps for the headers); the bar: CommandBars, Item (the old bar's lookup, which fails), Add,
  // Visible, Controls; the caption button: Add, Style, OLEUsage, Caption, TooltipText;
  // the drop-down: Add, Style, three AddItem, ListIndex, DropDownLines, DropDownWidth,
  // Width, FindConnectionPoint, Advise, Text, TooltipText, Tag, Caption, OLEUsage; the
  // level written at once (two GetIDsFromNames, two SetProps); and, since the first
  // window's bar was closed, its placement: Left, Top, Position, RowIndex.
  EXPECT_EQ(window["(all)"], 42) << ::testing::PrintToString(window);

  auto send = Count([&] { outlook.Send(second); });
  // Send: the marks of an earlier Send (GetIDsFromNames of the stamp, which this message
  // does not know); BodyFormat get, HTMLBody get and put, BodyFormat put; the stamp of the
  // new marks (GetIDsFromNames, SetProps); two GetIDsFromNames, two SetProps, SaveChanges;
  // Subject get and put; teardown: the drop-down's Unadvise, the bar's lookup (CommandBars,
  // Item), its RowIndex, Position, Top, Left and Delete, the item sink's Unadvise. Then
  // Application.ItemSend: Class, MAPIOBJECT, and the stamp that confirms the marks made a
  // moment ago (GetIDsFromNames, GetProps). The record: the number of recipients
  // (Recipients, Count) and the event's correlation id in the message (GetIDsFromNames,
  // SetProps). Nothing of earlier messages: the add-in holds none.
  EXPECT_EQ(send["GetIDsOfNames"], 0);
  EXPECT_EQ(send["Sent"], 0);
  EXPECT_EQ(send["(all)"], 31) << ::testing::PrintToString(send);
}

TEST_F(HostCalls, ASendCostsTheSameAfterTenThousandSendsAndHoldsNoMessage) {
  StartOutlook();
  auto sendOne = [&](bool stopped) {
    sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
    outlook.otherAddInItemSend = [stopped](sim::MailItem*) { return stopped; };
    world.ResetCounts();
    outlook.Send(w);
    const long calls = world.Calls();
    if (stopped) outlook.Close(w);  // stopped, then given up: the draft stays behind
    return calls;
  };
  sendOne(false);  // member names looked up once
  const long first = sendOne(false);
  const long firstStopped = sendOne(true);
  for (int i = 0; i < 10000; ++i) sendOne(i % 2 == 0);
  EXPECT_EQ(sendOne(false), first);
  EXPECT_EQ(sendOne(true), firstStopped);
  // The simulator audits every Send: a reference the add-in kept would be a violation.
  EXPECT_TRUE(world.Violations().empty()) << world.Violations().front();
  outlook.otherAddInItemSend = nullptr;
  ExpectNothingLeftAtExit();
}

}  // namespace
