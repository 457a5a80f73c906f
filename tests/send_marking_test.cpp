#include "classify/mail_item.h"
#include "sim/items.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

const std::string kFooterLink =
    " (for more info visit <a href=\"http://www.orvan.example/classify\">http://www.orvan.example/classify</a>)";
const std::string kFooterText = " (for more info visit http://www.orvan.example/classify)";

// A fixed choice, standing in for the compose window's drop-down.
class FixedSelection : public LevelSelection {
 public:
  FixedSelection(int level, std::string text) : level_(level), text_(std::move(text)) {}
  int GetSelection(std::string* text) override {
    *text = text_;
    return level_;
  }

 private:
  int level_;
  std::string text_;
};

class SendMarking : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    StartOutlook();
  }
  // Sends the item with the given choice and returns OnSend's answer. Every call stands
  // for a message of its own: the stamp of an earlier call is taken off.
  int Send(int level, const std::string& name) {
    mail->message->Erase(PS_PUBLIC_STRINGS_ID, "OrvanClassify-Stamped");
    Context().EndSend();
    FixedSelection choice(level, name);
    CMailItem* w = new CMailItem(Context(), mail->dispatch());
    w->dropdown = &choice;
    int r = w->OnSend();
    w->Release();
    return r;
  }
  ClassificationSettings& settings() { return *Context().Settings(); }
  sim::MailItem* mail = world.Make<sim::MailItem>();
};

TEST_F(SendMarking, PolicyTextsAreHtmlTextInAnHtmlBodyAndAsWrittenElsewhere) {
  settings().Label = "R&D";
  settings().Levels = {"PUBLIC", "<RESTRICTED>"};
  settings().FooterText = " (rules: http://intranet.example/r?a=1&b=2 <read them>)";
  mail->htmlBody = u"<html><body>Hello</body></html>";
  mail->bodyFormat = 2;
  mail->subject = u"Plans";
  EXPECT_EQ(Send(2, "<RESTRICTED>"), 0);
  const std::string mark =
      "<b>R&amp;D: &lt;RESTRICTED&gt;</b>  (rules: <a href=\"http://intranet.example/r?a=1&amp;b=2\">"
      "http://intranet.example/r?a=1&amp;b=2</a> &lt;read them&gt;)";
  EXPECT_EQ(mail->HTMLBody(), "<html><body>" + mark + "<br><br>Hello<br>" + mark + "</body></html>");
  EXPECT_EQ(mail->Subject(), "[<RESTRICTED>] Plans");
  mail->body = u"Hello";
  mail->htmlBody.clear();
  mail->bodyFormat = 1;
  mail->subject = u"Plans";
  EXPECT_EQ(Send(2, "<RESTRICTED>"), 0);
  EXPECT_EQ(mail->Body(), "R&D: <RESTRICTED>  (rules: http://intranet.example/r?a=1&b=2 <read them>)\n\nHello\n"
                          "R&D: <RESTRICTED>  (rules: http://intranet.example/r?a=1&b=2 <read them>)");
}

TEST_F(SendMarking, HtmlMessageGetsBoldMarksWithTheFooterLink) {
  mail->htmlBody = u"<html><body>Hello</body></html>";
  mail->bodyFormat = 2;
  mail->subject = u"Plans";
  EXPECT_EQ(Send(2, "CONFIDENTIAL"), 0);
  const std::string mark = "<b>Classification: CONFIDENTIAL</b> " + kFooterLink;
  EXPECT_EQ(mail->HTMLBody(), "<html><body>" + mark + "<br><br>Hello<br>" + mark + "</body></html>");
  EXPECT_EQ(mail->bodyFormat, 2);
  EXPECT_EQ(mail->Subject(), "[CONFIDENTIAL] Plans");
  EXPECT_EQ(mail->message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification")->l, 2);
  EXPECT_EQ(mail->message->Find(PS_INTERNET_HEADERS_ID, "X-Orvan-classification")->text, "2 - CONFIDENTIAL");
  EXPECT_EQ(mail->message->saves, 1);
}

TEST_F(SendMarking, CapitalTagsWithAttributesKeepTheirCase) {
  mail->htmlBody = u"<HTML><BODY class=\"x\" lang=en>Hi</BODY></HTML>";
  mail->bodyFormat = 2;
  Send(3, "SECRET");
  const std::string mark = "<b>Classification: SECRET</b> " + kFooterLink;
  EXPECT_EQ(mail->HTMLBody(), "<HTML><BODY class=\"x\" lang=en>" + mark + "<br><br>Hi<br>" + mark + "</BODY></HTML>");
}

TEST_F(SendMarking, FragmentWithoutBodyTagIsWrittenBackUnchanged) {
  mail->htmlBody = u"<p>just a fragment</p>";
  mail->bodyFormat = 2;
  mail->subject = u"Frag";
  Send(1, "UNCLASSIFIED");
  EXPECT_EQ(mail->HTMLBody(), "<p>just a fragment</p>");
  EXPECT_EQ(world.Calls("HTMLBody"), 2);  // read, then written back
  EXPECT_EQ(mail->Subject(), "[UNCLASSIFIED] Frag");
  EXPECT_EQ(mail->message->saves, 1);
}

TEST_F(SendMarking, PlainTextGetsMarksOnLinesOfTheirOwn) {
  mail->body = u"Caf\u00e9 \u20ac \u00fc";
  mail->bodyFormat = 1;
  Send(2, "CONFIDENTIAL");
  const std::string mark = "Classification: CONFIDENTIAL " + kFooterText;
  EXPECT_EQ(mail->Body(), mark + "\n\nCaf\u00e9 \u20ac \u00fc\n" + mark);
  EXPECT_EQ(mail->bodyFormat, 1);
}

// Outlook hands a rich-text body out through HTMLBody as HTML: the marks are HTML there,
// inside its body, and the message stays rich text.
TEST_F(SendMarking, RichTextIsMarkedAsHtmlThroughTheHtmlBody) {
  mail->htmlBody = u"<html><body>rich</body></html>";
  mail->bodyFormat = 3;
  Send(1, "UNCLASSIFIED");
  const std::string mark = "<b>Classification: UNCLASSIFIED</b> " + kFooterLink;
  EXPECT_EQ(mail->HTMLBody(), "<html><body>" + mark + "<br><br>rich<br>" + mark + "</body></html>");
  EXPECT_EQ(mail->bodyFormat, 3);
}

TEST_F(SendMarking, TextOutsideTheCodePageSurvivesWhole) {
  const std::u16string words = u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u65e5\u672c \U0001F600 Plans";
  const std::string utf8 = "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u65e5\u672c \U0001F600 Plans";
  const std::string mark = "Classification: SECRET " + kFooterText;
  mail->subject = words;
  mail->body = words;
  Send(3, "SECRET");
  EXPECT_EQ(mail->Subject(), "[SECRET] " + utf8);
  EXPECT_EQ(mail->Body(), mark + "\n\n" + utf8 + "\n" + mark);
  mail->subject = words;
  mail->htmlBody = u"<html><body title=\"\u0416>\">" + words + u"</body></html>";
  mail->bodyFormat = 2;
  Send(3, "SECRET");
  const std::string html = "<b>Classification: SECRET</b> " + kFooterLink;
  EXPECT_EQ(mail->HTMLBody(),
            "<html><body title=\"\u0416>\">" + html + "<br><br>" + utf8 + "<br>" + html + "</body></html>");
  EXPECT_EQ(mail->Subject(), "[SECRET] " + utf8);
}

TEST_F(SendMarking, TopMarkGoesAfterTheTagNeverInsideAQuotedValueOrAComment) {
  const std::string mark = "<b>Classification: CONFIDENTIAL</b> " + kFooterLink;
  struct Case {
    const char16_t* body;
    std::string marked;
  } cases[] = {
      {u"<body title=\"a>b\">x</body>", "<body title=\"a>b\">" + mark + "<br><br>x<br>" + mark + "</body>"},
      {u"<BODY onload = 'x>1' >x</BODY>", "<BODY onload = 'x>1' >" + mark + "<br><br>x<br>" + mark + "</BODY>"},
      {u"<body class=it's>x</body>", "<body class=it's>" + mark + "<br><br>x<br>" + mark + "</body>"},
      {u"<body title=\"never closed>x</body>", "<body title=\"never closed>x<br>" + mark + "</body>"},
      {u"<head><!-- <body> and </body> --></head><body>x</body>",
       "<head><!-- <body> and </body> --></head><body>" + mark + "<br><br>x<br>" + mark + "</body>"},
  };
  for (const Case& c : cases) {
    mail->htmlBody = c.body;
    mail->bodyFormat = 2;
    Send(2, "CONFIDENTIAL");
    EXPECT_EQ(mail->HTMLBody(), c.marked);
  }
}

TEST_F(SendMarking, UnreadableFormatOrSubjectIsLeftAloneAndTheSendGoesOn) {
  mail->htmlBody = u"<html><body>Numbers</body></html>";
  mail->bodyFormat = 2;
  mail->subject = u"Plans";
  world.FailMember("BodyFormat", E_FAIL);
  world.FailMember("Subject", E_FAIL, 2);  // both reads: the wrapper's and the marking's
  EXPECT_EQ(Send(2, "CONFIDENTIAL"), 0);
  world.ClearFaults();
  EXPECT_EQ(mail->bodyFormat, 2) << "the message keeps its formatting";
  EXPECT_EQ(mail->HTMLBody(), "<html><body>Numbers</body></html>");
  EXPECT_EQ(mail->Subject(), "Plans") << "the subject is not replaced by the bare mark";
  EXPECT_EQ(mail->message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification")->l, 2);
  EXPECT_EQ(mail->message->saves, 1);
}

TEST_F(SendMarking, NoDropDownMeansLevelOneWithAnEmptyName) {
  mail->subject = u"Plans";
  CMailItem* w = new CMailItem(Context(), mail->dispatch());
  EXPECT_EQ(w->OnSend(), 0);
  w->Release();
  EXPECT_EQ(mail->Subject(), "[] Plans");
  EXPECT_EQ(mail->message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification")->l, 1);
  EXPECT_EQ(mail->message->Find(PS_INTERNET_HEADERS_ID, "X-Orvan-classification"), nullptr);
}

TEST_F(SendMarking, LevelBelowTheMinimumOnlyCleansTheSubject) {
  settings().MinMarkLevel = 3;
  mail->body = u"text";
  mail->subject = u"[SECRET] Plans";
  Send(2, "CONFIDENTIAL");
  EXPECT_EQ(mail->Body(), "text");
  EXPECT_EQ(mail->Subject(), "Plans");
  settings().SubjectUsesMinLevel = false;
  Send(2, "CONFIDENTIAL");
  EXPECT_EQ(mail->Subject(), "[CONFIDENTIAL] Plans");
}

TEST_F(SendMarking, NoBodyPlacesLeavesTheBodyUnread) {
  settings().BodyMarkPlaces = 0;
  mail->body = u"text";
  Send(2, "CONFIDENTIAL");
  EXPECT_EQ(world.Calls("Body"), 0);
  EXPECT_EQ(mail->message->saves, 1);
}

TEST_F(SendMarking, SubjectMarksAreReplaced) {
  struct Case {
    int mode;
    const char16_t* before;
    const char* after;
  } cases[] = {{1, u"RE: [SECRET] Plans", "[CONFIDENTIAL] RE: Plans"},
               {2, u"Plans [SECRET]", "Plans [CONFIDENTIAL]"},
               {1, u"[SECRET] [SECRET] x", "[CONFIDENTIAL] [SECRET] x"},
               {1, u"[secret] x", "[CONFIDENTIAL] [secret] x"},
               {0, u"[SECRET] x", "[SECRET] x"},
               {1, u"caf\u00e9 \u20ac [SECRET]", "[CONFIDENTIAL] caf\u00e9 \u20ac"}};
  for (const Case& c : cases) {
    settings().SubjectMarkMode = c.mode;
    mail->subject = c.before;
    Send(2, "CONFIDENTIAL");
    EXPECT_EQ(mail->Subject(), c.after);
  }
}

TEST_F(SendMarking, EmptySubjectBecomesOneBlank) {
  settings().MinMarkLevel = 3;
  Send(1, "UNCLASSIFIED");
  EXPECT_EQ(mail->Subject(), " ");
}

TEST_F(SendMarking, PromptEntryRefusesTheSendWithAMessageBox) {
  settings().RequireSelection = true;
  settings().PromptIndex = 4;
  settings().PromptMessage = "Please select Classification level";
  settings().PromptCaption = "Orvan Classify";
  mail->body = u"text";
  EXPECT_EQ(Send(4, "Select Level"), 1);
  ASSERT_EQ(world.messageBoxes.size(), 1u);
  EXPECT_EQ(world.messageBoxes[0].text, "Please select Classification level");
  EXPECT_EQ(world.messageBoxes[0].caption, "Orvan Classify");
  EXPECT_EQ(world.messageBoxes[0].type, UINT(MB_ICONEXCLAMATION));
  EXPECT_EQ(mail->Body(), "text");
  EXPECT_EQ(mail->message->saves, 0);
  EXPECT_EQ(Send(2, "CONFIDENTIAL"), 0);
  EXPECT_EQ(mail->message->saves, 1);
}

TEST_F(SendMarking, UnreadableBodyIsNeverOverwritten) {
  mail->body = u"the sender's words";
  world.FailMember("Body", E_FAIL, 1);
  mail->subject = u"x";
  EXPECT_EQ(Send(2, "CONFIDENTIAL"), 0);
  EXPECT_EQ(mail->Body(), "the sender's words");
  EXPECT_EQ(mail->message->saves, 1);
  EXPECT_EQ(mail->Subject(), "[CONFIDENTIAL] x");
}

TEST_F(SendMarking, FailedBodyWriteAbandonsTheRestButNotTheSend) {
  mail->body = u"text";
  mail->subject = u"x";
  mail->sent = true;  // read-only: every write fails
  EXPECT_EQ(Send(2, "CONFIDENTIAL"), 0);
  EXPECT_EQ(mail->message->saves, 0);
  EXPECT_EQ(mail->Subject(), "x");
  EXPECT_TRUE(world.Escapes().empty());
}

}  // namespace
