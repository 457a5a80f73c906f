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
  CMailItem* w = new CMailItem(out->dispatch());
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
  CMailItem* r = new CMailItem(in->dispatch());
  EXPECT_EQ(r->GetClassification(), 2);
  r->Release();
  EXPECT_EQ(in->message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification"), nullptr);
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

TEST_F(Transport, ReceivedItemsAreReadOnly) {
  std::string error;
  sim::MailItem* in = sim::ReadEml(world, "Subject: hi\r\n\r\nbody", &error);
  ASSERT_NE(in, nullptr);
  CMailItem* r = new CMailItem(in->dispatch());
  EXPECT_EQ(r->SetClassificationProperty(1, "UNCLASSIFIED", true), MAPI_E_NO_ACCESS);
  EXPECT_EQ(r->GetClassification(), 0);
  r->Release();
  EXPECT_EQ(sim::ReadEml(world, "no headers at all", &error), nullptr);
  EXPECT_EQ(error, "no header block followed by a blank line");
}

}  // namespace
