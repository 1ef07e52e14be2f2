#pragma once

#include <optional>
#include <string>

namespace kestavon {

// When `argument` is one of the toolkit's own command-line options (front_end.h), the line that
// says that it is not read and what does its job instead; otherwise nothing. `next` is the
// argument after it, or null.
std::optional<std::string> toolkitOptionMessage(const std::string& argument,
                                                const std::string* next);

}  // namespace kestavon
