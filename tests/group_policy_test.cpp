// Administrators set the policy through Group Policy: values under
// SOFTWARE\Policies\Orvan\Classify in HKLM and HKCU, over what the DLL was built with.
#include "classify/group_policy.h"
#include "com/text.h"
#include "diag/event_record.h"
#include "orvan_policy.h"
#include "sim/transport.h"
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::DropDown;

namespace {

class GroupPolicyTest : public AddInTest {
 protected:
  static void Set(HKEY root, const char* name, const std::string& text) { testing_support::SetPolicy(root, name, text); }
  static void Set(HKEY root, const char* name, DWORD number) { testing_support::SetPolicy(root, name, number); }
  long Named(sim::MailItem* m, const char* name) {
    const auto* v = m->message->Find(PS_PUBLIC_STRINGS_ID, name);
    return v ? v->l : -1;
  }
  std::string NamedHeader(sim::MailItem* m, const char* name) {
    const auto* v = m->message->Find(PS_INTERNET_HEADERS_ID, name);
    return v ? v->text : "(none)";
  }
  // What the event log said of ignored values (its other events record Send decisions).
  std::vector<std::string> EventTexts() const {
    std::vector<std::string> out;
    for (const auto& e : world.events) {
      if (e.id != kIgnoredPolicyEvent) continue;
      EXPECT_EQ(e.source, "Orvan Classify");
      EXPECT_EQ(e.type, EVENTLOG_WARNING_TYPE);
      out.push_back(e.text);
    }
    return out;
  }
};

TEST_F(GroupPolicyTest, MachineValuesWinOverUserValuesAndBothOverTheBuild) {
  Set(HKEY_CURRENT_USER, "Levels", "A;B");
  Set(HKEY_LOCAL_MACHINE, "Levels", "PUBLIC;INTERNAL;RESTRICTED;TOP SECRET");
  Set(HKEY_LOCAL_MACHINE, "DefaultLevel", 2);
  Set(HKEY_CURRENT_USER, "Organisation", "Acme");
  Set(HKEY_CURRENT_USER, "SubjectMarkMode", 2);
  StartOutlook();
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  ASSERT_NE(DropDown(w), nullptr);
  EXPECT_EQ(DropDown(w)->entries, (std::vector<std::string>{"PUBLIC", "INTERNAL", "RESTRICTED", "TOP SECRET"}));
  EXPECT_EQ(DropDown(w)->listIndex, 2);
  DropDown(w)->Choose(4);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(Named(w->mail(), "MAPI-Acme-classification"), 4);
  EXPECT_EQ(NamedHeader(w->mail(), "X-Acme-classification"), "4 - TOP SECRET");
  EXPECT_EQ(w->mail()->Subject(), "Plans [TOP SECRET]");
  EXPECT_TRUE(EventTexts().empty());
}

TEST_F(GroupPolicyTest, EachBadValueIsIgnoredAndNamedInBothLogsWhileTheRestApplies) {
  SessionLog::SetDefaultEnabled(true);
  Set(HKEY_LOCAL_MACHINE, "Label", "Level");  // good: applies
  Set(HKEY_LOCAL_MACHINE, "DefaultLevel", "2");  // REG_SZ where a number belongs
  Set(HKEY_CURRENT_USER, "MinMarkLevel", 9);     // past the three levels
  Set(HKEY_LOCAL_MACHINE, "BodyMarkPlaces", 7);
  Set(HKEY_LOCAL_MACHINE, "UI", "toolbar");
  Set(HKEY_LOCAL_MACHINE, "Organisation", "Ac me");
  Set(HKEY_LOCAL_MACHINE, "ShowFooter", 2);
  Set(HKEY_LOCAL_MACHINE, "Tooltip", "");
  Set(HKEY_LOCAL_MACHINE, "FooterText", "line\nbreak");
  StartOutlook();
  const std::vector<std::string> events = EventTexts();
  const std::string machine = "HKLM\\SOFTWARE\\Policies\\Orvan\\Classify\\";
  const std::vector<std::string> expected = {
      "The Group Policy value " + machine +
          "FooterText is ignored: it holds a control character; FooterText is \" (for more info visit "
          "http://www.orvan.example/classify)\".",
      "The Group Policy value " + machine + "Tooltip is ignored: it is empty; Tooltip is \"Classification (Orvan)\".",
      "The Group Policy value " + machine +
          "Organisation is ignored: it holds a character other than a letter, digit or hyphen; Organisation is \"Orvan\".",
      "The Group Policy value " + machine + "BodyMarkPlaces is ignored: '7' is none of 0, 1, 2, 3; BodyMarkPlaces is 3.",
      "The Group Policy value " + machine + "DefaultLevel is ignored: it is no REG_DWORD; DefaultLevel is 1.",
      "The Group Policy value " + machine + "ShowFooter is ignored: 2 is neither 0 nor 1; ShowFooter is 1.",
      "The Group Policy value " + machine + "UI is ignored: 'toolbar' is none of both, commandbar, ribbon; UI is both.",
      "The Group Policy value HKCU\\SOFTWARE\\Policies\\Orvan\\Classify\\MinMarkLevel is ignored: 9 is past the 3 "
      "levels; MinMarkLevel is 1.",
  };
  EXPECT_EQ(events, expected);
  const std::string log = LogText();
  for (const std::string& e : expected) EXPECT_NE(log.find(HtmlText(e) + "<br>"), std::string::npos) << e << "\n" << log;
  // What was ignored kept what the DLL was built with; the good value applies.
  sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>x</body></html>");
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(w->mail()->HTMLBody().find("<b>Level: UNCLASSIFIED</b>  (for more info visit"), 12u) << w->mail()->HTMLBody();
  EXPECT_EQ(NamedHeader(w->mail(), "X-Orvan-classification"), "1 - UNCLASSIFIED");
}

// A refused level list leaves the built-in levels in force: what it numbers is checked
// against them, and a rule it numbers never falls with it.
TEST_F(GroupPolicyTest, ARefusedLevelListLeavesWhatItNumbersCheckedAgainstTheLevelsInForce) {
  std::string many;
  for (int i = 1; i <= kMostLevels + 1; ++i) many += "L" + std::to_string(i) + ";";
  Set(HKEY_LOCAL_MACHINE, "Levels", many);
  Set(HKEY_LOCAL_MACHINE, "DefaultLevel", 2);
  Set(HKEY_LOCAL_MACHINE, "MinMarkLevel", 5);
  Set(HKEY_LOCAL_MACHINE, "ExternalMaxLevel", 1);
  StartOutlook();
  const std::string key = "The Group Policy value HKLM\\SOFTWARE\\Policies\\Orvan\\Classify\\";
  EXPECT_EQ(EventTexts(), (std::vector<std::string>{
                              key + "Levels is ignored: it names 33 levels; at most 32 are allowed; Levels is "
                                    "\"UNCLASSIFIED;CONFIDENTIAL;SECRET\".",
                              key + "MinMarkLevel is ignored: 5 is past the 3 levels; MinMarkLevel is 1."}));
  sim::Inspector* w = outlook.Compose(1, "Plans", "x");
  EXPECT_EQ(DropDown(w)->entries, (std::vector<std::string>{"UNCLASSIFIED", "CONFIDENTIAL", "SECRET"}));
  EXPECT_EQ(DropDown(w)->listIndex, 2);
  EXPECT_EQ(Context().Settings()->ExternalMaxLevel, 1);
}

TEST_F(GroupPolicyTest, TwelveLevelsFromPolicyReadBackAsTwelve) {
  std::string levels;
  for (int i = 1; i <= 12; ++i) levels += (i > 1 ? ";" : "") + std::string("LEVEL ") + std::to_string(i);
  Set(HKEY_LOCAL_MACHINE, "Levels", levels);
  Set(HKEY_LOCAL_MACHINE, "DefaultLevel", 12);
  StartOutlook();
  sim::Inspector* w = outlook.Compose(1, "Plans", "x");
  EXPECT_EQ(DropDown(w)->listIndex, 12);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_EQ(NamedHeader(w->mail(), "X-Orvan-classification"), "12 - LEVEL 12");
  EXPECT_TRUE(EventTexts().empty());
}

TEST_F(GroupPolicyTest, PolicySwitchesTheSessionLogOn) {
  SessionLog::SetDefaultEnabled(false);
  Set(HKEY_CURRENT_USER, "LogEnabled", 1);
  StartOutlook();
  outlook.Compose(1, "Plans", "x");
  EXPECT_NE(LogText().find("New object: CInspectorEventHandler"), std::string::npos) << LogText();
}

// Every value of the option table has its place in the add-in: one of each kind, valid,
// is taken without a word.
TEST_F(GroupPolicyTest, EveryValueOfTheTableIsTaken) {
  struct {
    const char* name;
    std::string kind;
  } specs[] = {
#define ORVAN_TEST_VALUE(name, option, kind, ...) {#name, kind},
      ORVAN_GROUP_POLICY(ORVAN_TEST_VALUE)
#undef ORVAN_TEST_VALUE
  };
  for (const auto& s : specs) {
    if (s.kind == "flag") Set(HKEY_LOCAL_MACHINE, s.name, 1);
    else if (s.kind.rfind("number ", 0) == 0 || s.kind.rfind("level ", 0) == 0) Set(HKEY_LOCAL_MACHINE, s.name, 1);
    else if (s.kind.rfind("choice ", 0) == 0) Set(HKEY_LOCAL_MACHINE, s.name, DWORD(std::atoi(s.kind.c_str() + 7)));
    else if (s.kind.rfind("pick ", 0) == 0) Set(HKEY_LOCAL_MACHINE, s.name, s.kind.substr(5, s.kind.find('=') - 5));
    else if (s.kind == "levels") Set(HKEY_LOCAL_MACHINE, s.name, "ONE;TWO");
    else if (s.kind == "word") Set(HKEY_LOCAL_MACHINE, s.name, "Word");
    else if (s.kind == "domains") Set(HKEY_LOCAL_MACHINE, s.name, "acme.example");
    else if (s.kind == "colors") Set(HKEY_LOCAL_MACHINE, s.name, "black/yellow;#FFFFFF/navy");
    else if (s.kind == "numbers") Set(HKEY_LOCAL_MACHINE, s.name, "1; 3;;256");
    else if (s.kind == "oid") Set(HKEY_LOCAL_MACHINE, s.name, "2.999.1");
    else if (s.kind == "partners") Set(HKEY_LOCAL_MACHINE, s.name, "{F42AA342-8706-4288-BD11-EBB85995028C}=TWO");
    else Set(HKEY_LOCAL_MACHINE, s.name, "A text");
  }
  EXPECT_GE(sizeof specs / sizeof specs[0], 20u);
  StartOutlook();
  EXPECT_TRUE(world.events.empty()) << world.events.front().text;
}

TEST_F(GroupPolicyTest, TheRulesOnWhereALevelMayGoComeFromPolicyAndABadOneIsIgnored) {
  Set(HKEY_LOCAL_MACHINE, "DowngradeRule", "block");
  Set(HKEY_LOCAL_MACHINE, "InternalDomains", "acme.example; @Other.EXAMPLE");
  Set(HKEY_LOCAL_MACHINE, "ExternalMaxLevel", 1);
  Set(HKEY_LOCAL_MACHINE, "ExternalRule", "warn");
  Set(HKEY_CURRENT_USER, "DowngradeRule", "maybe");
  Set(HKEY_CURRENT_USER, "InternalDomains", "acme example!");
  StartOutlook();
  const std::string user = "The Group Policy value HKCU\\SOFTWARE\\Policies\\Orvan\\Classify\\";
  EXPECT_EQ(EventTexts(), (std::vector<std::string>{
                              user + "DowngradeRule is ignored: 'maybe' is none of allow, warn, block, justify; DowngradeRule is block.",
                              user + "InternalDomains is ignored: the domain 'example!' holds a character other than a "
                                     "letter, digit, hyphen or dot; InternalDomains is \"acme.example; @Other.EXAMPLE\".",
                          }));
  const ClassificationSettings& s = *Context().Settings();
  EXPECT_EQ(s.DowngradeRule, SendRule::Block);
  EXPECT_EQ(s.InternalDomains, (std::vector<std::string>{"acme.example", "other.example"}));
  EXPECT_EQ(s.ExternalMaxLevel, 1);
  EXPECT_EQ(s.ExternalRule, SendRule::Warn);
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  w->mail()->recipients->Add("a@sub.other.example", 1);
  w->mail()->recipients->Add("c@partner.example", 2);
  DropDown(w)->Choose(2);
  EXPECT_FALSE(outlook.Send(w));
  ASSERT_EQ(world.messageBoxes.size(), 1u);
  EXPECT_EQ(world.messageBoxes[0].type & 0xF, unsigned(MB_YESNO));
  EXPECT_NE(world.messageBoxes[0].text.find("addresses in acme.example, other.example"), std::string::npos)
      << world.messageBoxes[0].text;
  outlook.Close(w);
}

// Level names in any language, as a Group Policy editor writes them: Unicode registry
// strings, whole through the bar, the ribbon, the marks, the subject, and the trip through
// the internet and back.
class GroupPolicyToday : public testing_support::TodayTest {
 protected:
  void SetUp() override { AddInTest::SetUp(); }  // the policy goes in before start-up
  static void SetWide(const char* name, const std::string& utf8) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGroupPolicyKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::basic_string<WCHAR> wideName;
    for (const char* p = name; *p; ++p) wideName += WCHAR(*p);
    const std::basic_string<OLECHAR> text = Utf8ToWide(utf8);
    RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD((text.size() + 1) * sizeof(OLECHAR)));
    RegCloseKey(key);
  }
};

TEST_F(GroupPolicyToday, LevelNamesInAnyLanguageSurviveEveryPlaceAndTheTripThroughTheInternet) {
  const std::string defense = "SECRET D\xC3\x89" "FENSE", greek = "\xCE\x91\xCE\xA0\xCE\x9F\xCE\xA1\xCE\xA1\xCE\x97\xCE\xA4\xCE\x9F";
  SetWide("Levels", "PUBLIC;" + defense + ";" + greek);
  SetWide("Label", "Classification \xE2\x80\x93 niveau");
  StartOutlook();
  EXPECT_TRUE(world.events.empty()) << world.events.front().text;
  sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>x</body></html>");
  ASSERT_NE(testing_support::DropDown(w), nullptr);
  EXPECT_EQ(testing_support::DropDown(w)->entries, (std::vector<std::string>{"PUBLIC", defense, greek}));
  EXPECT_EQ(RibbonLevel(w).items, (std::vector<std::string>{"PUBLIC", defense, greek}));
  ASSERT_TRUE(ChooseOnRibbon(w, 2));
  EXPECT_EQ(testing_support::DropDown(w)->Text(), greek);
  ASSERT_TRUE(outlook.Send(w));
  sim::MailItem* m = w->mail();
  EXPECT_EQ(m->Subject(), "[" + greek + "] Plans");
  EXPECT_EQ(testing_support::Count(m->HTMLBody(), "<b>Classification \xE2\x80\x93 niveau: " + greek + "</b>"), 2u)
      << m->HTMLBody();
  EXPECT_EQ(m->message->InternetHeaders()["X-Orvan-classification"], "3 - " + greek);
  EXPECT_EQ(testing_support::Numeric(m), 3);
  // Out through the transport, which writes the header as an encoded word, and back.
  const std::string eml = sim::WriteEml(*m);
  EXPECT_NE(eml.find("X-Orvan-classification: =?utf-8?B?"), std::string::npos) << eml;
  std::string error;
  sim::MailItem* in = outlook.Receive(eml, &error);
  ASSERT_NE(in, nullptr) << error;
  EXPECT_EQ(in->Subject(), "[" + greek + "] Plans");
  sim::Inspector* read = outlook.Open(in);
  EXPECT_EQ(RibbonLevel(read).label, "Classification \xE2\x80\x93 niveau: " + greek);
  sim::Inspector* reply = outlook.Respond(read, sim::Outlook::kReply);
  EXPECT_EQ(testing_support::DropDown(reply)->Text(), greek);
  ASSERT_TRUE(outlook.Send(reply));
  // The reply's subject carries one mark: the old one is recognised in any language.
  EXPECT_EQ(reply->mail()->Subject(), "[" + greek + "] RE: Plans");
  outlook.Close(read);
}

}  // namespace
