#pragma once

#include <string>
#include <vector>

namespace kestavon {

// The program's arguments after its name, each as bytes: as the system gave them to main on POSIX
// systems; on Windows the command line's own UTF-16 arguments in WTF-8 (platform/wide_text.h),
// whatever the code page, so that every file name reaches the system unchanged.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace kestavon
