#pragma once

// Doubles as text and back, as std::to_chars and std::from_chars write and read them: with the
// standard library's own where it has them for doubles, and where it does not (emscripten's libc++
// has them for integers only) with a stand-in made of snprintf and strtod in the C locale, the
// only locale there. The tests hold the stand-in to the library's, case for case.

#include <charconv>
#include <string>

namespace kestavon {

// The shortest text that reads back as `value`, as std::to_chars(first, last, value) writes it:
// fixed or scientific, whichever is shorter (fixed on a tie); "inf", "-nan" and so on.
std::string shortestText(double value);

// std::from_chars(first, last, value, format) for chars_format::general or chars_format::hex.
std::from_chars_result readDouble(const char* first, const char* last, double& value,
                                  std::chars_format format);

namespace number_text_detail {
// The stand-ins, built everywhere so that the tests can compare them with the library.
std::string shortestTextByPrintf(double value);
std::from_chars_result readDoubleByStrtod(const char* first, const char* last, double& value,
                                          std::chars_format format);
}  // namespace number_text_detail

}  // namespace kestavon
