// The Outlook people run today (2013 to Microsoft 365): the level on the ribbon, replies
// written inline in the reading pane, the main window's commands on the ribbon, fast
// shutdown, and every message that leaves classified however it was sent.
#include "server/registration.h"
#include "sim/ribbon.h"
#include "sim/transport.h"
#include "test_support.h"

using testing_support::Count;
using testing_support::DropDown;
using testing_support::Header;
using testing_support::Numeric;

namespace {

class Today : public testing_support::TodayTest {
 protected:
  std::vector<std::string> TrackedClasses() const {
    std::vector<std::string> out;
    for (const auto& e : Context().Tracker()->Entries()) out.push_back(e.ClassName);
    return out;
  }
};

TEST_F(Today, EveryRibbonOfTheAddInPassesTheSchemaAndShowsTheLevels) {
  ASSERT_NE(outlook.ribbon(), nullptr);
  EXPECT_TRUE(outlook.ribbon()->Customized(kExplorer)) << outlook.ribbon()->Ignored(kExplorer);
  sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>x</body></html>");
  EXPECT_TRUE(outlook.ribbon()->Customized(kCompose)) << outlook.ribbon()->Ignored(kCompose);
  sim::Ribbon::Shown level = RibbonLevel(w);
  EXPECT_EQ(level.label, "Classification:");
  EXPECT_EQ(level.items, (std::vector<std::string>{"UNCLASSIFIED", "CONFIDENTIAL", "SECRET"}));
  EXPECT_EQ(level.selected, 0);
  sim::Inspector* r = outlook.Open(Received(2));
  EXPECT_TRUE(outlook.ribbon()->Customized(kRead)) << outlook.ribbon()->Ignored(kRead);
  EXPECT_EQ(RibbonLevel(r).label, "Classification: CONFIDENTIAL");
}

TEST_F(Today, ChoiceOnTheRibbonIsWrittenAndTheBarAndRibbonNeverDisagree) {
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  ASSERT_TRUE(ChooseOnRibbon(w, 2));
  EXPECT_EQ(Numeric(w->mail()), 3);
  EXPECT_EQ(Header(w->mail()), "3 - SECRET");
  EXPECT_EQ(w->mail()->message->saves, 0);
  EXPECT_EQ(DropDown(w)->listIndex, 3) << "the bar shows the ribbon's choice";
  DropDown(w)->Choose(2);
  EXPECT_EQ(RibbonLevel(w).selected, 1) << "the ribbon shows the bar's choice";
  EXPECT_EQ(Numeric(w->mail()), 2);
  // Another window keeps its own level.
  sim::Inspector* other = outlook.Compose(1, "Other", "x");
  EXPECT_EQ(RibbonLevel(other).selected, 0);
  ASSERT_TRUE(outlook.Send(w));
  ExpectStampedOnce(w->mail(), 2, "CONFIDENTIAL");
}

TEST_F(Today, ReplyInTheReadingPaneToASecretMessageLeavesWithSecretMarksAndBothProperties) {
  outlook.Select({Received(3)});
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(RibbonLevel(nullptr).selected, 2) << "SECRET on the inline response's ribbon";
  EXPECT_EQ(Numeric(reply), 3);
  EXPECT_NE(std::find(TrackedClasses().begin(), TrackedClasses().end(), "CInlineResponse"), TrackedClasses().end());
  ASSERT_TRUE(outlook.SendInline());
  ExpectStampedOnce(reply, 3, "SECRET");
  EXPECT_EQ(reply->Subject(), "[SECRET] RE: Budget");
  EXPECT_EQ(std::find(TrackedClasses().begin(), TrackedClasses().end(), "CInlineResponse"), TrackedClasses().end());
  std::string eml = sim::WriteEml(*reply);
  EXPECT_NE(eml.find("\r\nX-Orvan-classification: 3 - SECRET\r\n"), std::string::npos);
}

TEST_F(Today, EveryWayOfSendingLeavesWithALevelAndNoneIsMarkedTwice) {
  // Inline, under each reading of what Outlook leaves undocumented.
  for (bool itemSend : {true, false})
    for (bool applicationItemSend : {true, false}) {
      outlook.undocumented.inlineItemSendFires = itemSend;
      outlook.undocumented.itemSendForInline = applicationItemSend;
      outlook.Select({Received(2)});
      sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kForward);
      ASSERT_NE(reply, nullptr);
      ASSERT_TRUE(outlook.SendInline());
      EXPECT_EQ(Numeric(reply), 2) << itemSend << applicationItemSend;
      EXPECT_EQ(Header(reply), "2 - CONFIDENTIAL") << itemSend << applicationItemSend;
      if (itemSend || applicationItemSend) ExpectStampedOnce(reply, 2, "CONFIDENTIAL");
      else EXPECT_EQ(Count(reply->SentBody(), "Classification:"), 0u) << "nothing of Send reaches the add-in";
    }
  outlook.undocumented = sim::Outlook::Undocumented();
  // A compose window, a popped-out inline response, and another program's Send().
  sim::Inspector* w = outlook.Compose(2, "Window", "<html><body>x</body></html>");
  ASSERT_TRUE(outlook.Send(w));
  ExpectStampedOnce(w->mail(), 1, "UNCLASSIFIED");
  outlook.Select({Received(3)});
  ASSERT_NE(outlook.RespondInline(sim::Outlook::kReplyAll), nullptr);
  sim::Inspector* popped = outlook.PopOut();
  ASSERT_NE(popped, nullptr);
  EXPECT_EQ(DropDown(popped)->listIndex, 3);
  ASSERT_TRUE(outlook.Send(popped));
  ExpectStampedOnce(popped->mail(), 3, "SECRET");
  sim::MailItem* program = world.Make<sim::MailItem>();
  program->subject = u"Nightly report";
  program->body = u"All green.";
  ASSERT_TRUE(outlook.SendByProgram(program));
  ExpectStampedOnce(program, 1, "UNCLASSIFIED");
  // Stopped after stamping, then sent again: still one mark.
  outlook.otherAddInItemSend = [](sim::MailItem*) { return true; };
  sim::MailItem* again = world.Make<sim::MailItem>();
  again->subject = u"Again";
  again->body = u"x";
  EXPECT_FALSE(outlook.SendByProgram(again));
  outlook.otherAddInItemSend = nullptr;
  ASSERT_TRUE(outlook.SendByProgram(again));
  ExpectStampedOnce(again, 1, "UNCLASSIFIED");
}

TEST_F(Today, RequiredSelectionRefusesAnInlineResponseUntilALevelIsChosen) {
  outlook.Shutdown();
  ClassificationSettings::NextDefaults().RequireSelection = true;
  outlook.OpenExplorer();  // the fixture's closed at its shutdown
  StartOutlook();
  outlook.Select({Received(0, "No level")});
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(RibbonLevel(nullptr).selected, 3) << "the prompt entry";
  EXPECT_FALSE(outlook.SendInline());
  ASSERT_EQ(world.messageBoxes.size(), 1u);
  EXPECT_EQ(world.messageBoxes[0].text, "Please select Classification level");
  EXPECT_EQ(reply->Subject(), "RE: No level");
  ASSERT_TRUE(ChooseOnRibbon(nullptr, 1));
  ASSERT_TRUE(outlook.SendInline());
  ExpectStampedOnce(reply, 2, "CONFIDENTIAL");
  // A program's message without a level, when the policy requires one: refused the same way.
  sim::MailItem* program = world.Make<sim::MailItem>();
  program->subject = u"Nightly";
  program->body = u"x";
  EXPECT_FALSE(outlook.SendByProgram(program));
  EXPECT_EQ(world.messageBoxes.size(), 2u);
  EXPECT_EQ(program->Subject(), "Nightly");
}

TEST_F(Today, MainWindowCommandsCarryTheLevelThroughTheItemsOwnEvents) {
  sim::MailItem* secret = Received(3);
  outlook.Select({secret});
  sim::Inspector* reply = outlook.ClickInExplorer("Reply");
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(DropDown(reply)->listIndex, 3);
  EXPECT_EQ(outlook.app()->activeExplorer->Button("Reply")->SinkCount(IID__CommandBarButtonEvents), 1u)
      << "the Standard bar's buttons are watched, and never clicked";
  EXPECT_EQ(Context().CarriedLevel(), 0);
  // Moving to another message stops watching the first.
  outlook.Select({Received(1)});
  EXPECT_EQ(secret->SinkCount(IID_ItemEvents_10), 0u);
}

TEST_F(Today, InlineResponseEndsWhenOutlookClosesIt) {
  outlook.Select({Received(2)});
  sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReply);
  ASSERT_NE(reply, nullptr);
  outlook.DiscardInline();
  EXPECT_TRUE(TrackedClasses().empty()) << ::testing::PrintToString(TrackedClasses());
  EXPECT_EQ(reply->SinkCount(IID_ItemEvents_10), 0u);
  ASSERT_NE(outlook.RespondInline(sim::Outlook::kReply), nullptr);
  outlook.Select({Received(1)});  // another message: InlineResponseClose
  EXPECT_TRUE(TrackedClasses().empty()) << ::testing::PrintToString(TrackedClasses());
  ASSERT_NE(outlook.RespondInline(sim::Outlook::kReply), nullptr);
  outlook.SwitchFolder();
  EXPECT_TRUE(TrackedClasses().empty()) << ::testing::PrintToString(TrackedClasses());
  ExpectNothingLeftAtExit();
}

TEST_F(Today, AtExitThePlacementIsWrittenAndWindowsStillOpenEndWithOrWithoutNotification) {
  for (bool registered : {true, false}) {
    outlook.Shutdown();
    portable_registry::Clear();
    if (registered) {
      ASSERT_EQ(DllRegisterServer(), S_OK);
    }
    SessionLog::SetDefaultEnabled(true);
    StartOutlook();
    sim::Inspector* a = outlook.Compose(1, "moved", "x");
    a->ClassificationBar()->Move(3, 4, 1, 5);
    outlook.Close(a);
    sim::Inspector* open = outlook.Compose(1, "still open", "y");
    outlook.Shutdown();
    EXPECT_EQ(open->ClassificationBar(), nullptr) << registered;
    EXPECT_EQ(world.AdvisedSinks(), 0u) << registered;
    EXPECT_EQ(LogText().find("Leaked object"), std::string::npos) << registered;
    EXPECT_NE(LogText().find("</html>"), std::string::npos) << registered;
    EXPECT_NE(portable_registry::Export().find("\"CommandBarRowIndex\"=dword:00000005"), std::string::npos) << registered;
    outlook.CloseAll();
    world.DropAllSinks();
    std::filesystem::remove_all(appdata.path() / "Orvan_Classify");
  }
}

TEST_F(Today, RibbonOnlyPolicyBuildsNoBarWhereOutlookHasARibbon) {
  outlook.Shutdown();
  ClassificationSettings::NextDefaults().UI = LevelUi::Ribbon;
  StartOutlook();
  sim::Inspector* w = outlook.Compose(1, "Plans", "x");
  EXPECT_EQ(w->ClassificationBar(), nullptr);
  EXPECT_EQ(Numeric(w->mail()), 1) << "the preselected level is written all the same";
  ASSERT_TRUE(ChooseOnRibbon(w, 1));
  ASSERT_TRUE(outlook.Send(w));
  ExpectStampedOnce(w->mail(), 2, "CONFIDENTIAL");
}

TEST_F(Today, CommandBarPolicyOffersNoRibbon) {
  outlook.Shutdown();
  ClassificationSettings::NextDefaults().UI = LevelUi::CommandBar;
  StartOutlook();
  EXPECT_FALSE(outlook.ribbon()->Offered());
  sim::Inspector* w = outlook.Compose(1, "Plans", "x");
  ASSERT_NE(DropDown(w), nullptr);
}

// What Office does with customUI that fails its schema: ignores it, whole.
TEST(CustomUiSchema, OfficeIgnoresWhatTheSchemaRefuses) {
  const std::string ns = "xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\"";
  struct Case {
    std::string xml;
    bool valid;
  } cases[] = {
      {"<customUI " + ns + "><ribbon><tabs><tab idMso=\"TabMail\"><group id=\"g\" label=\"G\">"
       "<dropDown id=\"d\" getItemCount=\"C\"/></group></tab></tabs></ribbon></customUI>", true},
      {"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><ribbon/></customUI>", true},
      {"<customUI " + ns + "><ribbon><tabs><tab idMso=\"TabMail\"><group id=\"g\">", false},
      {"<customUI xmlns=\"urn:other\"><ribbon/></customUI>", false},
      {"<customUI " + ns + "><ribbon><tabs><tab idMso=\"TabMail\"><frame id=\"f\"/></tab></tabs></ribbon></customUI>",
       false},
      {"<customUI " + ns + "><ribbon><tabs><tab idMso=\"TabMail\" colour=\"red\"/></tabs></ribbon></customUI>", false},
      {"<customUI " + ns + "><ribbon><tabs><tab idMso=\"TabMail\"><group id=\"g\"/><group id=\"g\"/></tab></tabs>"
       "</ribbon></customUI>", false},
  };
  for (const Case& c : cases) {
    sim::CustomUI ui;
    std::string why;
    EXPECT_EQ(sim::ReadCustomUI(c.xml, &ui, &why), c.valid) << c.xml << ": " << why;
  }
}

}  // namespace
