#include "classify/load_text.h"
#include "classify/resource_ids.h"
#include "classify/settings.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

using List = std::vector<std::string>;

List Split(const char* text) {
  List out{"stale"};
  SplitList(text, out, ";,");
  return out;
}

TEST(SplitList, CutsOnEitherDelimiterAndDropsEmptyItems) {
  EXPECT_EQ(Split("UNCLASSIFIED;CONFIDENTIAL;SECRET"), (List{"UNCLASSIFIED", "CONFIDENTIAL", "SECRET"}));
  EXPECT_EQ(Split("X;;Y,"), (List{"X", "Y"}));
  EXPECT_EQ(Split(",X"), (List{"X"}));
  EXPECT_EQ(Split("X Y;Z"), (List{"X Y", "Z"}));  // blanks are kept
  EXPECT_EQ(Split("SINGLE"), (List{"SINGLE"}));
  EXPECT_EQ(Split(""), List{});
  EXPECT_EQ(Split(";,;"), List{});
  EXPECT_EQ(Split(nullptr), List{});
}

class Settings : public AddInTest {};

TEST_F(Settings, DefaultsBuildTheStandardPolicy) {
  ClassificationSettings s;
  EXPECT_EQ(s.GetLevels(), (List{"UNCLASSIFIED", "CONFIDENTIAL", "SECRET"}));
  EXPECT_EQ(s.LevelName(2), "CONFIDENTIAL");
  EXPECT_EQ(s.LevelName(4), "");
  EXPECT_EQ(s.Label, "Classification");
  EXPECT_EQ(s.Organisation, "Orvan");
  EXPECT_EQ(s.Tooltip, "Classification (Orvan)");
  EXPECT_EQ(s.FooterText.rfind(" (for more info visit http://", 0), 0u);
  EXPECT_EQ(s.FooterText.back(), ')');
  EXPECT_EQ(s.SubjectMarkMode, 1);
  EXPECT_TRUE(s.SubjectUsesMinLevel);
  EXPECT_FALSE(s.Disabled);
  EXPECT_EQ(s.MinMarkLevel, 1);
  EXPECT_EQ(s.BodyMarkPlaces, 3);
  EXPECT_EQ(s.DefaultLevel, 1);
  EXPECT_EQ(s.PropertyKinds, 3);
  EXPECT_TRUE(s.ShowLabel);
  EXPECT_TRUE(s.ShowFooter);
  EXPECT_FALSE(s.RequireSelection);
  EXPECT_EQ(s.PromptEntry, "");
  EXPECT_EQ(s.PromptMessage, "");
  EXPECT_EQ(s.PromptCaption, "Orvan Classify");  // every box's caption, the rules' too
  EXPECT_EQ(s.PromptIndex, -1);
  // The rules on where a level may go are off: today's behaviour.
  EXPECT_EQ(s.DowngradeRule, SendRule::Allow);
  EXPECT_EQ(s.ExternalMaxLevel, 0);
  EXPECT_TRUE(s.InternalDomains.empty());
  int l = 7, t = 7, p = 7, r = 7;
  EXPECT_FALSE(s.GetCommandBarPosition(&l, &t, &p, &r));
  EXPECT_EQ(l + t + p + r, 28);
}

TEST_F(Settings, RequiredSelectionLoadsThePromptTexts) {
  SettingsDefaults d = SettingsDefaults::Compiled();
  d.RequireSelection = true;
  ClassificationSettings s(d);
  EXPECT_EQ(s.PromptEntry, "Select Level");
  EXPECT_EQ(s.PromptMessage, "Please select Classification level");
  EXPECT_EQ(s.PromptCaption, "Orvan Classify");
  EXPECT_EQ(s.PromptIndex, -1);
}

TEST_F(Settings, DefaultLevelOutsideTheListBecomesOne) {
  for (int level : {0, -3, 4, 99}) {
    SettingsDefaults d = SettingsDefaults::Compiled();
    d.DefaultLevel = level;
    EXPECT_EQ(ClassificationSettings(d).DefaultLevel, 1) << level;
  }
  SettingsDefaults d = SettingsDefaults::Compiled();
  d.DefaultLevel = 3;
  EXPECT_EQ(ClassificationSettings(d).DefaultLevel, 3);
}

TEST_F(Settings, EmptyLevelListLeavesNoLevelsAndDefaultOne) {
  SettingsDefaults d = SettingsDefaults::Compiled();
  d.Levels = ";;";
  d.DefaultLevel = 2;
  ClassificationSettings s(d);
  EXPECT_TRUE(s.Levels.empty());
  EXPECT_EQ(s.DefaultLevel, 1);
}

TEST_F(Settings, PlacementIsHeldOnlyWithARowIndex) {
  ClassificationSettings s;
  s.SetCommandBarPosition(10, 20, 4, 2);
  int l, t, p, r;
  ASSERT_TRUE(s.GetCommandBarPosition(&l, &t, &p, &r));
  EXPECT_EQ((std::vector<int>{l, t, p, r}), (std::vector<int>{10, 20, 4, 2}));
  s.SetCommandBarPosition(1, 2, 3, -1);
  EXPECT_FALSE(s.GetCommandBarPosition(&l, &t, &p, &r));
  EXPECT_EQ(l, 10);
}

TEST_F(Settings, DestructionWritesThePlacementEvenWithoutWriteAccessElsewhere) {
  portable_registry::SetReadOnly(HKEY_LOCAL_MACHINE, true);
  {
    ClassificationSettings s;
    s.SetCommandBarPosition(-5, 130, 1, 3);
  }
  std::string reg = portable_registry::Export();
  EXPECT_NE(reg.find("[HKEY_CURRENT_USER\\Software\\Orvan_Classify]\n"
                     "\"CommandBarLeft\"=dword:fffffffb\n"
                     "\"CommandBarPos\"=dword:00000001\n"
                     "\"CommandBarRowIndex\"=dword:00000003\n"
                     "\"CommandBarTop\"=dword:00000082\n"),
            std::string::npos)
      << reg;
}

TEST_F(Settings, UnwritableUserKeyIsSkippedSilently) {
  portable_registry::SetReadOnly(HKEY_CURRENT_USER, true);
  { ClassificationSettings s; }
  EXPECT_EQ(portable_registry::Export(), "REGEDIT4\n\n");
}

TEST(LoadText, MissingIdsSayWhichIdWasMissing) {
  EXPECT_EQ(LoadText(999), "StringID 999 not found");
  EXPECT_EQ(LoadText(110), "***");
  EXPECT_EQ(LoadText(111), "UNCLASSIFIED;CONFIDENTIAL;SECRET");
}

// The sender's language picks the table by its primary language (Swiss German is German,
// Japanese has none and is English); what goes into mail is the policy's own words in any.
TEST(LoadText, EachLanguageShowsItsOwnTextsAndTheMarksKeepThePolicysWords) {
  SetTextLanguage(0x040C);
  EXPECT_EQ(LoadText(IDS_REASON_OK), "Envoyer");
  EXPECT_EQ(FormatText(IDS_RULE_SEND_AT, {"SECRET"}), "L\u2019envoyer au niveau SECRET\u00a0?");
  SetTextLanguage(0x0807);
  EXPECT_EQ(CurrentTextLanguage(), TextLanguage::German);
  EXPECT_EQ(LoadText(IDS_LABEL), "Klassifizierung");
  EXPECT_EQ(LoadMarkText(IDS_LABEL), "Classification");
  EXPECT_EQ(LoadText(IDS_LEVELS), "UNCLASSIFIED;CONFIDENTIAL;SECRET");
  EXPECT_EQ(FormatText(IDS_RULE_LOWER, {"SECRET", "%2"}),
            "Diese Nachricht beantwortet eine als SECRET eingestufte Nachricht, und ihre eigene Stufe, %2, ist "
            "niedriger.\n\n");
  SetTextLanguage(0x0411);
  EXPECT_EQ(CurrentTextLanguage(), TextLanguage::English);
  EXPECT_EQ(LoadText(IDS_REASON_OK), "Send");
}

}  // namespace
