#include "app/c_numbers.h"

#include <charconv>

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

std::optional<std::uint64_t> parseWholeNumber(std::string_view text) {
  std::uint64_t value = 0;
  const char* const end = text.data() + text.size();
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace kestavon
