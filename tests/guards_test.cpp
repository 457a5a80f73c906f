// No way around the guards: every path a message leaves by meets the same decision, at
// every attempt, on what the message holds then; the marks are made once, by what the
// message holds; every way a level is carried carries it; the add-in lives as long as
// Outlook; and what cannot be read holds a rule at its strictest. Each test is one promise.
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::Count;
using testing_support::DropDown;
using testing_support::Header;
using testing_support::Numeric;
using testing_support::SetPolicy;

namespace {

const char kSecret[] = "Subject: Merger terms\r\nX-Orvan-classification: 3 - SECRET\r\n\r\nThe terms.";
const char kLunch[] = "Subject: Lunch\r\n\r\nAt one.";
const char kMark[] = "Classification: CONFIDENTIAL";

class Guards : public AddInTest {
 protected:
  explicit Guards(sim::Outlook::Version v = sim::Outlook::Version::Classic) : AddInTest(v) {}
  // Group Policy, as an administrator sets it: the machine's values.
  static void Policy(const char* name, const std::string& text) { SetPolicy(HKEY_LOCAL_MACHINE, name, text); }
  static void Policy(const char* name, DWORD number) { SetPolicy(HKEY_LOCAL_MACHINE, name, number); }
  // The strict policy of the examples: answers never below their level, and above
  // UNCLASSIFIED only to acme.example.
  void StartStrict(const std::string& rule = "block") {
    Policy("DowngradeRule", rule);
    Policy("InternalDomains", "acme.example");
    Policy("ExternalMaxLevel", 1);
    Policy("ExternalRule", rule);
    StartOutlook();
  }
  sim::MailItem* Receive(const std::string& eml) {
    std::string error;
    sim::MailItem* m = outlook.Receive(eml, &error);
    EXPECT_NE(m, nullptr) << error;
    return m;
  }
  // Another add-in stops the next Send, after this one let it go.
  void StopNextSend() {
    auto once = std::make_shared<bool>(true);
    outlook.otherAddInItemSend = [once](sim::MailItem*) { return std::exchange(*once, false); };
  }
  // "Plans" at CONFIDENTIAL, marked and stamped by a Send another add-in stopped; its
  // window closed, as a draft waits in Drafts.
  sim::MailItem* StoppedDraft() {
    sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
    DropDown(w)->Choose(2);
    StopNextSend();
    EXPECT_FALSE(outlook.Send(w));
    sim::MailItem* draft = w->mail();
    outlook.Close(w);
    return draft;
  }
  std::string LastBox() const { return world.messageBoxes.empty() ? "(no box)" : world.messageBoxes.back().text; }
};

class GuardsToday : public Guards {
 protected:
  GuardsToday() : Guards(sim::Outlook::Version::Today) {}
};

// A Send that another add-in stopped proves nothing about the next one: the rules run again
// on the recipients and level the message has then, from a window or inline.
TEST_F(GuardsToday, TheRulesRunAtEveryAttemptWhateverAnEarlierOneMarked) {
  StartStrict();
  sim::Inspector* w = outlook.Compose(1, "Partner pricing", "The figures.");
  w->mail()->recipients->Add("a@acme.example", 1);
  DropDown(w)->Choose(2);
  StopNextSend();
  EXPECT_FALSE(outlook.Send(w));  // let go by the add-in, stopped by the other one
  EXPECT_EQ(Count(w->mail()->Body(), kMark), 2u);
  w->mail()->recipients->Add("c@partner.example", 1);
  EXPECT_FALSE(outlook.Send(w));
  EXPECT_NE(LastBox().find("c@partner.example"), std::string::npos) << LastBox();
  outlook.Close(w);

  outlook.Select({Receive(kLunch)});
  sim::MailItem* inlineReply = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_NE(inlineReply, nullptr);
  ASSERT_TRUE(outlook.ribbon()->Choose(outlook.app()->activeExplorer, "Microsoft.Outlook.Explorer", "OrvanLevel", 1));
  StopNextSend();
  EXPECT_FALSE(outlook.SendInline());
  inlineReply->recipients->Add("c@partner.example", 1);
  const size_t boxes = world.messageBoxes.size();
  EXPECT_FALSE(outlook.SendInline());
  EXPECT_EQ(world.messageBoxes.size(), boxes + 1);
  EXPECT_TRUE(outlook.sentMail.empty());
}

// A Send whose stamp cannot be written, then stopped by another add-in: the add-in holds
// nothing of the message afterwards (the host's audit of every Send would say so).
TEST_F(Guards, NothingIsHeldAfterAStoppedSendWhoseStampCouldNotBeWritten) {
  StartOutlook();
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  world.FailMember("SaveChanges", MAPI_E_NO_ACCESS);  // no entry id, and no save of anything
  StopNextSend();
  EXPECT_FALSE(outlook.Send(w));
  world.ClearFaults();
  EXPECT_TRUE(world.Violations().empty()) << world.Violations().front();
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(Count(w->mail()->Body(), "Classification: UNCLASSIFIED"), 2u) << w->mail()->Body();
}

// Under warn, whoever Outlook shows the message to is asked, whether or not the add-in had
// a handler there; only a message nobody is shown is refused without a word.
TEST_F(GuardsToday, AWarningAsksWhoeverOutlookShowsTheMessageTo) {
  StartStrict("warn");
  outlook.Untick();
  sim::Inspector* w = outlook.Compose(1, "Pricing", "The figures.");  // opened while the add-in was off
  ASSERT_EQ(outlook.Tick(), S_OK);
  w->mail()->recipients->Add("c@partner.example", 1);
  ASSERT_TRUE(outlook.ribbon()->Choose(w, "Microsoft.Outlook.Mail.Compose", "OrvanLevel", 1));
  world.answers = {IDYES};
  ASSERT_TRUE(outlook.Send(w));
  ASSERT_EQ(world.messageBoxes.size(), 1u);
  EXPECT_EQ(world.messageBoxes[0].answer, IDYES);
  EXPECT_EQ(Header(w->mail()), "2 - CONFIDENTIAL");

  // A meeting request from outside, accepted and sent at once: nobody is shown the response.
  sim::MailItem* request =
      Receive("Subject: Board\r\nContent-Class: urn:content-classes:calendarmessage\r\nX-Orvan-classification: 2 - X"
              "\r\n\r\nAgenda.");
  request->organizer = "c@partner.example";
  outlook.Select({request});
  bool went = true;
  sim::MailItem* response = outlook.RespondToMeeting(request, sim::Outlook::kAccept, false, &went);
  ASSERT_NE(response, nullptr);
  EXPECT_FALSE(went);
  EXPECT_EQ(world.messageBoxes.size(), 1u);
}

// Marks are recognised by what the message holds, not by its entry id: a message stopped,
// moved in the store and sent carries one pair; a copy resent at another level carries that
// level's pair alone; marks quoted from an answered message stay.
TEST_F(Guards, MarksAreMadeOnceByWhatTheMessageHolds) {
  StartOutlook();
  sim::MailItem* draft = StoppedDraft();
  const std::string before = draft->message->EntryId();
  outlook.MoveInStore(draft);
  EXPECT_NE(draft->message->EntryId(), before);
  ASSERT_TRUE(outlook.Send(outlook.Open(draft)));
  const std::string mark = std::string(kMark) + "  (for more info visit http://www.orvan.example/classify)";
  EXPECT_EQ(draft->Body(), mark + "\n\nNumbers\n" + mark);

  sim::Inspector* copy = outlook.Resend(draft);
  EXPECT_EQ(DropDown(copy)->listIndex, 2);
  DropDown(copy)->Choose(3);
  ASSERT_TRUE(outlook.Send(copy));
  const std::string secret = "Classification: SECRET  (for more info visit http://www.orvan.example/classify)";
  EXPECT_EQ(copy->mail()->Body(), secret + "\n\nNumbers\n" + secret);
  EXPECT_EQ(copy->mail()->Subject(), "[SECRET] Plans");

  // A reply quotes the sent message whole, its marks with it.
  sim::MailItem* received = Receive(std::string("Subject: Plans\r\n\r\n") + mark + "\n\nNumbers\n" + mark);
  sim::Inspector* reader = outlook.Open(received);
  sim::Inspector* reply = outlook.Respond(reader, sim::Outlook::kReply);
  ASSERT_TRUE(outlook.Send(reply));
  const std::string unclassified = "Classification: UNCLASSIFIED  (for more info visit http://www.orvan.example/classify)";
  EXPECT_EQ(reply->mail()->Body(), unclassified + "\n\n" + mark + "\n\nNumbers\n" + mark + "\n" + unclassified);
  outlook.Close(reader);
  ExpectNothingLeftAtExit();
}

// A draft stamped before the stamp recorded its marks (it held the message's entry id) has
// the marks of whichever level stands at their places taken for the add-in's, though another
// level was chosen since; a stamp that cannot be read has none, so nothing is taken out of
// the text, and the log says why.
TEST_F(Guards, AnOlderStampsMarksGoWhateverLevelTheyAreAndAnUnreadableStampTakesNothingOut) {
  SessionLog::SetDefaultEnabled(true);
  StartOutlook();
  sim::MailItem* draft = StoppedDraft();
  draft->message->SetNamedBinary(PS_PUBLIC_STRINGS_ID, "OrvanClassify-Stamped", draft->message->EntryId());
  sim::Inspector* again = outlook.Open(draft);
  DropDown(again)->Choose(3);
  ASSERT_TRUE(outlook.Send(again));
  const std::string secret = "Classification: SECRET  (for more info visit http://www.orvan.example/classify)";
  EXPECT_EQ(draft->Body(), secret + "\n\nNumbers\n" + secret);

  sim::Inspector* copy = outlook.Resend(draft);
  copy->mail()->message->SetNamedBinary(PS_PUBLIC_STRINGS_ID, "OrvanClassify-Stamped", std::string("OCS2\xff", 5));
  ASSERT_TRUE(outlook.Send(copy));
  EXPECT_EQ(copy->mail()->Body(), secret + "\n\n" + secret + "\n\nNumbers\n" + secret + "\n" + secret);
  EXPECT_EQ(copy->mail()->Subject(), "[SECRET] Plans");
  EXPECT_NE(LogText().find("The message's stamp could not be read"), std::string::npos);
  ExpectNothingLeftAtExit();
}

// Today's Forward of several messages answers all of them (read as classic reads them);
// past the messages read it starts at the highest level but answers nothing it never read.
TEST_F(GuardsToday, AnAnswerToSeveralSelectedStartsAtTheHighestItRead) {
  StartStrict();
  sim::MailItem* lunch = Receive(kLunch);
  sim::MailItem* secret = Receive(kSecret);
  outlook.Select({lunch, secret});
  sim::Inspector* forward = outlook.ClickInExplorer("Forward");
  ASSERT_NE(forward, nullptr);
  EXPECT_EQ(DropDown(forward)->listIndex, 3);
  DropDown(forward)->Choose(1);
  EXPECT_FALSE(outlook.Send(forward));
  EXPECT_NE(LastBox().find("answers a message classified SECRET"), std::string::npos) << LastBox();
  outlook.Close(forward);

  std::vector<sim::DispatchObject*> many;
  for (int i = 0; i < 40; ++i) many.push_back(Receive(kLunch));
  outlook.Select(many);
  sim::Inspector* wide = outlook.ClickInExplorer("Forward");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(DropDown(wide)->listIndex, 3);
  DropDown(wide)->Choose(1);  // answering nothing read above UNCLASSIFIED, it may go lower
  EXPECT_TRUE(outlook.Send(wide)) << LastBox();
}

// Accept, Decline or Tentative start at the request's level, sent at once or edited, and the
// request's own mark stays in the subject.
TEST_F(Guards, AMeetingsResponsesStartAtTheRequestsLevel) {
  StartOutlook();
  sim::MailItem* request =
      Receive("Subject: [SECRET] Board\r\nContent-Class: urn:content-classes:calendarmessage\r\n"
              "X-Orvan-classification: 3 - SECRET\r\n\r\nAgenda.");
  sim::Inspector* reader = outlook.Open(request);
  bool went = false;
  sim::MailItem* now = outlook.RespondToMeeting(request, sim::Outlook::kAccept, false, &went);
  ASSERT_TRUE(went);
  EXPECT_EQ(Header(now), "3 - SECRET");
  EXPECT_EQ(now->Subject(), "[SECRET] Accepted: Board");
  sim::MailItem* edited = outlook.RespondToMeeting(request, sim::Outlook::kTentative, true, &went);
  sim::Inspector* w = outlook.app()->inspectors->windows.back();
  ASSERT_EQ(w->item, edited);
  ASSERT_NE(DropDown(w), nullptr);
  EXPECT_EQ(DropDown(w)->listIndex, 3);
  DropDown(w)->Choose(1);  // no rule here: the sender may go lower, and the request's mark stays
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(edited->Subject(), "[UNCLASSIFIED] Tentative: [SECRET] Board");
  outlook.Close(reader);
  ExpectNothingLeftAtExit();
}

// Outlook goes on while any window of any item is open: the add-in ends with the last one.
TEST_F(Guards, TheAddInLivesAsLongAsOutlookShowsAnyWindow) {
  StartOutlook();
  sim::Inspector* task = outlook.Open(world.Make<sim::OtherItem>(48));
  outlook.CloseExplorer();
  EXPECT_FALSE(Context().Ended());
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  ASSERT_NE(DropDown(w), nullptr);
  DropDown(w)->Choose(2);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(Header(w->mail()), "2 - CONFIDENTIAL");
  EXPECT_FALSE(Context().Ended());
  outlook.Close(task);
  EXPECT_TRUE(Context().Ended());
  EXPECT_EQ(world.AdvisedSinks(), 0u);
  ExpectNothingLeftAtExit();
}

// A rule value an administrator set but that cannot be used holds the rule at its
// strictest; one in another letter case or with blanks reads as written; Group Policy's
// level list is split at semicolons alone.
TEST_F(Guards, BadRuleValuesHoldTheRulesAtTheirStrictest) {
  Policy("Levels", "UNCLASSIFIED;CONFIDENTIAL;SECRET//REL TO USA, GBR");
  Policy("DowngradeRule", " Warn ");
  Policy("ExternalRule", "");
  Policy("ExternalMaxLevel", "1");  // a text where a number belongs
  Policy("InternalDomains", "acme.example");
  StartOutlook();
  const ClassificationSettings& s = *Context().Settings();
  EXPECT_EQ(s.Levels, (std::vector<std::string>{"UNCLASSIFIED", "CONFIDENTIAL", "SECRET//REL TO USA, GBR"}));
  EXPECT_EQ(s.DowngradeRule, SendRule::Warn);
  EXPECT_EQ(s.ExternalRule, SendRule::Block);
  EXPECT_EQ(s.ExternalMaxLevel, 1);
  ASSERT_EQ(world.events.size(), 2u);
  EXPECT_NE(world.events[0].text.find("holds at its strictest; ExternalMaxLevel is 1"), std::string::npos)
      << world.events[0].text;
}

// Recipients that cannot be shown to be inside count as outside: a list whose members
// cannot be read, lists within lists past three, a mail user whose mail goes elsewhere.
TEST_F(Guards, RecipientsThatMayReachOutsideCountAsOutside) {
  StartStrict();
  for (const char* to : {"dl:dynamic@acme.example", "dl:a@acme.example=dl:b@acme.example=[dl:c@acme.example=[d@partner.example]]",
                         "dl:a@acme.example=dl:b@acme.example=[dl:c@acme.example=[dl:d@acme.example=[x@acme.example]]]",
                         "ex:f@acme.example>f@partner.example"}) {
    sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
    ASSERT_TRUE(w->mail()->recipients->Add(to, 1)) << to;
    DropDown(w)->Choose(2);
    EXPECT_FALSE(outlook.Send(w)) << to;
    outlook.Close(w);
  }
  EXPECT_NE(LastBox().find("f@partner.example"), std::string::npos) << LastBox();
  sim::Inspector* inside = outlook.Compose(1, "Plans", "Numbers");
  inside->mail()->recipients->Add("dl:a@acme.example=dl:b@acme.example=[dl:c@acme.example=[x@acme.example]]", 1);
  DropDown(inside)->Choose(2);
  EXPECT_TRUE(outlook.Send(inside)) << LastBox();
}

// Where both rules refuse and no level satisfies both, one box says so.
TEST_F(Guards, WhereNoLevelSatisfiesBothRulesOneBoxSaysSo) {
  StartStrict();
  sim::Inspector* reader = outlook.Open(Receive(kSecret));
  sim::Inspector* reply = outlook.Respond(reader, sim::Outlook::kReply);
  reply->mail()->recipients->Add("c@partner.example", 1);
  DropDown(reply)->Choose(2);  // below SECRET, and above what may go outside
  EXPECT_FALSE(outlook.Send(reply));
  ASSERT_EQ(world.messageBoxes.size(), 1u);
  EXPECT_NE(LastBox().find("No level lets it go to them: remove them to send it."), std::string::npos) << LastBox();
  outlook.Close(reply);
  outlook.Close(reader);
}

}  // namespace
