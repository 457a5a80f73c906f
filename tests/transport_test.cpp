#include "classify/mail_item.h"
#include "sim/transport.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

class Transport : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    StartOutlook();
  }
};

TEST_F(Transport, LevelSurvivesTheTripThroughTheInternet) {
  sim::MailItem* out = world.Make<sim::MailItem>();
  out->subject = u"Plans \u20ac";
  out->body = u"line one\nline two";
  CMailItem* w = new CMailItem(Context(), out->dispatch());
  ASSERT_EQ(w->SetClassificationProperty(2, "CONFIDENTIAL", true), S_OK);
  w->Release();

  std::string eml = sim::WriteEml(*out);
  EXPECT_NE(eml.find("\r\nX-Orvan-classification: 2 - CONFIDENTIAL\r\n"), std::string::npos) << eml;
  EXPECT_NE(eml.find("\r\nContent-Type: text/plain; charset=utf-8\r\n"), std::string::npos);
  EXPECT_NE(eml.find("\r\n\r\nline one\r\nline two"), std::string::npos);
  EXPECT_EQ(eml.find("MAPI-Orvan"), std::string::npos);  // the numeric property stays behind

  std::string error;
  sim::MailItem* in = sim::ReadEml(world, eml, &error);
  ASSERT_NE(in, nullptr) << error;
  EXPECT_TRUE(in->sent);
  EXPECT_EQ(in->Subject(), "Plans \u20ac");
  EXPECT_EQ(in->Body(), "line one\r\nline two");
  CMailItem* r = new CMailItem(Context(), in->dispatch());
  EXPECT_EQ(r->GetClassification(), 2);
  r->Release();
  EXPECT_EQ(in->message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification"), nullptr);
}

TEST_F(Transport, ALevelPastNineAndANameOutsideAsciiComeBackWhole) {
  outlook.Shutdown();
  // Twelve levels; the twelfth outside ASCII, which the transport carries encoded.
  std::string levels;
  for (int i = 1; i <= 11; ++i) levels += "L" + std::to_string(i) + ";";
  ClassificationSettings::NextDefaults().Levels = levels + "SECRET D\xC3\x89" "FENSE";
  StartOutlook();
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  testing_support::DropDown(w)->Choose(12);
  ASSERT_TRUE(outlook.Send(w));
  const std::string eml = sim::WriteEml(*w->mail());
  EXPECT_NE(eml.find("X-Orvan-classification: =?utf-8?B?"), std::string::npos) << eml;
  std::string error;
  sim::MailItem* in = outlook.Receive(eml, &error);
  ASSERT_NE(in, nullptr) << error;
  sim::Inspector* read = outlook.Open(in);
  sim::Inspector* reply = outlook.Respond(read, sim::Outlook::kReply);
  ASSERT_NE(testing_support::DropDown(reply), nullptr);
  EXPECT_EQ(testing_support::DropDown(reply)->listIndex, 12);
  EXPECT_EQ(testing_support::DropDown(reply)->Text(), "SECRET D\xC3\x89" "FENSE");
  outlook.Close(reply);
  outlook.Close(read);
}

TEST_F(Transport, HtmlMessagesTravelAsHtml) {
  sim::MailItem* out = world.Make<sim::MailItem>();
  out->htmlBody = u"<html><body>x</body></html>";
  out->bodyFormat = 2;
  std::string error;
  sim::MailItem* in = sim::ReadEml(world, sim::WriteEml(*out), &error);
  ASSERT_NE(in, nullptr) << error;
  EXPECT_EQ(in->bodyFormat, 2);
  EXPECT_EQ(in->HTMLBody(), "<html><body>x</body></html>");
}

TEST_F(Transport, SubjectsInEveryScriptTravelAsEncodedWordsAMailProgramReads) {
  sim::MailItem* out = world.Make<sim::MailItem>();
  const std::u16string arabic = u"\u0627\u0644\u0645\u064a\u0632\u0627\u0646\u064a\u0629 e\u0301 ";
  std::u16string subject(u"[SECRET] \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u65e5\u672c \U0001F600 ");
  subject.reserve(subject.size() + 6 * arabic.size());
  for (int i = 0; i < 6; ++i) subject.append(arabic);
  out->subject = subject;
  out->body.assign(1, u'x');
  const std::string eml = sim::WriteEml(*out);
  const std::string headers = eml.substr(0, eml.find("\r\n\r\n") + 2);
  size_t start = 0, lines = 0;
  for (size_t end = headers.find("\r\n"); end != std::string::npos; end = headers.find("\r\n", start = end + 2)) {
    EXPECT_LE(end - start, 76u) << headers.substr(start, end - start);
    for (size_t i = start; i < end; ++i) EXPECT_LT(static_cast<unsigned char>(headers[i]), 0x80) << "8-bit header";
    ++lines;
  }
  EXPECT_GT(lines, 10u) << "the long subject is folded over several lines";
  std::string error;
  sim::MailItem* in = sim::ReadEml(world, eml, &error);
  ASSERT_NE(in, nullptr) << error;
  EXPECT_EQ(in->subject, subject);
}

TEST_F(Transport, ReceivedEncodedWordsAreDecodedAsMailProgramsWriteThem) {
  struct Case {
    const char* header;
    const char16_t* subject;
  } cases[] = {{"=?utf-8?B?zpHOuw==?= =?UTF-8?b?zrs=?=", u"\u0391\u03bb\u03bb"},
               {"=?iso-8859-1?Q?caf=E9_cr=E8me?= ok", u"caf\u00e9 cr\u00e8me ok"},
               {"Re: =?utf-8?q?=E2=82=AC?= 5", u"Re: \u20ac 5"},
               {"=?koi8-r?B?8NLJ18XU?=", u"=?koi8-r?B?8NLJ18XU?="}};
  for (const Case& c : cases) {
    std::string error;
    sim::MailItem* in = sim::ReadEml(world, std::string("Subject: ") + c.header + "\r\n\r\nbody", &error);
    ASSERT_NE(in, nullptr) << error;
    EXPECT_EQ(in->subject, c.subject) << c.header;
  }
}

TEST_F(Transport, ReceivedItemsAreReadOnly) {
  std::string error;
  sim::MailItem* in = sim::ReadEml(world, "Subject: hi\r\n\r\nbody", &error);
  ASSERT_NE(in, nullptr);
  CMailItem* r = new CMailItem(Context(), in->dispatch());
  EXPECT_EQ(r->SetClassificationProperty(1, "UNCLASSIFIED", true), MAPI_E_NO_ACCESS);
  EXPECT_EQ(r->GetClassification(), 0);
  r->Release();
  EXPECT_EQ(sim::ReadEml(world, "no headers at all", &error), nullptr);
  EXPECT_EQ(error, "no header block followed by a blank line");
}

}  // namespace
