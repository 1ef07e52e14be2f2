#pragma once

// Windows only: the system's words for an error code.

#include <string>

namespace kestavon {

// FormatMessageW's text for `error` as bytes (platform/wide_text.h), without the full stop and line
// end the system puts after it; "error N" where it has none.
std::string systemWords(unsigned long error);

}  // namespace kestavon
