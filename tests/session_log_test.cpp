#include <regex>
#include "diag/session_log.h"
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::DropDown;

namespace {

class Log : public AddInTest {
 protected:
  std::filesystem::path Folder() const { return appdata.path() / "Orvan_Classify"; }
};

const char kBlockPattern[] =
    "<html>\r\n<font color=\"#800080\"><b>--- Session Start : [A-Za-z]+, [A-Za-z]+ \\d{1,2}, \\d{4} "
    "\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ---</b></font><br>\r\n<font color=\"#808080\"><HR></font><br>\r\n";

TEST_F(Log, SwitchedOffItTouchesNothing) {
  {
    SessionLog log("Orvan_Classify");
    EXPECT_FALSE(log.Enabled);
    EXPECT_EQ(log.Print("CItemHandler::Invoke Send<br>"), 0);
  }
  EXPECT_FALSE(std::filesystem::exists(Folder()));
}

TEST_F(Log, FirstReportCreatesFolderFileAndSessionBlock) {
  {
    SessionLog log("Orvan_Classify");
    log.Enabled = true;
    EXPECT_EQ(log.Print("SaveChanges failed with %08X<br>\n", 0x80004005u), 37);
    EXPECT_EQ(log.Print("CItemHandler::Invoke Send<br>"), 29);
    EXPECT_EQ(log.Print("CItemHandler::Invoke %u<br>", 61447u), 30);
  }
  std::string text = LogText();
  EXPECT_TRUE(std::regex_match(text, std::regex(std::string(kBlockPattern) +
                                                "SaveChanges failed with 80004005<br>\r\n"
                                                "CItemHandler::Invoke Send<br>CItemHandler::Invoke 61447<br>"
                                                "</html>\r\n")))
      << text;
}

TEST_F(Log, EachSessionAppendsItsOwnBlock) {
  for (int i = 0; i < 2; ++i) {
    SessionLog log("Orvan_Classify");
    log.Enabled = true;
    log.Print("report %d<br>\n", i);
  }
  std::string block = kBlockPattern;
  EXPECT_TRUE(std::regex_match(LogText(), std::regex(block + "report 0<br>\r\n</html>\r\n" + block +
                                                     "report 1<br>\r\n</html>\r\n")))
      << LogText();
}

TEST_F(Log, LongReportIsCutTo8192Characters) {
  std::string big(10000, 'x');
  {
    SessionLog log("Orvan_Classify");
    log.Enabled = true;
    EXPECT_EQ(log.Print("%s", big.c_str()), 8192);
  }
  std::string text = LogText();
  size_t start = text.find("<HR></font><br>\r\n") + 17;
  EXPECT_EQ(text.substr(start), std::string(8192, 'x') + "</html>\r\n");
}

TEST_F(Log, EmptyReportStillOpensTheSession) {
  {
    SessionLog log("Orvan_Classify");
    log.Enabled = true;
    EXPECT_EQ(log.Print("%s", ""), 0);
  }
  EXPECT_TRUE(std::regex_match(LogText(), std::regex(std::string(kBlockPattern) + "</html>\r\n"))) << LogText();
}

TEST_F(Log, SessionWithoutReportsWritesNothing) {
  {
    SessionLog log("Orvan_Classify");
    log.Enabled = true;
  }
  EXPECT_FALSE(std::filesystem::exists(Folder()));
}

TEST_F(Log, FailedOpenLosesTheWholeSessionQuietly) {
  // A file where the folder should be: the log cannot be opened.
  std::ofstream(Folder().string()) << "in the way";
  {
    SessionLog log("Orvan_Classify");
    log.Enabled = true;
    EXPECT_EQ(log.Print("first<br>"), 0);
    std::filesystem::remove(Folder());
    EXPECT_EQ(log.Print("second<br>"), 0);  // the file opens now, but the failure mark stays
  }
  EXPECT_EQ(LogText(), "");
}

TEST_F(Log, PathTooLongIsNotOpened) {
  std::string deep = (appdata.path() / std::string(240, 'd')).string();
  std::filesystem::create_directories(deep);
  setenv("APPDATA", deep.c_str(), 1);
  SessionLog log("Orvan_Classify");
  log.Enabled = true;
  EXPECT_EQ(log.Print("report<br>"), 0);
  EXPECT_STREQ(log.Path(), "");
}

TEST_F(Log, StartLineShowsMillisecondsWithThreeDigits) {
  SetPortableClock([](SYSTEMTIME* t) { *t = SYSTEMTIME{2026, 12, 2, 8, 9, 5, 3, 7}; });
  {
    SessionLog log("Orvan_Classify");
    log.Enabled = true;
    log.Print("report<br>");
  }
  SetPortableClock(nullptr);
  EXPECT_NE(LogText().find("<font color=\"#800080\"><b>--- Session Start : Tuesday, December 8, 2026 09:05:03.007 "
                           "---</b></font><br>\r\n"),
            std::string::npos)
      << LogText();
}

TEST_F(Log, AddInReportsReachTheLogOnlyWhileItExists) {
  SessionLog::SetDefaultEnabled(true);
  StartOutlook();
  ContextRef context(Context());  // a handler's hold, which outlives the add-in's end
  context->Log("during<br>");
  outlook.Shutdown();
  context->Log("after<br>");
  std::string text = LogText();
  EXPECT_NE(text.find("during<br></html>\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("after"), std::string::npos);
}

}  // namespace

namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class LogToday : public AddInTest {
 protected:
  LogToday() : AddInTest(sim::Outlook::Version::Today) {}
};

// A host call that a step gives up on is named, with Outlook's HRESULT, once per member in
// each window: two choices in one window say it once, another window again, and the main
// window's selection under its own name; a level the message refused is named the same way.
TEST_F(LogToday, AHostCallAStepGaveUpOnIsNamedOncePerWindow) {
  SessionLog::SetDefaultEnabled(true);
  StartOutlook();
  sim::Inspector* a = outlook.Compose(1, "A", "a");
  sim::Inspector* b = outlook.Compose(1, "B", "b");
  world.FailMember("Text", E_FAIL);
  DropDown(a)->Choose(2);
  DropDown(a)->Choose(3);
  DropDown(b)->Choose(2);
  std::string error;
  sim::MailItem* received = outlook.Receive("Subject: x\r\n\r\nbody", &error);
  world.FailMember("Item", RPC_E_DISCONNECTED);
  outlook.Select({received});
  outlook.Select({});
  outlook.Select({received});
  world.ClearFaults();
  // A level the message would not take: the draft goes on without it, and the log says so.
  sim::Inspector* c = outlook.Compose(1, "C", "c");
  world.FailMember("SetProps", E_ACCESSDENIED);
  DropDown(c)->Choose(2);
  DropDown(c)->Choose(3);
  world.ClearFaults();
  outlook.Shutdown();
  const std::string text = LogText();
  EXPECT_EQ(Count(text, "Window: Outlook's Text answered 80004005; the add-in went on without it.<br>"), 2u) << text;
  EXPECT_EQ(Count(text, "Main window: Outlook's Item answered 80010108; the add-in went on without it.<br>"), 1u) << text;
  EXPECT_EQ(Count(text, "Window: Outlook's IMessage::SetProps answered 80070005; the add-in went on without it.<br>"), 1u)
      << text;
}

}  // namespace
