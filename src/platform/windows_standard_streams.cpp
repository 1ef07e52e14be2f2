#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/end.h"
#include "platform/standard_streams.h"
#include "platform/wide_text.h"
#include "platform/windows_errors.h"

namespace kestavon {
namespace {

// The handle of STD_OUTPUT_HANDLE or STD_ERROR_HANDLE, the parent's console attached once on the
// first use where the program has none; nullptr when there is none.
HANDLE standardHandle(DWORD which) {
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

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

// UTF-8 text into a console as UTF-16, whatever its code page.
bool writeConsole(HANDLE handle, std::string_view text) {
  const std::wstring units = wide(text);
  for (std::size_t done = 0; done < units.size();) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(units.size() - done, 16384));
    if (WriteConsoleW(handle, units.data() + done, count, &written, nullptr) == 0 || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

// 0, or the system's error.
DWORD writeAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 24));
    if (WriteFile(handle, bytes.data(), count, &written, nullptr) == 0) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes.remove_prefix(written);
  }
  return 0;
}

// What a MessageBoxWithoutConsole keeps while one lives, and its title.
std::optional<std::string> keptForBox;
std::string boxCaption;

}  // namespace

StandardOutputState standardOutputState() {
  const HANDLE output = standardHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr) return StandardOutputState::Closed;
  if (isConsole(output)) return StandardOutputState::Terminal;
  return StandardOutputState::Writable;
}

std::optional<std::string> writeStandardOutput(std::span<const std::uint8_t> bytes) {
  const HANDLE output = standardHandle(STD_OUTPUT_HANDLE);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (output == nullptr) return systemWords(ERROR_INVALID_HANDLE);
  if (isConsole(output)) {
    if (writeConsole(output, text)) return std::nullopt;
    return systemWords(GetLastError());
  }
  const DWORD error = writeAll(output, text);
  // A pipe whose reader has gone ends the program quietly, as SIGPIPE ends it elsewhere.
  if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE) endProgram(1);
  if (error != 0) return systemWords(error);
  return std::nullopt;
}

bool standardErrorIsTerminal() { return isConsole(standardHandle(STD_ERROR_HANDLE)); }

void writeStandardError(std::string_view text) {
  const HANDLE handle = standardHandle(STD_ERROR_HANDLE);
  if (handle == nullptr) {
    if (keptForBox) keptForBox->append(text);
    return;
  }
  if (isConsole(handle) && writeConsole(handle, text)) return;
  writeAll(handle, text);
}

MessageBoxWithoutConsole::MessageBoxWithoutConsole(const std::string& caption) {
  keptForBox.emplace();
  boxCaption = caption;
}

MessageBoxWithoutConsole::~MessageBoxWithoutConsole() {
  std::string text = std::move(*keptForBox);
  keptForBox.reset();
  if (text.empty()) return;
  // The lines as a box shows them: without the program's name before each.
  constexpr std::string_view kName = "kestavon: ";
  for (std::size_t at = 0; (at = text.find(kName, at)) != std::string::npos;) {
    if (at == 0 || text[at - 1] == '\n') {
      text.erase(at, kName.size());
    } else {
      at += kName.size();
    }
  }
  MessageBoxW(nullptr, wide(text).c_str(), wide(boxCaption).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace kestavon
