#include "classify/mail_item.h"
#include "sim/items.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

const GUID kPublic = PS_PUBLIC_STRINGS_ID;
const GUID kHeaders = PS_INTERNET_HEADERS_ID;

class MailItemTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    StartOutlook();
  }
  void TearDown() override {
    if (wrapper) wrapper->Release();
    EXPECT_EQ(PortableMapiBuffersOutstanding(), buffersBefore);
    AddInTest::TearDown();
  }
  CMailItem* Wrap() { return wrapper = new CMailItem(Context(), mail->dispatch()); }
  const sim::MapiMessage::Value* Numeric() { return mail->message->Find(kPublic, "MAPI-Orvan-classification"); }
  const sim::MapiMessage::Value* Header() { return mail->message->Find(kHeaders, "X-Orvan-classification"); }
  void Headers(const std::string& text) { mail->message->SetString8(0x007D, text); }
  // The level a fresh message with these transport headers reads as.
  int LevelOf(const char* headers) {
    sim::MailItem* m = world.Make<sim::MailItem>();
    m->message->SetString8(0x007D, headers);
    CMailItem* w = new CMailItem(Context(), m->dispatch());
    const int level = w->GetClassification();
    w->Release();
    return level;
  }

  sim::MailItem* mail = world.Make<sim::MailItem>();
  CMailItem* wrapper = nullptr;
  long buffersBefore = PortableMapiBuffersOutstanding();
};

TEST_F(MailItemTest, LevelZeroIsWrittenAsOneWithBothProperties) {
  EXPECT_EQ(Wrap()->SetClassificationProperty(0, "UNCLASSIFIED", false), S_OK);
  ASSERT_TRUE(Numeric());
  EXPECT_EQ(Numeric()->l, 1);
  ASSERT_TRUE(Header());
  EXPECT_EQ(Header()->text, "1 - UNCLASSIFIED");
  EXPECT_EQ(mail->message->saves, 0);
}

TEST_F(MailItemTest, WithoutANameOnlyTheNumberIsWritten) {
  EXPECT_EQ(Wrap()->SetClassificationProperty(2, nullptr, true), S_OK);
  EXPECT_EQ(wrapper->SetClassificationProperty(2, "", true), S_OK);
  EXPECT_EQ(Numeric()->l, 2);
  EXPECT_EQ(Header(), nullptr);
  EXPECT_EQ(mail->message->saves, 2);
}

TEST_F(MailItemTest, PropertyKindsChooseWhatIsWrittenAndSaved) {
  struct Case {
    int kinds;
    bool numeric, header;
    HRESULT result;
    int saves;
  } cases[] = {{0, false, false, S_FALSE, 0}, {1, true, false, S_OK, 1}, {2, false, true, S_OK, 1}, {3, true, true, S_OK, 1}};
  for (const Case& c : cases) {
    sim::MailItem* m = world.Make<sim::MailItem>();
    Context().Settings()->PropertyKinds = c.kinds;
    CMailItem* w = new CMailItem(Context(), m->dispatch());
    EXPECT_EQ(w->SetClassificationProperty(3, "SECRET", true), c.result) << c.kinds;
    w->Release();
    EXPECT_EQ(m->message->Find(kPublic, "MAPI-Orvan-classification") != nullptr, c.numeric) << c.kinds;
    EXPECT_EQ(m->message->Find(kHeaders, "X-Orvan-classification") != nullptr, c.header) << c.kinds;
    EXPECT_EQ(m->message->saves, c.saves) << c.kinds;
  }
}

TEST_F(MailItemTest, SaveFollowsTheLastStepAttempted) {
  world.FailMember("SetProps", E_FAIL, 1);  // the numeric write fails, the header write works
  EXPECT_EQ(Wrap()->SetClassificationProperty(2, "CONFIDENTIAL", true), S_OK);
  EXPECT_EQ(mail->message->saves, 1);
  world.FailMember("GetIDsFromNames", MAPI_E_NOT_FOUND, -1);
  world.FailMember("SetProps", E_FAIL, 0);
  EXPECT_EQ(wrapper->SetClassificationProperty(2, "CONFIDENTIAL", true), MAPI_E_NOT_FOUND);
  EXPECT_EQ(mail->message->saves, 1);
}

TEST_F(MailItemTest, FailuresAreReportedWordForWord) {
  SessionLog::SetDefaultEnabled(true);
  outlook.Shutdown();
  StartOutlook();
  world.FailMember("SetProps", E_ACCESSDENIED, 1);
  world.FailMember("SaveChanges", E_FAIL);
  EXPECT_EQ(Wrap()->SetClassificationProperty(2, "CONFIDENTIAL", true), E_FAIL);
  wrapper->Release();
  wrapper = nullptr;
  outlook.Shutdown();
  std::string log = LogText();
  EXPECT_NE(log.find("SetClassificationProperty: PROP_MAPI - MAPI-Orvan-classification = 2<br>\r\n"
                     "HrSetOneProp of 2 failed with 80070005<br>\r\n"
                     "SetClassificationProperty: PROP_SMTP - X-Orvan-classification = 2 - CONFIDENTIAL<br>\r\n"
                     "SaveChanges failed with 80004005<br>\r\n"),
            std::string::npos)
      << log;
}

TEST_F(MailItemTest, NumericPropertyIsReadFirstAndRangeChecked) {
  mail->message->SetString8(0x007D, "X-Orvan-classification: 3 - SECRET\r\n");
  EXPECT_EQ(Wrap()->SetClassificationProperty(2, nullptr, false), S_OK);
  EXPECT_EQ(wrapper->GetClassification(), 2);
  EXPECT_EQ(wrapper->SetClassificationProperty(5, nullptr, false), S_OK);
  EXPECT_EQ(wrapper->GetClassification(), 0);  // out of range, and the headers are not consulted
}

TEST_F(MailItemTest, TransportHeadersGiveTheWholeNumberAsWrittenOrEncoded) {
  for (int n = 0; n < 9; ++n) Context().Settings()->Levels.push_back("LEVEL " + std::to_string(n + 4));  // twelve
  struct Case {
    const char* headers;
    int level;
  } cases[] = {{"Subject: x\r\nX-Orvan-classification: 3 - SECRET\r\n", 3},
               {"x-orvan-CLASSIFICATION: 3 - SECRET\r\n", 3},
               {"X-Orvan-classification:3 - SECRET\r\n", 3},
               {"X-Orvan-classification: 12 - TWELVE\r\n", 12},
               {"X-Orvan-classification: 13 - THIRTEEN\r\n", 0},  // past the twelve levels
               {"X-Orvan-classification: 99999999999 - X\r\n", 0},
               // A name outside ASCII, as a transport carries it: B and Q encoded words,
               // on the header's line or folded onto the next.
               {"X-Orvan-classification: =?utf-8?B?MTIgLSBTRUNSRVQgRMOJRkVOU0U=?=\r\n", 12},
               {"X-Orvan-classification:\r\n =?UTF-8?Q?11_-_=CE=91=CE=A0?=\r\n", 11},
               {"X-Orvan-classification: =?utf-8?B?\r\n", 0},
               {"X-Orvan-classification: - 2\r\n", 0},
               {"X-Orvan-classification:", 0},
               {"X-Orvan-classification: ", 0},
               {"X-Other: 2\r\n", 0},
               {"", 0}};
  for (const Case& c : cases) EXPECT_EQ(LevelOf(c.headers), c.level) << c.headers;
}

// Anyone outside can write anything into a subject or another header's value: only a
// header line of its own may set the level.
TEST_F(MailItemTest, NameInsideAnotherHeaderCountsForNothing) {
  struct Case {
    const char* headers;
    int level;
  } cases[] = {{"Subject: note x-orvan-classification: 1 - UNCLASSIFIED\r\nX-Orvan-classification: 3 - SECRET\r\n", 3},
               {"Subject: note X-Orvan-classification: 2 - CONFIDENTIAL\r\n", 0},
               {"Subject: folded\r\n X-Orvan-classification: 2 - CONFIDENTIAL\r\n", 0},
               {"Subject: folded\r\n\tX-Orvan-classification: 2 - CONFIDENTIAL\r\n", 0},
               {"XX-Orvan-classification: 2 - CONFIDENTIAL\r\n", 0},
               {"Subject: x\nX-Orvan-classification: 2 - CONFIDENTIAL\n", 2}};
  for (const Case& c : cases) EXPECT_EQ(LevelOf(c.headers), c.level) << c.headers;
}

TEST_F(MailItemTest, NumericZeroFallsBackToTheHeaders) {
  Headers("X-Orvan-classification: 3 - SECRET\r\n");
  mail->message->SetLong(0x8000, 0);
  EXPECT_EQ(Wrap()->GetClassification(), 3);
}

TEST_F(MailItemTest, EmptyLevelListReadsNothing) {
  Headers("X-Orvan-classification: 1 - ONE\r\n");
  Context().Settings()->Levels.clear();
  EXPECT_EQ(Wrap()->GetClassification(), 0);
}

TEST_F(MailItemTest, WrapperWithoutMessageReadsZeroAndWritesNothing) {
  world.FailMember("MAPIOBJECT", E_FAIL);
  EXPECT_FALSE(Wrap()->HasMessage());
  EXPECT_EQ(wrapper->GetClassification(), 0);
  EXPECT_EQ(wrapper->SetClassificationProperty(2, "CONFIDENTIAL", true), S_FALSE);
}

TEST_F(MailItemTest, LongOrganisationAndLevelNamesAreCutNotOverflowed) {
  Context().Settings()->Organisation = std::string(200, 'O');
  std::string name(100, 'N');
  EXPECT_EQ(Wrap()->SetClassificationProperty(1, name.c_str(), false), S_OK);
  std::string numericName = ("MAPI-" + std::string(200, 'O') + "-classification").substr(0, 127);
  ASSERT_TRUE(mail->message->Find(kPublic, numericName));
  std::string headerName = ("X-" + std::string(200, 'O')).substr(0, 127);
  const sim::MapiMessage::Value* header = mail->message->Find(kHeaders, headerName);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->text, ("1 - " + name).substr(0, 63));
}

TEST_F(MailItemTest, TrackerNamesTheWrapperBySubjectWhileTheLogIsOn) {
  mail->subject = u"Plans \u20AC";
  Context().LogFile()->Enabled = true;
  Wrap();
  ASSERT_FALSE(Context().Tracker()->Entries().empty());
  EXPECT_EQ(Context().Tracker()->Entries().back().ClassName, "CMailItem");
  EXPECT_EQ(Context().Tracker()->Entries().back().Description, "Plans \xE2\x82\xAC");
  wrapper->Release();
  wrapper = nullptr;
  EXPECT_TRUE(Context().Tracker()->Entries().empty());
}

}  // namespace
