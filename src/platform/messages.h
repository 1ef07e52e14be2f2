#pragma once

#include <string>
#include <string_view>

#include "platform/standard_streams.h"  // where report() writes

namespace kestavon {

// Bytes as a message can show them on one line: valid UTF-8 stays as it is, except control
// characters, which are escaped (\n, \t, \r, others \xNN for C0 and DEL, \u0080 to \u009f for C1);
// a byte that is not part of valid UTF-8 is escaped as \xNN. A file name or a value that the user
// typed thus shows as its own bytes, and a line of a message stays one line. Escaping again
// changes nothing.
std::string printable(std::string_view bytes);

// Writes "kestavon: " and the line on standard error, made printable(): every line the program
// writes there starts with its name.
void report(std::string_view line);

}  // namespace kestavon
