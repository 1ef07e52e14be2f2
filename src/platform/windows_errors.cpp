#include "platform/windows_errors.h"

#include <windows.h>

#include "platform/wide_text.h"

namespace kestavon {

std::string systemWords(unsigned long error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring said(text, length);
  LocalFree(text);
  while (!said.empty() && std::wstring_view(L"\r\n .").find(said.back()) != std::wstring::npos) {
    said.pop_back();
  }
  return said.empty() ? "error " + std::to_string(error) : narrow(said);
}

}  // namespace kestavon
