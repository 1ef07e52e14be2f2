#include "app/c_numbers.h"

#include <charconv>
#include <clocale>  // newlocale (POSIX)
#include <cstdlib>  // strtod_l (POSIX)
#include <string>

namespace kestavon {
namespace {

// The C locale, made once for the whole program and never freed.
locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return locale;
}

}  // namespace

std::optional<double> parseCNumber(std::string_view text) {
  const std::string copy(text);  // strtod_l needs the terminating zero
  if (copy.empty() || copy.find('\0') != std::string::npos || cLocale() == nullptr) {
    return std::nullopt;
  }
  char* end = nullptr;
  const double value = strtod_l(copy.c_str(), &end, cLocale());
  if (end != copy.c_str() + copy.size()) return std::nullopt;
  return value;
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
