#include "app/c_numbers.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "platform/number_text.h"

namespace kestavon {

std::optional<double> parseCNumber(std::string_view text) {
  // std::from_chars reads strtod's forms, but for a leading '+' and the 0x of hexadecimal.
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  auto format = std::chars_format::general;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    format = std::chars_format::hex;
    text.remove_prefix(2);
    if (text.front() == '+' || text.front() == '-') return std::nullopt;  // "0x-1" is no number
  }
  double value = 0;
  const auto [end, error] = readDouble(text.data(), text.data() + text.size(), value, format);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

bool tooSmallForDouble(std::string_view text) {
  if (text.starts_with('-') || text.starts_with('+')) text.remove_prefix(1);
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) text.remove_prefix(2);
  double value = 0;
  const auto [end, error] = readDouble(text.data(), text.data() + text.size(), value,
                                       hex ? std::chars_format::hex : std::chars_format::general);
  if (error != std::errc::result_out_of_range || end != text.data() + text.size()) return false;
  // Out of range either way: the power of the first significant digit and the exponent tell which.
  const std::size_t mark = text.find_first_of(hex ? "pP" : "eE");
  const std::string_view digits = text.substr(0, mark);
  long long exponent = 0;
  if (mark != std::string_view::npos) {
    std::string_view written = text.substr(mark + 1);
    const bool negative = written.starts_with('-');
    if (negative || written.starts_with('+')) written.remove_prefix(1);
    const auto read = std::from_chars(written.data(), written.data() + written.size(), exponent);
    if (read.ec == std::errc::result_out_of_range) exponent = LLONG_MAX / 4;
    if (negative) exponent = -exponent;
  }
  const std::size_t point = std::min(digits.find('.'), digits.size());
  const std::size_t first = digits.find_first_not_of("0.");
  if (first == std::string_view::npos) return false;  // zero, which a double holds
  const auto place = first < point ? static_cast<long long>(point - first - 1)
                                   : -static_cast<long long>(first - point);
  return place * (hex ? 4 : 1) + exponent < 0;
}

std::optional<std::uint64_t> parseWholeNumber(std::string_view text) {
  std::uint64_t value = 0;
  const char* const end = text.data() + text.size();
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace kestavon
