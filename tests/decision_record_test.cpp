// The security officer's record: an event in the Application log for each message let go
// and each Send a rule refuses, with the fields README's table gives, as AuditDetail says.
#include "diag/event_record.h"
#include "sim/transport.h"
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
      if (e.id == kReleasedEvent || e.id == kRefusedEvent || e.id == kDowngradedEvent) out.push_back(e);
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
    // Each Send its own id; the message that left carries its event's.
    EXPECT_NE(events[0].fields[7], events[1].fields[8]);
    EXPECT_EQ(events[0].fields[7].size(), 38u) << events[0].fields[7];
    const bool full = detail == EventDetail::Full;
    EXPECT_EQ(events[0].id, DWORD(kReleasedEvent));
    EXPECT_EQ(events[0].type, EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(events[0].category, kSendCategory);
    EXPECT_EQ(events[0].fields,
              (std::vector<std::string>{"SECRET", "not read", "the compose window's Send", "1", "0", "none", "nothing",
                                        events[0].fields[7], full ? "Lunch" : "(not recorded)",
                                        full ? "none outside" : "(not recorded)"}));
    EXPECT_EQ(events[1].id, DWORD(kRefusedEvent));
    EXPECT_EQ(events[1].type, EVENTLOG_WARNING_TYPE);
    EXPECT_EQ(events[1].fields,
              (std::vector<std::string>{"recipients outside the internal domains", "CONFIDENTIAL", "not read",
                                        "the compose window's Send", "1", "1", "partner.example",
                                        "told it is refused (recipients outside the internal domains)",
                                        events[1].fields[8], full ? "Pricing" : "(not recorded)",
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
  EXPECT_EQ(Decisions()[0].fields[8].size(), kLongestEventText);
}

}  // namespace

namespace {

const char kSecretMail[] = "Subject: Merger\r\nX-Orvan-classification: 3 - SECRET\r\n\r\nThe terms.";

std::string Record(sim::MailItem* m, const char* name) {
  const auto* v = m->message->Find(PS_PUBLIC_STRINGS_ID, name);
  return v ? v->text : std::string("(none)");
}

}  // namespace

// Under the rule that asks why, an answer below the level it answers leaves only with the
// sender's reason: Cancel, no choice and too few words of one's own keep the window with
// nothing written; a reason goes into the event of the Send and a property of the message,
// never into what leaves. A level chosen over the carried one, and a message that could not
// be marked, are events of their own.
TEST_F(DecisionRecord, ADowngradeLeavesOnlyWithAReasonThatTheEventAndTheMessageKeep) {
  SettingsDefaults& d = ClassificationSettings::NextDefaults();
  d.DowngradeRule = SendRule::Justify;
  d.DowngradeReasons = "It quotes nothing;The quote was removed";
  Start(EventDetail::Decisions);
  std::string error;
  sim::Inspector* read = outlook.Open(outlook.Receive(kSecretMail, &error));
  sim::Inspector* reply = outlook.Respond(read, sim::Outlook::kReply);
  ASSERT_TRUE(reply && reply->mail()->recipients->Add("b@acme.example", 1));
  DropDown(reply)->Choose(1);
  ASSERT_EQ(world.events.size(), 1u);
  EXPECT_EQ(world.events[0].id, DWORD(kLevelChangedEvent));
  EXPECT_EQ(world.events[0].category, kLevelCategory);
  EXPECT_EQ(world.events[0].fields,
            (std::vector<std::string>{"SECRET", "UNCLASSIFIED", "the command bar", "(not recorded)"}));

  for (const char* answer : {"cancel", "3", "two words"}) {
    world.reasonAnswers = {answer};
    EXPECT_FALSE(outlook.Send(reply)) << answer;
    EXPECT_EQ(reply->mail()->message->saves, 0) << answer;
    EXPECT_EQ(reply->mail()->Subject(), "RE: Merger");
    ASSERT_EQ(Decisions().size(), 1u) << answer;
    EXPECT_EQ(Decisions()[0].id, DWORD(kRefusedEvent));
    EXPECT_EQ(Decisions()[0].fields[7], "asked for a reason (a lower level than the message it answers), cancelled");
    world.events.clear();
  }
  const auto& box = world.reasonBoxes.back();
  EXPECT_EQ(box.choices, (std::vector<std::string>{"It quotes nothing", "The quote was removed", "Other"}));
  EXPECT_NE(box.text.find("classified SECRET, and its own level, UNCLASSIFIED, is lower"), std::string::npos) << box.text;

  world.reasonAnswers = {"  the   figures were  taken out "};
  sim::MailItem* sent = reply->mail();
  ASSERT_TRUE(outlook.Send(reply));
  ASSERT_EQ(Decisions().size(), 1u);
  const sim::World::Event downgrade = Decisions()[0];
  EXPECT_EQ(downgrade.id, DWORD(kDowngradedEvent));
  EXPECT_EQ(downgrade.type, EVENTLOG_WARNING_TYPE);
  EXPECT_EQ(downgrade.fields[0], "UNCLASSIFIED");
  EXPECT_EQ(downgrade.fields[1], "SECRET");
  EXPECT_EQ(downgrade.fields[2], "Other: the figures were taken out");
  EXPECT_EQ(Record(sent, "OrvanClassify-DowngradeReason"), "Other: the figures were taken out");
  EXPECT_EQ(Record(sent, "OrvanClassify-CorrelationId"), downgrade.fields[8]);
  const std::string eml = sim::WriteEml(*sent);
  EXPECT_EQ(eml.find("figures"), std::string::npos) << eml;
  EXPECT_EQ(eml.find(downgrade.fields[8]), std::string::npos) << eml;
  world.events.clear();

  // A message at its own level says it was given no reason; one whose body cannot be
  // marked still leaves, and the record says what failed.
  sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>x</body></html>");
  world.FailMember("HTMLBody", E_FAIL, 1);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(Record(w->mail(), "OrvanClassify-DowngradeReason"), "");
  ASSERT_EQ(world.events.size(), 2u) << world.events[0].id << world.events[0].text << w->mail()->Subject();
  EXPECT_EQ(world.events[0].id, DWORD(kReleasedEvent));
  EXPECT_EQ(world.events[1].id, DWORD(kNotMarkedEvent));
  EXPECT_EQ(world.events[1].type, EVENTLOG_ERROR_TYPE);
  EXPECT_EQ(world.events[1].category, kMarkingCategory);
  EXPECT_EQ(world.events[1].fields[0], "UNCLASSIFIED");
  EXPECT_NE(world.events[1].fields[1].find("HTMLBody"), std::string::npos) << world.events[1].fields[1];
  EXPECT_EQ(world.events[1].fields[3], world.events[0].fields[7]);
}
