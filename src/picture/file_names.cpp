#include "picture/file_names.h"

#include <random>

namespace kestavon {

std::string folderPart(const std::string& name) {
#if defined(_WIN32)
  const std::size_t separator = name.find_last_of("/\\:");
#else
  const std::size_t separator = name.rfind('/');
#endif
  return separator == std::string::npos ? std::string() : name.substr(0, separator + 1);
}

std::string temporaryName(const std::string& folder) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device source;
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
  std::string name = folder + ".kestavon-";
  for (int i = 0; i < 8; ++i) name += kLetters[letter(source)];
  return name;
}

}  // namespace kestavon
