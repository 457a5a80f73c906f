// The host calls a compose window and a Send cost, counted exactly: a change that adds a
// call to these hot paths shows up here, on any machine, without timing anything.
#include "addin/dispatch_call.h"
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
  // NewInspector: CurrentItem, Class, MAPIOBJECT and Subject (the wrapper), the item
  // sink's FindConnectionPoint and Advise, Sent; the level (GetIDsFromNames, GetProps for
  // the headers); the bar: CommandBars, Item (the old bar's lookup, which fails), Add,
  // Visible, Controls; the caption button: Add, Style, OLEUsage, Caption, TooltipText;
  // the drop-down: Add, Style, three AddItem, ListIndex, DropDownLines, DropDownWidth,
  // Width, FindConnectionPoint, Advise, Text, TooltipText, Tag, Caption, OLEUsage; the
  // level written at once (two GetIDsFromNames, two SetProps); and, since the first
  // window's bar was closed, its placement: Left, Top, Position, RowIndex.
  EXPECT_EQ(window["(all)"], 43) << ::testing::PrintToString(window);

  auto send = Count([&] { outlook.Send(second); });
  // Send: BodyFormat get, HTMLBody get and put, BodyFormat put; two GetIDsFromNames, two
  // SetProps, SaveChanges; Subject get and put; teardown: the drop-down's Unadvise, the
  // bar's lookup (CommandBars, Item), its RowIndex, Position, Top, Left and Delete, the
  // item sink's Unadvise; and Sent of the message stamped before, which has gone out and
  // need no longer be remembered as stamped.
  EXPECT_EQ(send["GetIDsOfNames"], 0);
  EXPECT_EQ(send["Sent"], 1);
  EXPECT_EQ(send["(all)"], 21) << ::testing::PrintToString(send);
}

}  // namespace
