#include "test_support.h"

namespace {

using namespace testing_support;

// The language the add-in speaks is Office's, else the user's Windows language, else
// English, for any variant of French or German; a label Group Policy sets is shown as
// written; and what leaves is marked in the policy's words whatever the sender reads.
TEST(Language, OfficeThenWindowsThenEnglishAndTheMarksNeverChange) {
  const struct {
    long office;  // 0: Office cannot say
    LANGID windows;
    const char* policyLabel;
    std::string caption, tooltip, mark;
  } cases[] = {
      {0x040C, 0x0407, nullptr, "Classification\u00a0: ", "Classification (Orvan)", "Classification: SECRET"},
      {0x0411, 0x0807, nullptr, "Klassifizierung: ", "Klassifizierung (Orvan)", "Classification: SECRET"},
      {0, 0x0C0C, nullptr, "Classification\u00a0: ", "Classification (Orvan)", "Classification: SECRET"},
      {0x0411, 0x0411, nullptr, "Classification: ", "Classification (Orvan)", "Classification: SECRET"},
      {0x0407, 0x0409, "Einstufung", "Einstufung: ", "Klassifizierung (Orvan)", "Einstufung: SECRET"},
  };
  for (const auto& c : cases) {
    TempDir appdata;
    setenv("APPDATA", appdata.path().c_str(), 1);
    portable_registry::Clear();
    ClassificationSettings::NextDefaults() = SettingsDefaults::Compiled();
    if (c.policyLabel) SetPolicy(HKEY_LOCAL_MACHINE, "Label", c.policyLabel);
    SetPortableUiLanguage(c.windows);
    sim::World world;
    world.officeLanguage = c.office;
    sim::Outlook outlook(world, true, sim::Outlook::Version::Classic);
    ASSERT_EQ(outlook.Load(), S_OK);
    ASSERT_EQ(outlook.Connect(ext_cm_Startup), S_OK);
    ASSERT_EQ(outlook.StartupComplete(), S_OK);
    sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
    ASSERT_NE(w->ClassificationBar(), nullptr);
    const sim::Control* caption = w->ClassificationBar()->controls->items[0];
    EXPECT_EQ(caption->caption, c.caption) << c.office;
    EXPECT_EQ(caption->tooltip, c.tooltip) << c.office;
    DropDown(w)->Choose(3);
    ASSERT_TRUE(outlook.Send(w));
    EXPECT_NE(w->mail()->Body().find(c.mark), std::string::npos) << c.office << w->mail()->Body();
    EXPECT_EQ(w->mail()->Subject(), "[SECRET] Plans");
    outlook.Shutdown();
    outlook.CloseAll();
    world.DropAllSinks();
    EXPECT_TRUE(world.Escapes().empty());
  }
  SetPortableUiLanguage(0x0409);
  portable_registry::Clear();
}

}  // namespace
