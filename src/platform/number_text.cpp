#include "platform/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kestavon {

#if defined(__cpp_lib_to_chars)
std::string shortestText(double value) {
  char text[32];
  return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

std::from_chars_result readDouble(const char* first, const char* last, double& value,
                                  std::chars_format format) {
  return std::from_chars(first, last, value, format);
}
#else
std::string shortestText(double value) { return number_text_detail::shortestTextByPrintf(value); }

std::from_chars_result readDouble(const char* first, const char* last, double& value,
                                  std::chars_format format) {
  return number_text_detail::readDoubleByStrtod(first, last, value, format);
}
#endif

namespace number_text_detail {
namespace {

bool isDigit(char c, bool hex) {
  return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` starts with `word`, in any case.
bool startsWithWord(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lower(text[i]) != word[i]) return false;
  }
  return true;
}

// The length of the number that `text` starts with (no sign), as from_chars takes it: digits with
// an optional point, at least one digit, then an exponent only when digits follow its letter.
std::size_t numberLength(std::string_view text, bool hex) {
  std::size_t i = 0, digits = 0;
  for (; i < text.size() && isDigit(text[i], hex); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isDigit(text[i], hex); ++i) ++digits;
  }
  if (digits == 0) return 0;
  const char exponent = hex ? 'p' : 'e';
  if (i < text.size() && lower(text[i]) == exponent) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const std::size_t start = j;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
    if (j > start) i = j;
  }
  return i;
}

// The infinity or NaN that `text` starts with (no sign): its length, or 0.
std::size_t specialLength(std::string_view text, double& value) {
  if (startsWithWord(text, "inf")) {
    value = HUGE_VAL;
    return startsWithWord(text, "infinity") ? 8 : 3;
  }
  if (!startsWithWord(text, "nan")) return 0;
  value = std::nan("");
  std::size_t i = 3;
  if (i < text.size() && text[i] == '(') {
    std::size_t j = i + 1;
    while (j < text.size() &&
           (isDigit(text[j], false) || (lower(text[j]) >= 'a' && lower(text[j]) <= 'z') ||
            text[j] == '_')) {
      ++j;
    }
    if (j < text.size() && text[j] == ')') i = j + 1;
  }
  return i;
}

}  // namespace

std::string shortestTextByPrintf(double value) {
  const std::string sign = std::signbit(value) ? "-" : "";
  if (std::isnan(value)) return sign + "nan";
  if (std::isinf(value)) return sign + "inf";
  if (value == 0) return sign + "0";
  // The fewest significant digits that read back as the value, correctly rounded: the closest of
  // that many digits.
  char scientific[40];
  for (int precision = 0; precision < 17; ++precision) {
    std::snprintf(scientific, sizeof scientific, "%.*e", precision, std::fabs(value));
    if (std::strtod(scientific, nullptr) == std::fabs(value)) break;
  }
  const std::string_view text = scientific;
  const std::size_t e = text.find('e');
  std::string digits(text.substr(0, e));
  if (digits.size() > 1) digits.erase(1, 1);  // the point
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int exponent = std::atoi(scientific + e + 1);
  const auto count = static_cast<int>(digits.size());

  std::string shortScientific = digits.substr(0, 1);
  if (count > 1) shortScientific += "." + digits.substr(1);
  char exponentText[16];
  std::snprintf(exponentText, sizeof exponentText, "e%c%02d", exponent < 0 ? '-' : '+',
                std::abs(exponent));
  shortScientific += exponentText;

  std::string fixed;
  if (exponent < 0) {
    fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  } else if (count > exponent + 1) {
    const std::size_t point = static_cast<std::size_t>(exponent) + 1;
    fixed = digits.substr(0, point) + "." + digits.substr(point);
  } else {
    // An integer: its exact digits are as short as the shortest digits padded with zeros, and
    // nearer (to_chars takes the nearer of two texts of one length).
    char whole[320];
    std::snprintf(whole, sizeof whole, "%.0f", std::fabs(value));
    fixed = whole;
  }
  return sign + (fixed.size() <= shortScientific.size() ? fixed : shortScientific);
}

std::from_chars_result readDoubleByStrtod(const char* first, const char* last, double& value,
                                          std::chars_format format) {
  const std::string_view text(first, static_cast<std::size_t>(last - first));
  const bool negative = text.starts_with('-');
  const std::string_view unsigned_ = text.substr(negative ? 1 : 0);
  const bool hex = format == std::chars_format::hex;
  double special = 0;
  if (const std::size_t length = specialLength(unsigned_, special); length != 0) {
    value = negative ? -special : special;
    return {first + (negative ? 1 : 0) + length, std::errc()};
  }
  const std::size_t length = numberLength(unsigned_, hex);
  if (length == 0) return {first, std::errc::invalid_argument};
  const std::string number = std::string(negative ? "-" : "") + (hex ? "0x" : "") +
                             std::string(unsigned_.substr(0, length));
  const double read = std::strtod(number.c_str(), nullptr);
  const char* const end = first + (negative ? 1 : 0) + length;
  // Beyond the range of a double, or so small that it is zero: from_chars leaves the value as it
  // was. (A subnormal result is a value.) Told from the result and the digits, since not every
  // strtod sets errno for both.
  const std::string_view taken = unsigned_.substr(0, length);
  const std::string_view mantissa = taken.substr(0, taken.find_first_of(hex ? "pP" : "eE"));
  const bool zeroText = mantissa.find_first_of("123456789abcdefABCDEF") == std::string_view::npos;
  if (std::isinf(read) || (read == 0 && !zeroText)) return {end, std::errc::result_out_of_range};
  value = read;
  return {end, std::errc()};
}

}  // namespace number_text_detail
}  // namespace kestavon
