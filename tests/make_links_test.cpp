#include <gtest/gtest.h>
#include "classify/make_links.h"

namespace {

TEST(MakeLinks, DefaultFooterAddressBecomesALinkBeforeTheParenthesis) {
  EXPECT_EQ(MakeLinks(" (for more info visit http://www.orvan.example/classify)"),
            " (for more info visit <a href=\"http://www.orvan.example/classify\">http://www.orvan.example/classify</a>)");
}

TEST(MakeLinks, TextsWithoutAnAddressOrWithoutAnEndStayAsTheyAre) {
  EXPECT_EQ(MakeLinks("no address here, not even HTTP:/ or mailto"), "no address here, not even HTTP:/ or mailto");
  EXPECT_EQ(MakeLinks("see \"http://x.example and more"), "see \"http://x.example and more");
  EXPECT_EQ(MakeLinks(""), "");
}

TEST(MakeLinks, SecureAddressesAndAnAddressThatEndsTheTextAreLinksToo) {
  EXPECT_EQ(MakeLinks("see http://x.example"), "see <a href=\"http://x.example\">http://x.example</a>");
  EXPECT_EQ(MakeLinks(" (rules: https://intranet.example/c)"),
            " (rules: <a href=\"https://intranet.example/c\">https://intranet.example/c</a>)");
  EXPECT_EQ(MakeLinks("mailto:a@b.example then https://one.example"),
            "mailto:a@b.example then <a href=\"https://one.example\">https://one.example</a>");
}

TEST(MakeLinks, QuotedAddressLosesItsQuotesAndKeepsBlanks) {
  EXPECT_EQ(MakeLinks("go \"http://x.example/a b (c)\" now"),
            "go <a href=\"http://x.example/a b (c)\">http://x.example/a b (c)</a> now");
}

TEST(MakeLinks, EndsAtTheFirstTerminatorOfAnUnquotedAddress) {
  EXPECT_EQ(MakeLinks("a http://x.example/p\r\nb"), "a <a href=\"http://x.example/p\r\">http://x.example/p\r</a>\nb");
  EXPECT_EQ(MakeLinks("HTTP://X.example/Q\tz"), "<a href=\"HTTP://X.example/Q\">HTTP://X.example/Q</a>\tz");
  EXPECT_EQ(MakeLinks("mail MAILTO:a@b.example "), "mail <a href=\"MAILTO:a@b.example\">MAILTO:a@b.example</a> ");
}

TEST(MakeLinks, OnlyTheFirstWebAddressEvenAfterAMailAddress) {
  EXPECT_EQ(MakeLinks("mailto:a@b.example http://one.example http://two.example "),
            "mailto:a@b.example <a href=\"http://one.example\">http://one.example</a> http://two.example ");
}

TEST(MakeLinks, TheRestOfTheTextAndTheAddressAreHtmlText) {
  EXPECT_EQ(MakeLinks("R&D <restricted> see \"http://a.example/?a=<1>\" now"),
            "R&amp;D &lt;restricted&gt; see <a href=\"http://a.example/?a=&lt;1&gt;\">http://a.example/?a=&lt;1&gt;</a> now");
  EXPECT_EQ(MakeLinks("see http://a.example/?a=1&b=2 now & then"),
            "see <a href=\"http://a.example/?a=1&amp;b=2\">http://a.example/?a=1&amp;b=2</a> now &amp; then");
  EXPECT_EQ(MakeLinks("no address <b>"), "no address &lt;b&gt;");
}

TEST(MakeLinks, AddressTooLongForItsLinkLeavesTheTextUnchanged) {
  std::string fits = "http://" + std::string(497, 'a');  // 504 characters: link of 1023
  EXPECT_NE(MakeLinks(fits + " "), fits + " ");
  std::string tooLong = "http://" + std::string(498, 'a');
  EXPECT_EQ(MakeLinks(tooLong + " "), tooLong + " ");
}

}  // namespace
