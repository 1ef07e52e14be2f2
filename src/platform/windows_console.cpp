#include "platform/windows_console.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/wide_text.h"

namespace kestavon {

void* standardHandle(unsigned long which) {
  HANDLE handle = GetStdHandle(which);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) return handle;
  static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  if (!attached) return nullptr;
  handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  SetStdHandle(which, handle);
  return handle;
}

bool isConsole(void* handle) {
  DWORD mode = 0;
  return handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

bool writeConsole(void* handle, std::string_view text) {
  const std::u16string wide = toWide(text);
  const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
  for (std::size_t done = 0; done < wide.size();) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 16384));
    if (WriteConsoleW(handle, units + done, count, &written, nullptr) == 0 || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace kestavon
