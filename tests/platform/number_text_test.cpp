#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "support/named_case.h"

namespace kestavon {
namespace {

using number_text_detail::readDoubleByStrtod;
using number_text_detail::shortestTextByPrintf;

std::uint64_t bitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Texts as to_chars writes them, from values that choose fixed or scientific by a character,
// integers beyond 2^53 (their exact digits), subnormals and the ends of the range.
struct TextCase : testing_support::NamedCase {
  double value;
  const char* text;
};

class ShortestText : public testing::TestWithParam<TextCase> {};

TEST_P(ShortestText, IsTheLibrarysText) {
  EXPECT_EQ(shortestText(GetParam().value), GetParam().text);
  EXPECT_EQ(shortestTextByPrintf(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ShortestText,
    testing::Values(
        TextCase{{"zero"}, 0.0, "0"}, TextCase{{"negative_zero"}, -0.0, "-0"},
        TextCase{{"infinity"}, HUGE_VAL, "inf"}, TextCase{{"negative_infinity"}, -HUGE_VAL, "-inf"},
        TextCase{{"nan"}, std::nan(""), "nan"}, TextCase{{"negative_nan"}, -std::nan(""), "-nan"},
        TextCase{{"small_integer"}, 32768, "32768"}, TextCase{{"halves"}, -40000.5, "-40000.5"},
        TextCase{{"tenth"}, 0.1, "0.1"}, TextCase{{"fixed_on_a_tie"}, 0.001, "0.001"},
        TextCase{{"scientific_when_shorter"}, 0.0001, "1e-04"},
        TextCase{{"hundred_thousand_scientific"}, 100000, "1e+05"},
        TextCase{{"a_million_and_a_half"}, 1.5e6, "1500000"},
        TextCase{{"ten_to_the_sixteenth"}, 1e16, "1e+16"},
        TextCase{{"exact_digits_of_an_integer"}, 0x1p60, "1152921504606846976"},
        TextCase{{"big_fixed"}, 123456789012345680000.0, "123456789012345683968"},
        TextCase{{"seventeen_digits"}, 0.30000000000000004, "0.30000000000000004"},
        TextCase{{"hundred_digit_exponent"}, 1e300, "1e+300"},
        TextCase{{"largest"}, 1.7976931348623157e308, "1.7976931348623157e+308"},
        TextCase{{"smallest_normal"}, 0x1p-1022, "2.2250738585072014e-308"},
        TextCase{{"smallest_subnormal"}, 0x1p-1074, "5e-324"},
        TextCase{{"one_third"}, 1.0 / 3, "0.3333333333333333"},
        TextCase{{"scaled_pi"}, 31415.926535897932, "31415.926535897932"}),
    testing_support::caseName);

// Random doubles of every exponent, against the library's own where it has one.
TEST(ShortestText, AgreesWithTheLibraryOnRandomDoubles) {
#if defined(__cpp_lib_to_chars)
  std::mt19937_64 bits(20240611);
  for (int i = 0; i < 50000; ++i) {
    const std::uint64_t drawn = bits();
    double value;
    std::memcpy(&value, &drawn, sizeof value);
    char text[32];
    const std::string library(text, std::to_chars(text, text + sizeof text, value).ptr);
    ASSERT_EQ(shortestTextByPrintf(value), library) << std::hexfloat << value;
  }
#else
  GTEST_SKIP() << "this standard library has no std::to_chars for doubles to compare with";
#endif
}

// Texts as from_chars reads them: how much it takes, what it gives, what it refuses.
struct ReadCase : testing_support::NamedCase {
  const char* text;
  std::chars_format format;
  std::errc error;
  std::size_t taken;
  double value;  // for a number read
};

constexpr auto kGeneral = std::chars_format::general;
constexpr auto kHex = std::chars_format::hex;
constexpr auto kOk = std::errc();
constexpr auto kInvalid = std::errc::invalid_argument;
constexpr auto kRange = std::errc::result_out_of_range;

class ReadDouble : public testing::TestWithParam<ReadCase> {
 protected:
  static void expectRead(const char* who, std::from_chars_result result, double value,
                         const ReadCase& c) {
    SCOPED_TRACE(who);
    EXPECT_EQ(result.ec, c.error);
    if (c.error == kInvalid) return;
    EXPECT_EQ(static_cast<std::size_t>(result.ptr - c.text), c.taken);
    if (c.error == kRange) {
      EXPECT_EQ(bitsOf(value), bitsOf(-7.0)) << "the value is left as it was";
    } else if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(value));
      EXPECT_EQ(std::signbit(value), std::signbit(c.value));
    } else {
      EXPECT_EQ(bitsOf(value), bitsOf(c.value)) << std::hexfloat << value;
    }
  }
};

TEST_P(ReadDouble, ReadsAsTheLibraryReads) {
  const ReadCase& c = GetParam();
  const char* const end = c.text + std::strlen(c.text);
  double value = -7.0;
  std::from_chars_result result = readDouble(c.text, end, value, c.format);
  expectRead("readDouble", result, value, c);
  value = -7.0;
  result = readDoubleByStrtod(c.text, end, value, c.format);
  expectRead("stand-in", result, value, c);
#if defined(__cpp_lib_to_chars)
  value = -7.0;
  result = std::from_chars(c.text, end, value, c.format);
  expectRead("library", result, value, c);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadDouble,
    testing::Values(
        ReadCase{{"decimal"}, "0.5", kGeneral, kOk, 3, 0.5},
        ReadCase{{"negative"}, "-2.25", kGeneral, kOk, 5, -2.25},
        ReadCase{{"exponent"}, "1e300", kGeneral, kOk, 5, 1e300},
        ReadCase{{"exponent_sign"}, "125E-3", kGeneral, kOk, 6, 0.125},
        ReadCase{{"point_first"}, ".5", kGeneral, kOk, 2, 0.5},
        ReadCase{{"point_last"}, "5.", kGeneral, kOk, 2, 5.0},
        ReadCase{
            {"rounded_to_nearest"}, "0.1000000000000000055511151231257827", kGeneral, kOk, 36, 0.1},
        ReadCase{{"tie_to_even"}, "9007199254740993", kGeneral, kOk, 16, 9007199254740992.0},
        ReadCase{{"subnormal"}, "4e-320", kGeneral, kOk, 6, 4e-320},
        ReadCase{{"smallest_subnormal"}, "5e-324", kGeneral, kOk, 6, 0x1p-1074},
        ReadCase{{"exact_zero"}, "0e-999", kGeneral, kOk, 6, 0.0},
        ReadCase{{"exponent_without_digits"}, "3e", kGeneral, kOk, 1, 3.0},
        ReadCase{{"exponent_sign_only"}, "3e+", kGeneral, kOk, 1, 3.0},
        ReadCase{{"trailing_text"}, "2.5x", kGeneral, kOk, 3, 2.5},
        ReadCase{{"too_big"}, "1e309", kGeneral, kRange, 5, 0},
        ReadCase{{"too_small"}, "1e-400", kGeneral, kRange, 6, 0},
        ReadCase{{"infinity_short"}, "inf", kGeneral, kOk, 3, HUGE_VAL},
        ReadCase{{"infinity_long"}, "-INFINITY", kGeneral, kOk, 9, -HUGE_VAL},
        ReadCase{{"infinity_partial"}, "infinit", kGeneral, kOk, 3, HUGE_VAL},
        ReadCase{{"nan"}, "NaN", kGeneral, kOk, 3, std::nan("")},
        ReadCase{{"nan_payload"}, "nan(abc_1)", kGeneral, kOk, 10, std::nan("")},
        ReadCase{{"nan_open_payload"}, "nan(abc", kGeneral, kOk, 3, std::nan("")},
        ReadCase{{"plus_refused"}, "+1", kGeneral, kInvalid, 0, 0},
        ReadCase{{"space_refused"}, " 1", kGeneral, kInvalid, 0, 0},
        ReadCase{{"point_alone"}, ".", kGeneral, kInvalid, 0, 0},
        ReadCase{{"empty"}, "", kGeneral, kInvalid, 0, 0},
        ReadCase{{"hex"}, "1.8p1", kHex, kOk, 5, 3.0},
        ReadCase{{"hex_letters"}, "fFp-4", kHex, kOk, 5, 15.9375},
        ReadCase{{"hex_no_exponent"}, "a.8", kHex, kOk, 3, 10.5},
        ReadCase{{"hex_without_0x"}, "0x1", kHex, kOk, 1, 0.0},
        ReadCase{{"hex_too_big"}, "1p1024", kHex, kRange, 6, 0},
        ReadCase{{"hex_subnormal"}, "1p-1074", kHex, kOk, 7, 0x1p-1074},
        ReadCase{{"hex_too_small"}, "1p-1080", kHex, kRange, 7, 0},
        ReadCase{{"general_is_not_hex"}, "ff", kGeneral, kInvalid, 0, 0}),
    testing_support::caseName);

}  // namespace
}  // namespace kestavon
