#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestavon {

// A number as strtod reads it in the C locale (a decimal point whatever the user's locale), the
// whole text and nothing else; nothing for text that is not one. Infinities and NaN come back as
// such: the caller decides whether they are allowed.
std::optional<double> parseCNumber(std::string_view text);

// A whole number written with the digits 0-9 only (no sign, no spaces), up to 2^64 - 1; nothing
// for anything else.
std::optional<std::uint64_t> parseWholeNumber(std::string_view text);

}  // namespace kestavon
