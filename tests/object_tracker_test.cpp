#include "diag/object_tracker.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

class Tracker : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    SessionLog::SetDefaultEnabled(true);
  }
  // The reports of the session, without the session's opening block.
  std::string Reports() {
    std::string text = LogText();
    size_t rule = text.find("<HR></font><br>\r\n");
    return rule == std::string::npos ? text : text.substr(rule + 17);
  }
  int a = 0, b = 0, c = 0;
};

TEST_F(Tracker, CountsRemovalsAndReportsLeaksOldestFirst) {
  {
    SessionLog log("Orvan_Classify");
    ObjectTracker tracker(&log);
    tracker.Add(&a, "CMailItem", "first");
    tracker.Add(&b, "CItemHandler", "");
    tracker.Add(&c, "CDropdownHandler", "");
    tracker.Remove(&b);
    EXPECT_EQ(tracker.Count(), 2u);
  }
  EXPECT_EQ(Reports(),
            "New object: CMailItem, first. Count=1<br>"
            "New object: CItemHandler, . Count=2<br>"
            "New object: CDropdownHandler, . Count=3<br>"
            "Removed object: CItemHandler, . Count=2<br>"
            "Leaked object: CMailItem, first<br>"
            "Leaked object: CDropdownHandler, <br>"
            "</html>\r\n");
}

TEST_F(Tracker, SameAddressTwiceRemovesTheOlderEntry) {
  {
    SessionLog log("Orvan_Classify");
    ObjectTracker tracker(&log);
    tracker.Add(&a, "CMailItem", "old");
    tracker.Add(&a, "CMailItem", "new");
    tracker.Remove(&a);
    tracker.Remove(&b);  // never registered: nothing happens
  }
  EXPECT_EQ(Reports(),
            "New object: CMailItem, old. Count=1<br>"
            "New object: CMailItem, new. Count=2<br>"
            "Removed object: CMailItem, old. Count=1<br>"
            "Leaked object: CMailItem, new<br>"
            "</html>\r\n");
}

TEST_F(Tracker, KeepsItsListWithTheLogOff) {
  SessionLog::SetDefaultEnabled(false);
  {
    SessionLog log("Orvan_Classify");
    ObjectTracker tracker(&log);
    tracker.Add(&a, "CInspectorEventHandler", "");
    tracker.Add(&b, "CItemHandler", "");
    tracker.Remove(&a);
    ASSERT_EQ(tracker.Entries().size(), 1u);
    EXPECT_EQ(tracker.Entries().front().Object, &b);
  }
  EXPECT_FALSE(std::filesystem::exists(appdata.path() / "Orvan_Classify"));
}

}  // namespace
