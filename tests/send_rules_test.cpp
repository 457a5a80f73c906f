// The organisation's rules on where a level may go, as a sender meets them: an answer below
// the level it answers, and a classified message to an address outside the organisation;
// and the meeting and task requests that leave classified like mail.
#include <functional>
#include "classify/recipients.h"
#include "sim/transport.h"
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::Count;
using testing_support::DropDown;
using testing_support::Header;
using testing_support::Numeric;

namespace {

const char kSecret[] = "Subject: Budget\r\nX-Orvan-classification: 3 - SECRET\r\n\r\nThe budget.";

class RulesTest : public AddInTest {
 protected:
  explicit RulesTest(sim::Outlook::Version v = sim::Outlook::Version::Classic) : AddInTest(v) {}
  // Starts Outlook under the standard policy with the given changes.
  void Start(const std::function<void(SettingsDefaults&)>& policy) {
    policy(ClassificationSettings::NextDefaults());
    StartOutlook();
  }
  static void Strict(SettingsDefaults& d) {
    d.InternalDomains = "acme.example";
    d.ExternalMaxLevel = 1;
    d.ExternalRule = SendRule::Block;
  }
  sim::Inspector* Compose(const std::string& subject, std::initializer_list<const char*> to, long level) {
    sim::Inspector* w = outlook.Compose(1, subject, "The words.");
    for (const char* address : to) EXPECT_TRUE(w->mail()->recipients->Add(address, 1)) << address;
    if (DropDown(w)) DropDown(w)->Choose(level);
    return w;
  }
  sim::MailItem* Receive(const std::string& eml) {
    std::string error;
    sim::MailItem* m = outlook.Receive(eml, &error);
    EXPECT_NE(m, nullptr) << error;
    return m;
  }
  // A refused Send: the window stays, and the message is as the sender left it.
  void ExpectRefusedUntouched(sim::Inspector* w, const std::string& subject) {
    EXPECT_TRUE(w->open);
    EXPECT_FALSE(w->mail()->sent);
    EXPECT_EQ(w->mail()->Subject(), subject);
    EXPECT_EQ(Count(w->mail()->SentBody(), "Classification:"), 0u) << w->mail()->SentBody();
    EXPECT_EQ(w->mail()->message->saves, 0);
  }
  std::string LastBox() const { return world.messageBoxes.empty() ? "(no box)" : world.messageBoxes.back().text; }
};

class RulesTodayTest : public RulesTest {
 protected:
  RulesTodayTest() : RulesTest(sim::Outlook::Version::Today) {}
};

// ---- recipients

TEST(InternalDomains, SubdomainsAreInsideLookalikesAreNot) {
  const std::vector<std::string> acme = {"acme.example"};
  EXPECT_TRUE(IsInsideDomains("a@acme.example", acme));
  EXPECT_TRUE(IsInsideDomains("b@sub.acme.example", acme));
  EXPECT_TRUE(IsInsideDomains("C@ACME.EXAMPLE.", acme));
  EXPECT_TRUE(IsInsideDomains("\"x@evil.example\"@acme.example", acme));  // the last @ decides
  EXPECT_FALSE(IsInsideDomains("c@partner.example", acme));
  EXPECT_FALSE(IsInsideDomains("d@notacme.example", acme));
  EXPECT_FALSE(IsInsideDomains("e@acme.example.evil.example", acme));
  EXPECT_FALSE(IsInsideDomains("f@acme.example@evil.example", acme));
  EXPECT_FALSE(IsInsideDomains("acme.example", acme));
  EXPECT_FALSE(IsInsideDomains("g@", acme));
  EXPECT_FALSE(IsInsideDomains("h@acme.example", {}));
}

TEST_F(RulesTest, ConfidentialGoesInsideAndIsRefusedOutsideWithNothingWritten) {
  Start(Strict);
  sim::Inspector* inside = Compose("Inside", {"a@acme.example", "b@sub.acme.example"}, 2);
  ASSERT_TRUE(outlook.Send(inside));
  EXPECT_EQ(Numeric(inside->mail()), 2);
  EXPECT_TRUE(world.messageBoxes.empty());

  sim::Inspector* outside = Compose("Pricing", {"a@acme.example", "c@partner.example"}, 2);
  EXPECT_FALSE(outlook.Send(outside));
  ExpectRefusedUntouched(outside, "Pricing");
  ASSERT_EQ(world.messageBoxes.size(), 1u);
  EXPECT_NE(LastBox().find("classified CONFIDENTIAL. Above UNCLASSIFIED"), std::string::npos) << LastBox();
  EXPECT_NE(LastBox().find("c@partner.example"), std::string::npos) << LastBox();
  EXPECT_EQ(LastBox().find("a@acme.example"), std::string::npos) << LastBox();
  EXPECT_EQ(world.messageBoxes.back().type & 0xF, unsigned(MB_OK));
  // UNCLASSIFIED goes to anyone.
  DropDown(outside)->Choose(1);
  ASSERT_TRUE(outlook.Send(outside));
  EXPECT_EQ(Header(outside->mail()), "1 - UNCLASSIFIED");
  EXPECT_EQ(world.messageBoxes.size(), 1u);

  sim::Inspector* unknown = Compose("Notes", {"a@acme.example", "?Bob"}, 2);
  EXPECT_FALSE(outlook.Send(unknown));
  ExpectRefusedUntouched(unknown, "Notes");
  EXPECT_NE(LastBox().find("Bob (no address found)"), std::string::npos) << LastBox();
  outlook.Close(unknown);
}

TEST_F(RulesTest, ExchangeUsersAndListMembersAreCheckedByTheirSmtpAddresses) {
  Start(Strict);
  sim::Inspector* team = Compose("Team", {"ex:y@acme.example", "dl:team@acme.example=x@acme.example,ex:z@acme.example"}, 2);
  ASSERT_TRUE(outlook.Send(team)) << LastBox();
  // The entry's own SMTP property failing, the Exchange user's primary address answers.
  world.FailMember("GetProperty", E_FAIL);
  sim::Inspector* fallback = Compose("Fallback", {"ex:w@acme.example"}, 2);
  ASSERT_TRUE(outlook.Send(fallback)) << LastBox();
  world.ClearFaults();
  // A list is only as inside as its members, and the members of the lists within it.
  sim::Inspector* mixed = Compose("Mixed", {"dl:all@acme.example=x@acme.example,c@partner.example,dl:nested@acme.example"}, 3);
  EXPECT_FALSE(outlook.Send(mixed));
  ExpectRefusedUntouched(mixed, "Mixed");
  EXPECT_NE(LastBox().find("classified SECRET"), std::string::npos) << LastBox();
  EXPECT_NE(LastBox().find("c@partner.example"), std::string::npos) << LastBox();
  EXPECT_NE(LastBox().find("(its members could not be read)"), std::string::npos) << LastBox();  // nor the nested list's
  sim::Inspector* lookalike = Compose("Lookalike", {"e@acme.example.evil.example"}, 2);
  EXPECT_FALSE(outlook.Send(lookalike));
  outlook.Close(mixed);
  outlook.Close(lookalike);
  ExpectNothingLeftAtExit();
}

TEST_F(RulesTest, TheBoxListsTenOutsideAndCountsTheRest) {
  Start(Strict);
  sim::Inspector* w = Compose("Many", {}, 2);
  for (int i = 1; i <= 13; ++i) w->mail()->recipients->Add("p" + std::to_string(i) + "@partner.example", 2);
  EXPECT_FALSE(outlook.Send(w));
  EXPECT_EQ(Count(LastBox(), "@partner.example"), 10u) << LastBox();
  EXPECT_NE(LastBox().find("and 3 more"), std::string::npos) << LastBox();
  outlook.Close(w);
}

TEST_F(RulesTest, AWarningAsksAndOnlyYesSends) {
  Start([](SettingsDefaults& d) {
    Strict(d);
    d.ExternalRule = SendRule::Warn;
  });
  sim::Inspector* w = Compose("Pricing", {"c@partner.example"}, 2);
  world.answers = {IDNO};
  EXPECT_FALSE(outlook.Send(w));
  ExpectRefusedUntouched(w, "Pricing");
  EXPECT_EQ(world.messageBoxes.back().type & 0xF, unsigned(MB_YESNO));
  EXPECT_NE(LastBox().find("Send it to them at CONFIDENTIAL?"), std::string::npos) << LastBox();
  world.answers = {IDYES};
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(Numeric(w->mail()), 2);
  EXPECT_EQ(w->mail()->Subject(), "[CONFIDENTIAL] Pricing");
}

TEST_F(RulesTodayTest, AProgramsSendCannotBeAskedSoAWarningRefusesIt) {
  SessionLog::SetDefaultEnabled(true);
  Start([](SettingsDefaults& d) {
    Strict(d);
    d.ExternalRule = SendRule::Warn;
    d.DefaultLevel = 2;
  });
  sim::MailItem* m = world.Make<sim::MailItem>();
  m->subject = u"Report";
  m->body = u"All green.";
  m->recipients->Add("c@partner.example", 1);
  EXPECT_FALSE(outlook.SendByProgram(m));
  EXPECT_TRUE(world.messageBoxes.empty());
  EXPECT_EQ(m->Subject(), "Report");
  EXPECT_EQ(Numeric(m), -1);  // nothing written
  EXPECT_NE(LogText().find("a message nobody is shown cannot be asked"), std::string::npos) << LogText();
  // Inside, it goes.
  sim::MailItem* inside = world.Make<sim::MailItem>();
  inside->subject = u"Report";
  inside->recipients->Add("a@acme.example", 1);
  EXPECT_TRUE(outlook.SendByProgram(inside));
  EXPECT_EQ(Numeric(inside), 2);
}

TEST_F(RulesTest, WithoutTheRulesNothingIsAskedOrRead) {
  Start([](SettingsDefaults&) {});
  sim::Inspector* w = Compose("Pricing", {"c@partner.example", "?Bob"}, 3);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_TRUE(world.messageBoxes.empty());
  EXPECT_EQ(world.Calls("AddressEntry"), 0) << "the record counts the recipients; no address is looked up";
  sim::Inspector* read = outlook.Open(Receive(kSecret));
  sim::Inspector* reply = outlook.Respond(read, sim::Outlook::kReply);
  DropDown(reply)->Choose(1);
  ASSERT_TRUE(outlook.Send(reply));
  EXPECT_EQ(Numeric(reply->mail()), 1);
  EXPECT_TRUE(world.messageBoxes.empty());
}

// ---- answering below the answered level

TEST_F(RulesTest, ABlockedReplyNamesBothLevelsAndGoesAtTheAnsweredLevel) {
  Start([](SettingsDefaults& d) { d.DowngradeRule = SendRule::Block; });
  sim::Inspector* read = outlook.Open(Receive(kSecret));
  sim::Inspector* reply = outlook.Respond(read, sim::Outlook::kReply);
  ASSERT_NE(DropDown(reply), nullptr);
  EXPECT_EQ(DropDown(reply)->listIndex, 3);
  DropDown(reply)->Choose(1);
  EXPECT_FALSE(outlook.Send(reply));
  ExpectRefusedUntouched(reply, "RE: Budget");
  EXPECT_NE(LastBox().find("answers a message classified SECRET, and its own level, UNCLASSIFIED, is lower"),
            std::string::npos) << LastBox();
  DropDown(reply)->Choose(3);
  ASSERT_TRUE(outlook.Send(reply));
  EXPECT_EQ(Header(reply->mail()), "3 - SECRET");
  EXPECT_EQ(world.messageBoxes.size(), 1u);
}

TEST_F(RulesTest, AWarnedReplyStaysOnNoAndGoesOnYes) {
  Start([](SettingsDefaults& d) { d.DowngradeRule = SendRule::Warn; });
  sim::Inspector* read = outlook.Open(Receive(kSecret));
  sim::Inspector* forward = outlook.Respond(read, sim::Outlook::kForward);
  DropDown(forward)->Choose(2);
  EXPECT_FALSE(outlook.Send(forward));  // no answer given: No
  ExpectRefusedUntouched(forward, "FW: Budget");
  EXPECT_NE(LastBox().find("Send it at CONFIDENTIAL?"), std::string::npos) << LastBox();
  world.answers = {IDYES};
  ASSERT_TRUE(outlook.Send(forward));
  EXPECT_EQ(Header(forward->mail()), "2 - CONFIDENTIAL");
}

TEST_F(RulesTest, TheAnsweredLevelStaysWithADraftClosedAndSentLater) {
  Start([](SettingsDefaults& d) { d.DowngradeRule = SendRule::Block; });
  sim::Inspector* read = outlook.Open(Receive(kSecret));
  sim::Inspector* reply = outlook.Respond(read, sim::Outlook::kReplyAll);
  sim::MailItem* draft = reply->mail();
  DropDown(reply)->Choose(1);
  outlook.Close(reply);
  outlook.Close(read);
  // The next day: the add-in was restarted, and the draft is opened from the Drafts folder.
  outlook.Shutdown();
  world.DropAllSinks();
  StartOutlook();
  sim::Inspector* again = outlook.Open(draft);
  ASSERT_NE(DropDown(again), nullptr);
  EXPECT_EQ(DropDown(again)->listIndex, 1);
  EXPECT_FALSE(outlook.Send(again));
  EXPECT_NE(LastBox().find("classified SECRET"), std::string::npos) << LastBox();
  DropDown(again)->Choose(3);
  EXPECT_TRUE(outlook.Send(again));
}

TEST_F(RulesTest, TheMainWindowsButtonsCarryTheAnsweredLevel) {
  Start([](SettingsDefaults& d) { d.DowngradeRule = SendRule::Block; });
  outlook.Select({Receive(kSecret)});
  sim::Inspector* reply = outlook.ClickInExplorer("Reply");
  ASSERT_NE(reply, nullptr);
  DropDown(reply)->Choose(2);
  EXPECT_FALSE(outlook.Send(reply));
  EXPECT_NE(LastBox().find("classified SECRET"), std::string::npos) << LastBox();
  outlook.Close(reply);
}

TEST_F(RulesTodayTest, AnInlineReplyIsHeldToItsAnsweredLevelOnTheRibbon) {
  Start([](SettingsDefaults& d) {
    d.DowngradeRule = SendRule::Block;
    Strict(d);
  });
  outlook.Select({Receive(kSecret)});
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_NE(reply, nullptr);
  reply->recipients->Add("a@acme.example", 1);
  ASSERT_TRUE(outlook.ribbon()->Choose(outlook.app()->activeExplorer, "Microsoft.Outlook.Explorer", "OrvanLevel", 0));
  EXPECT_FALSE(outlook.SendInline());
  EXPECT_EQ(reply->message->saves, 0);
  EXPECT_EQ(reply->Subject(), "RE: Budget");
  EXPECT_NE(LastBox().find("classified SECRET"), std::string::npos) << LastBox();
  ASSERT_TRUE(outlook.ribbon()->Choose(outlook.app()->activeExplorer, "Microsoft.Outlook.Explorer", "OrvanLevel", 2));
  ASSERT_TRUE(outlook.SendInline());
  EXPECT_EQ(Numeric(reply), 3);
}

TEST_F(RulesTodayTest, AnInlineResponseStampedAtItemSendIsAskedAsItsSender) {
  Start([](SettingsDefaults& d) { d.DowngradeRule = SendRule::Warn; });
  outlook.undocumented.inlineItemSendFires = false;  // only Application.ItemSend hears it
  outlook.Select({Receive(kSecret)});
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kForward);
  ASSERT_NE(reply, nullptr);
  ASSERT_TRUE(outlook.ribbon()->Choose(outlook.app()->activeExplorer, "Microsoft.Outlook.Explorer", "OrvanLevel", 0));
  EXPECT_FALSE(outlook.SendInline());
  ASSERT_EQ(world.messageBoxes.size(), 1u);
  world.answers = {IDYES};
  EXPECT_TRUE(outlook.SendInline());
  EXPECT_EQ(Numeric(reply), 1);
}

// ---- meeting and task requests

// A meeting request as it arrives, classified at the level named.
std::string MeetingRequest(const char* level) {
  return std::string("Subject: Board\r\nContent-Class: urn:content-classes:calendarmessage\r\nX-Orvan-classification: ") +
         level + "\r\n\r\nAgenda.";
}

TEST_F(RulesTodayTest, MeetingAndTaskRequestsLeaveClassifiedWithTheirBodiesAsTheyWere) {
  Start([](SettingsDefaults&) {});
  for (long itemClass : {53L, 54L, 56L, 49L, 51L}) {
    sim::MailItem* m = world.Make<sim::MailItem>(itemClass);
    m->subject = u"Quarterly review";
    m->body = u"Agenda: the numbers.";
    world.ResetCounts();
    ASSERT_TRUE(outlook.SendByProgram(m)) << itemClass;
    EXPECT_EQ(Numeric(m), 1) << itemClass;
    EXPECT_EQ(Header(m), "1 - UNCLASSIFIED") << itemClass;
    EXPECT_EQ(m->Subject(), "[UNCLASSIFIED] Quarterly review") << itemClass;
    EXPECT_EQ(m->Body(), "Agenda: the numbers.") << itemClass;
    EXPECT_FALSE(m->richTextFlattened) << itemClass;
    EXPECT_EQ(world.Calls("HTMLBody") + world.Calls("BodyFormat") + world.Calls("Body"), 0) << itemClass;
  }
}

TEST_F(RulesTodayTest, AReplyToASecretMeetingRequestStartsAtSecret) {
  Start([](SettingsDefaults& d) { d.DowngradeRule = SendRule::Block; });
  sim::MailItem* meeting = Receive(MeetingRequest("3 - SECRET"));
  ASSERT_EQ(meeting->itemClass, 53);
  outlook.Select({meeting});
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(Numeric(reply), 3);  // carried at once, before it is sent
  ASSERT_TRUE(outlook.SendInline());
  EXPECT_EQ(Header(reply), "3 - SECRET");
  // Its forward is a meeting request, carried at SECRET too, and held to it.
  sim::MailItem* forward = outlook.RespondInline(sim::Outlook::kForward);
  ASSERT_NE(forward, nullptr);
  EXPECT_EQ(forward->itemClass, 53);
  ASSERT_TRUE(outlook.SendInline());
  EXPECT_EQ(Header(forward), "3 - SECRET");
  EXPECT_EQ(forward->Subject(), "[SECRET] FW: Board");
  EXPECT_FALSE(forward->richTextFlattened);
}

TEST_F(RulesTest, TheClassicReplyButtonCarriesAMeetingRequestsLevel) {
  Start([](SettingsDefaults&) {});
  outlook.Select({Receive(MeetingRequest("2 - CONFIDENTIAL"))});
  sim::Inspector* reply = outlook.ClickInExplorer("Reply");
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(DropDown(reply)->listIndex, 2);
  outlook.Close(reply);
}

TEST_F(RulesTest, AMeetingRequestsReadWindowShowsItsLevelAndItsReplyStartsThere) {
  Start([](SettingsDefaults&) {});
  sim::Inspector* read = outlook.Open(Receive(MeetingRequest("3 - SECRET")));
  ASSERT_NE(read->ClassificationBar(), nullptr);
  sim::Inspector* reply = outlook.Respond(read, sim::Outlook::kReply);
  ASSERT_NE(DropDown(reply), nullptr);
  EXPECT_EQ(DropDown(reply)->listIndex, 3);
  ASSERT_TRUE(outlook.Send(reply));
  EXPECT_EQ(Header(reply->mail()), "3 - SECRET");
  sim::Inspector* forward = outlook.Respond(read, sim::Outlook::kForward);
  ASSERT_EQ(forward->mail()->itemClass, 53);
  EXPECT_EQ(DropDown(forward)->listIndex, 3);
  ASSERT_TRUE(outlook.Send(forward));
  EXPECT_EQ(forward->mail()->Subject(), "[SECRET] FW: Board");
  EXPECT_FALSE(forward->mail()->richTextFlattened);
  EXPECT_EQ(forward->mail()->Body(), "Agenda.");
  outlook.Close(read);
  ExpectNothingLeftAtExit();
}

TEST_F(RulesTodayTest, AMeetingRequestsReadWindowShowsItsLevelOnTheRibbonAsAMessagesDoes) {
  Start([](SettingsDefaults&) {});
  auto label = [&](sim::Inspector* w) {
    auto shown = outlook.ribbon()->Show(w, "Microsoft.Outlook.Mail.Read", "TabReadMessage");
    return shown.size() == 1 ? shown[0].label : std::string("(no control)");
  };
  sim::Inspector* read = outlook.Open(Receive(MeetingRequest("3 - SECRET")));
  EXPECT_EQ(label(read), "Classification: SECRET");
  outlook.ShowInWindow(read, Receive("Subject: Lunch\r\n\r\nSoup."));
  EXPECT_EQ(label(read), "Classification: (none)");
  outlook.ShowInWindow(read, Receive(MeetingRequest("3 - SECRET")));
  EXPECT_EQ(label(read), "Classification: SECRET");
  outlook.Close(read);
  ExpectNothingLeftAtExit();
}

}  // namespace
