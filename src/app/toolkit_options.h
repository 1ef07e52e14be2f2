#pragma once

#include <QString>
#include <optional>

namespace kestavon {

// When `argument` is one of the toolkit's (Qt's) own command-line options (-platform, -style,
// -display, ..., with one dash or two, with or without =value), the line that says these are not
// read here and which environment variable does the job instead, if any; otherwise nothing.
// `next` is the argument after it (its value, when it takes one), or null.
std::optional<QString> toolkitOptionMessage(const QString& argument, const QString* next);

}  // namespace kestavon
