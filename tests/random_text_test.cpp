// Senders write in every script: random UTF-16 subjects and bodies (every plane, surrogate
// pairs, lone surrogates, right-to-left and combining characters) sent in every body
// format at every level come out as exactly the marks around the sender's own text.
#include <random>
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::DropDown;

namespace {

// A random text from ranges that senders use. '<' and '[' stay out, so that no random
// text can hold a body tag or an old subject mark by chance.
std::u16string RandomWords(std::mt19937& rng, size_t maxLength) {
  static const std::pair<char32_t, char32_t> kRanges[] = {
      {0x20, 0x3B},       {0x3D, 0x5A},       {0x5C, 0x7E},      // ASCII but '<' and '['
      {0xA0, 0x24F},      {0x300, 0x36F},                        // Latin, combining marks
      {0x370, 0x3FF},     {0x400, 0x4FF},                        // Greek, Cyrillic
      {0x590, 0x5FF},     {0x600, 0x6FF},     {0x200E, 0x200F},  // Hebrew, Arabic, RTL marks
      {0x3040, 0x30FF},   {0x4E00, 0x9FFF},   {0xAC00, 0xD7A3},  // kana, CJK, Hangul
      {0xE000, 0xF8FF},   {0xFE00, 0xFE0F},   {0xFFF0, 0xFFFD},  // private use, variation selectors
      {0x1F300, 0x1FAFF}, {0x10000, 0x1FFFF}, {0x20000, 0x10FFFF},  // emoji, supplementary planes
      {0xD800, 0xDFFF},                                             // lone surrogates
  };
  std::uniform_int_distribution<size_t> length(0, maxLength), range(0, std::size(kRanges) - 1);
  std::u16string text;
  for (size_t n = length(rng); text.size() < n;) {
    const auto& r = kRanges[range(rng)];
    const char32_t c = std::uniform_int_distribution<char32_t>(r.first, r.second)(rng);
    if (c > 0xFFFF) {
      text += char16_t(0xD800 + ((c - 0x10000) >> 10));
      text += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      text += char16_t(c);
    }
  }
  return text;
}

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

class RandomText : public AddInTest {};

TEST_F(RandomText, EverySendIsExactlyTheMarksAroundTheSendersText) {
  StartOutlook();
  const char* levels[] = {"UNCLASSIFIED", "CONFIDENTIAL", "SECRET"};
  const std::string footer = " (for more info visit http://www.orvan.example/classify)";
  const std::string link =
      " (for more info visit <a href=\"http://www.orvan.example/classify\">http://www.orvan.example/classify</a>)";
  std::mt19937 rng(20261209);
  for (int round = 0; round < 300; ++round) {
    const long format = 1 + round % 3;
    const int level = 1 + (round / 3) % 3;
    const std::u16string subject = RandomWords(rng, 40), words = RandomWords(rng, 400);
    sim::MailItem* mail = world.Make<sim::MailItem>();
    mail->subject = subject;
    mail->bodyFormat = format;
    if (format == 1) mail->body = words;
    else mail->htmlBody = u"<html><body>" + words + u"</body></html>";  // rich text's HTMLBody is HTML too
    sim::Inspector* w = outlook.Open(mail);
    DropDown(w)->Choose(level);
    ASSERT_TRUE(outlook.Send(w));

    const std::string name = levels[level - 1];
    EXPECT_EQ(mail->subject, Wide("[" + name + "] ") + subject) << "round " << round;
    if (format != 1) {
      const std::u16string mark = Wide("<b>Classification: " + name + "</b> " + link);
      EXPECT_EQ(mail->htmlBody, u"<html><body>" + mark + u"<br><br>" + words + u"<br>" + mark + u"</body></html>")
          << "round " << round;
    } else {
      const std::u16string mark = Wide("Classification: " + name + " " + footer);
      EXPECT_EQ(mail->body, mark + u"\n\n" + words + u"\n" + mark) << "round " << round;
    }
    EXPECT_EQ(mail->bodyFormat, format);
  }
}

}  // namespace
