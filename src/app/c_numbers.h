#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestavon {

// A number written as C's strtod reads it in the C locale (a decimal point whatever the user's
// locale): an optional sign, then decimal digits with an optional exponent, 0x and hexadecimal
// digits with an optional binary exponent, or inf, infinity or nan; the whole text and nothing
// else, correctly rounded to the nearest double on every system. Nothing for other text, and for
// a number beyond the range of a double. Infinities and NaN come back as such: the caller decides
// whether they are allowed.
std::optional<double> parseCNumber(std::string_view text);

// Whether `text` is a number in parseCNumber's forms that no double can hold because it is too
// close to zero (1e-400), not too large: parseCNumber gives nothing for both.
bool tooSmallForDouble(std::string_view text);

// A whole number written with the digits 0-9 only (no sign, no spaces), up to 2^64 - 1; nothing
// for anything else.
std::optional<std::uint64_t> parseWholeNumber(std::string_view text);

}  // namespace kestavon
