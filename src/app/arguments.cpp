#include "app/arguments.h"

#include <algorithm>

#if defined(_WIN32)
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "platform/wide_text.h"
#endif

namespace kestavon {

std::vector<std::string> programArguments([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#if defined(_WIN32)
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    const std::wstring_view argument = wide[i];
    arguments.push_back(fromWide(std::u16string(argument.begin(), argument.end())));
  }
  LocalFree(wide);
  return arguments;
#else
  return {argv + std::min(argc, 1), argv + argc};
#endif
}

}  // namespace kestavon
