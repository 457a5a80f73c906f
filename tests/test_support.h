// What every test of the add-in starts from: a fresh simulated Outlook, an empty
// registry, compiled-in settings, and an application-data folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include "addin/add_in.h"
#include "classify/group_policy.h"
#include "classify/mail_item.h"
#include "classify/settings.h"
#include "diag/session_log.h"
#include "com/module.h"
#include "sim/outlook.h"
#include "sim/ribbon.h"

namespace testing_support {

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// How many times what stands in text.
inline size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// What Outlook shows of a compose window: its level drop-down, or null.
inline sim::Control* DropDown(sim::Inspector* w) {
  if (sim::CommandBar* bar = w ? w->ClassificationBar() : nullptr)
    for (sim::Control* c : bar->controls->items)
      if (c->type == 3) return c;
  return nullptr;
}
// The classification properties of a message: the numeric one (-1 when absent) and the
// header one ("(none)" when absent).
inline long Numeric(sim::MailItem* m) {
  const auto* v = m->message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification");
  return v ? v->l : -1;
}
inline std::string Header(sim::MailItem* m) {
  const auto* v = m->message->Find(PS_INTERNET_HEADERS_ID, "X-Orvan-classification");
  return v ? v->text : "(none)";
}

// A Group Policy value, as an administrator sets it.
inline void SetPolicy(HKEY root, const char* name, const std::string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, kGroupPolicyKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
  RegCloseKey(key);
}
inline void SetPolicy(HKEY root, const char* name, DWORD number) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, kGroupPolicyKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);
}

class TempDir {
 public:
  TempDir() {
    char templ[] = "/tmp/orvan-test-XXXXXX";
    path_ = mkdtemp(templ);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class AddInTest : public ::testing::Test {
 protected:
  explicit AddInTest(sim::Outlook::Version version = sim::Outlook::Version::Classic) : outlook(world, true, version) {}
  void SetUp() override {
    setenv("APPDATA", appdata.path().c_str(), 1);
    portable_registry::Clear();
    ClassificationSettings::NextDefaults() = SettingsDefaults::Compiled();
    SessionLog::SetDefaultEnabled(false);
  }
  void TearDown() override {
    // Outlook goes away: the add-in is shut down and every source drops its sinks, so no
    // object of the library outlives the test.
    outlook.Shutdown();
    outlook.CloseAll();
    world.DropAllSinks();
    EXPECT_TRUE(world.Escapes().empty()) << world.Escapes().front();
    EXPECT_TRUE(world.Violations().empty()) << world.Violations().front();
    SessionLog::SetDefaultEnabled(false);
  }

  // Loads, connects and starts the add-in as Outlook does at its own start-up.
  void StartOutlook() {
    ASSERT_EQ(outlook.Load(), S_OK);
    ASSERT_EQ(outlook.Connect(ext_cm_Startup), S_OK);
    ASSERT_EQ(outlook.StartupComplete(), S_OK);
  }
  // Outlook exits: the add-in, then the windows left open, then every source's sinks; no
  // reference of Outlook's and no object of the library may be left.
  void ExpectNothingLeftAtExit() {
    outlook.Shutdown();
    outlook.CloseAll();
    world.DropAllSinks();
    EXPECT_EQ(world.OutstandingRefs(), 0) << ::testing::PrintToString(Leaks());
    EXPECT_EQ(ObjectCount, 0u);
  }
  // What the loaded add-in object shares with its handlers.
  AddInContext& Context() const { return static_cast<AddIn*>(outlook.addIn())->Context(); }
  std::string LogText() const { return ReadFile(appdata.path() / "Orvan_Classify" / "Orvan_Classify.htm"); }
  std::vector<std::string> Leaks() const {
    std::vector<std::string> report;
    world.OutstandingRefs(&report);
    return report;
  }

  TempDir appdata;
  sim::World world;
  sim::Outlook outlook;
};

// Today's Outlook with the add-in started, and what its tests share: a message that
// arrives classified, and the level the ribbon shows and takes.
class TodayTest : public AddInTest {
 protected:
  static constexpr const char* kCompose = "Microsoft.Outlook.Mail.Compose";
  static constexpr const char* kRead = "Microsoft.Outlook.Mail.Read";
  static constexpr const char* kExplorer = "Microsoft.Outlook.Explorer";

  TodayTest() : AddInTest(sim::Outlook::Version::Today) {}
  void SetUp() override {
    AddInTest::SetUp();
    StartOutlook();
  }
  sim::MailItem* Received(int level, const std::string& subject = "Budget") {
    std::string headers = "Subject: " + subject + "\r\n";
    if (level) headers += "X-Orvan-classification: " + std::to_string(level) + " - X\r\n";
    std::string error;
    sim::MailItem* m = outlook.Receive(headers + "\r\nThe budget.", &error);
    EXPECT_NE(m, nullptr) << error;
    return m;
  }
  // The add-in's control on a window's ribbon tab (compose or read), or on the active main
  // window's inline response (null).
  sim::Ribbon::Shown RibbonLevel(sim::Inspector* w) {
    const bool read = w && w->mail()->sent;
    sim::DispatchObject* context = w ? static_cast<sim::DispatchObject*>(w) : outlook.app()->activeExplorer;
    auto shown = outlook.ribbon()->Show(context, !w ? kExplorer : read ? kRead : kCompose,
                                        !w ? "TabMessage" : read ? "TabReadMessage" : "TabNewMailMessage");
    EXPECT_EQ(shown.size(), 1u);
    return shown.empty() ? sim::Ribbon::Shown() : shown[0];
  }
  bool ChooseOnRibbon(sim::Inspector* w, long index) {
    sim::DispatchObject* context = w ? static_cast<sim::DispatchObject*>(w) : outlook.app()->activeExplorer;
    return outlook.ribbon()->Choose(context, w ? kCompose : kExplorer, "OrvanLevel", index);
  }
  // Left once, at that level: both properties, one subject mark, a top and a bottom mark.
  static void ExpectStampedOnce(sim::MailItem* m, long level, const std::string& name) {
    EXPECT_EQ(Numeric(m), level);
    EXPECT_EQ(Header(m), std::to_string(level) + " - " + name);
    EXPECT_EQ(Count(m->SentBody(), "Classification: " + name), 2u) << m->SentBody();
    EXPECT_EQ(Count(m->Subject(), "[" + name + "]"), 1u) << m->Subject();
    EXPECT_GE(m->message->saves, 1);
  }
};

}  // namespace testing_support
