#pragma once

// Names and text between the program's bytes and Windows's 16-bit units. The program keeps every
// name as bytes; on Windows those bytes are the system's UTF-16 in WTF-8, UTF-8 that also encodes a
// lone surrogate (which a Windows file name may hold) as its three bytes, so that every name makes
// the round trip unchanged. Plain C++, tested on every system.

#include <string>
#include <string_view>

namespace kestavon {

// UTF-16 (lone surrogates too) as WTF-8.
std::string fromWide(std::u16string_view wide);

// WTF-8 as UTF-16. A byte that is no part of a WTF-8 sequence becomes U+FFFD: such bytes never come
// from fromWide, and a name with them cannot have come from Windows.
std::u16string toWide(std::string_view bytes);

// The same for the Windows API's wchar_t, which is a 16-bit unit there.
inline std::wstring wide(std::string_view bytes) {
  const std::u16string units = toWide(bytes);
  return {units.begin(), units.end()};
}
inline std::string narrow(std::wstring_view text) {
  return fromWide(std::u16string(text.begin(), text.end()));
}

}  // namespace kestavon
