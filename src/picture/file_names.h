#pragma once

// What the writer's system calls share about names (POSIX and Windows alike).

#include <string>

namespace kestavon {

// The folder part of a name, with its last separator ("" for a name in the working folder): a
// slash, and on Windows also a backslash or a drive's colon.
std::string folderPart(const std::string& name);

// A new name for a temporary file in `folder` (a folder part, as above): ".kestavon-" and eight
// random letters and digits, short whatever the length of the name it will replace.
std::string temporaryName(const std::string& folder);

}  // namespace kestavon
