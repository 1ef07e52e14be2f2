#include "platform/wide_text.h"

#include <gtest/gtest.h>

#include <string>

#include "support/named_case.h"

namespace kestavon {
namespace {

struct WideCase : testing_support::NamedCase {
  std::u16string wide;
  std::string bytes;
};

class WideTextTest : public testing::TestWithParam<WideCase> {};

// A Windows name makes the round trip through the program's bytes unchanged, lone surrogates too,
// and its bytes are UTF-8 wherever it is valid UTF-16.
TEST_P(WideTextTest, NamesMakeTheRoundTrip) {
  const WideCase& c = GetParam();
  EXPECT_EQ(fromWide(c.wide), c.bytes);
  EXPECT_EQ(toWide(c.bytes), c.wide);
}

INSTANTIATE_TEST_SUITE_P(
    Names, WideTextTest,
    testing::Values(WideCase{{"ascii"}, u"plot.png", "plot.png"},
                    WideCase{{"latin"}, u"caf\u00e9.png", "caf\xc3\xa9.png"},
                    WideCase{{"cjk"}, u"\u65e5\u672c", "\xe6\x97\xa5\xe6\x9c\xac"},
                    WideCase{{"surrogate_pair"}, u"\U0001F600", "\xf0\x9f\x98\x80"},
                    WideCase{{"lone_high"}, u"a\xd800z", "a\xed\xa0\x80z"},
                    WideCase{{"lone_low_at_end"}, u"a\xdc00", "a\xed\xb0\x80"},
                    WideCase{{"low_then_high"}, u"\xdc00\xd800", "\xed\xb0\x80\xed\xa0\x80"},
                    WideCase{{"nul"}, std::u16string(1, u'\0'), std::string(1, '\0')}),
    testing_support::caseName);

TEST(WideTextTest, BytesThatAreNoWtf8BecomeReplacementCharacters) {
  EXPECT_EQ(toWide("\xe9.png"), u"\ufffd.png");
  EXPECT_EQ(toWide("\xc0\xaf"), u"\ufffd\ufffd");                      // an overlong '/'
  EXPECT_EQ(toWide("\xf4\x90\x80\x80"), u"\ufffd\ufffd\ufffd\ufffd");  // beyond U+10FFFF
  EXPECT_EQ(toWide("\xe6\x97"), u"\ufffd\ufffd");                      // cut short
}

}  // namespace
}  // namespace kestavon
