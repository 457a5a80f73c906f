// The security officer's record: an event in the Application log for each message let go
// and each Send a rule refuses, with the fields README's table gives, as AuditDetail says.
#include "diag/event_record.h"
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::DropDown;

namespace {

class DecisionRecord : public AddInTest {
 protected:
  void Start(EventDetail detail) {
    SettingsDefaults& d = ClassificationSettings::NextDefaults();
    d.AuditDetail = detail;
    d.InternalDomains = "acme.example";
    d.ExternalMaxLevel = 1;
    d.ExternalRule = SendRule::Block;
    StartOutlook();
  }
  // Composes, addresses and sends one message at the level; whether it left.
  bool Send(const std::string& subject, const char* to, long level) {
    sim::Inspector* w = outlook.Compose(1, subject, "The words.");
    EXPECT_TRUE(w->mail()->recipients->Add(to, 1));
    DropDown(w)->Choose(level);
    return outlook.Send(w);
  }
  std::vector<sim::World::Event> Decisions() const {
    std::vector<sim::World::Event> out;
    for (const auto& e : world.events)
      if (e.id == kReleasedEvent || e.id == kRefusedEvent) out.push_back(e);
    return out;
  }
};

// Each AuditDetail gives exactly the events it promises: none at all, the decisions without
// a subject or address, or with them.
TEST_F(DecisionRecord, EachDetailWritesWhatItPromises) {
  for (EventDetail detail : {EventDetail::None, EventDetail::Decisions, EventDetail::Full}) {
    Start(detail);
    EXPECT_TRUE(Send("Lunch", "b@acme.example", 3));
    EXPECT_FALSE(Send("Pricing", "c@partner.example", 2));
    const std::vector<sim::World::Event> events = Decisions();
    outlook.Shutdown();
    world.events.clear();
    if (detail == EventDetail::None) {
      EXPECT_TRUE(events.empty());
      continue;
    }
    ASSERT_EQ(events.size(), 2u) << int(detail);
    const bool full = detail == EventDetail::Full;
    EXPECT_EQ(events[0].id, DWORD(kReleasedEvent));
    EXPECT_EQ(events[0].type, EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(events[0].fields,
              (std::vector<std::string>{"SECRET", "not read", "the compose window's Send", "0", "none", "nothing",
                                        full ? "Lunch" : "(not recorded)",
                                        full ? "none outside" : "(not recorded)"}));
    EXPECT_EQ(events[1].id, DWORD(kRefusedEvent));
    EXPECT_EQ(events[1].type, EVENTLOG_WARNING_TYPE);
    EXPECT_EQ(events[1].fields,
              (std::vector<std::string>{"recipients outside the internal domains", "CONFIDENTIAL", "not read",
                                        "the compose window's Send", "1", "partner.example",
                                        "told it is refused (recipients outside the internal domains)",
                                        full ? "Pricing" : "(not recorded)",
                                        full ? "c@partner.example" : "(not recorded)"}));
  }
}

// Outside text in an event is bounded and clean: a 10,000-character subject is cut between
// two characters, a control character is a blank, an unpaired surrogate U+FFFD.
TEST_F(DecisionRecord, OutsideTextIsBoundedAndCleanInTheEvent) {
  const std::basic_string<WCHAR> cut = EventText(std::string(10000, 'x'));
  EXPECT_EQ(cut.size(), kLongestEventText);
  const std::string emoji = "\xF0\x9F\x94\x92";  // one character, two UTF-16 units
  EXPECT_EQ(EventText(std::string(kLongestEventText - 1, 'x') + emoji).size(), kLongestEventText - 1);
  const std::basic_string<WCHAR> clean = EventText("a\tb\x01" "c\xED\xA0\x80" "d");
  EXPECT_EQ(clean, (std::basic_string<WCHAR>{'a', ' ', 'b', ' ', 'c', 0xFFFD, 'd'}));
  Start(EventDetail::Full);
  EXPECT_TRUE(Send(std::string(10000, 's'), "b@acme.example", 1));
  ASSERT_EQ(Decisions().size(), 1u);
  EXPECT_EQ(Decisions()[0].fields[6].size(), kLongestEventText);
}

}  // namespace
