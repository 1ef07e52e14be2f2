// The picture writer's system calls on Windows. Names are the program's bytes, WTF-8 of the
// system's UTF-16 (platform/wide_text.h), and go to the wide API unchanged.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <string>

#include "picture/file_names.h"
#include "picture/system_files.h"
#include "platform/end.h"
#include "platform/wide_text.h"
#include "platform/windows_console.h"

namespace kestavon {
namespace {

// How long a window's save waits for a pipe's reader to take more.
constexpr DWORD kStallMilliseconds = 500;

// The system's words for an error, without the full stop and line end it puts after them.
std::string reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string words(text, text + length);
  LocalFree(text);
  while (!words.empty() && (words.back() == u'\n' || words.back() == u'\r' ||
                            words.back() == u' ' || words.back() == u'.')) {
    words.pop_back();
  }
  return words.empty() ? "error " + std::to_string(error) : fromWide(words);
}

Destination refused(std::string why) { return {DestinationKind::Other, {}, std::move(why)}; }

// The full name of a file, as GetFullPathNameW makes it.
std::wstring fullName(const std::string& name) {
  const std::wstring given = wide(name);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return given;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

// A new file with a short name of its own in `folder`, opened for writing; INVALID_HANDLE_VALUE
// with the last error set when none can be made. `flags` are CreateFileW's.
HANDLE createTemporary(const std::string& folder, std::string& name, DWORD flags) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = temporaryName(folder);
    const HANDLE file =
        CreateFileW(wide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, flags, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

// Whether a file can be made in the folder of `name`: one is made, and goes again when closed.
std::string folderRefusal(const std::string& name) {
  std::string probe;
  const HANDLE file = createTemporary(folderPart(name), probe,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
  if (file == INVALID_HANDLE_VALUE) return reason(GetLastError());
  CloseHandle(file);
  return {};
}

// Writes all of `bytes`, however many writes it takes; the system's error when one fails, or 0.
DWORD writeAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 24));
    if (WriteFile(file, bytes.data(), count, &written, nullptr) == 0) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes = bytes.subspan(written);
  }
  return 0;
}

std::optional<std::string> failureOf(DWORD error) {
  if (error == 0) return std::nullopt;
  return reason(error);
}

// While it lives, Ctrl+C and Ctrl+Break in the console wait; one that came meanwhile ends the
// program when it goes, as it would have ended it before, after the temporary file is gone.
class HeldConsoleBreaks {
 public:
  HeldConsoleBreaks() { SetConsoleCtrlHandler(hold, TRUE); }
  ~HeldConsoleBreaks() {
    SetConsoleCtrlHandler(hold, FALSE);
    if (s_came) ExitProcess(STATUS_CONTROL_C_EXIT);
  }
  HeldConsoleBreaks(const HeldConsoleBreaks&) = delete;
  HeldConsoleBreaks& operator=(const HeldConsoleBreaks&) = delete;

 private:
  static BOOL WINAPI hold(DWORD event) {  // on a thread of the system's
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    s_came = true;
    return TRUE;
  }
  static inline std::atomic<bool> s_came = false;
};

// A named pipe's name: opened to be looked at, it would take the place of the program that reads.
bool isPipeName(std::string_view name) {
  if (name.size() < 9) return false;
  std::string prefix(name.substr(0, 9));
  for (char& c : prefix)
    c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return prefix == "\\\\.\\pipe\\";
}

// Writes `bytes` into a stream opened for overlapped writes, giving up when it takes nothing for
// `stall` milliseconds.
std::optional<std::string> writeWithin(HANDLE stream, std::span<const std::uint8_t> bytes,
                                       DWORD stall) {
  OVERLAPPED pending{};
  pending.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (pending.hEvent == nullptr) return reason(GetLastError());
  std::optional<std::string> failure;
  while (!bytes.empty() && !failure) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 24));
    if (WriteFile(stream, bytes.data(), count, nullptr, &pending) == 0 &&
        GetLastError() != ERROR_IO_PENDING) {
      failure = reason(GetLastError());
    } else if (WaitForSingleObject(pending.hEvent, stall) == WAIT_TIMEOUT) {
      CancelIoEx(stream, &pending);
      GetOverlappedResult(stream, &pending, &written, TRUE);
      failure = "the program reading it stopped reading";
    } else if (GetOverlappedResult(stream, &pending, &written, FALSE) == 0) {
      failure = reason(GetLastError());
    } else {
      bytes = bytes.subspan(written);
    }
  }
  CloseHandle(pending.hEvent);
  return failure;
}

}  // namespace

Destination destinationOf(const std::string& name) {
  if (name == kStandardOutput) {
    void* const output = standardHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr) return {DestinationKind::StandardOutput, {}, "there is none"};
    if (isConsole(output)) {
      return {
          DestinationKind::StandardOutput, {}, "it is a terminal; redirect it to a file or a pipe"};
    }
    return {DestinationKind::StandardOutput, {}, {}};
  }
  if (name.empty()) return refused("no file name");
  if (isPipeName(name)) return {DestinationKind::Stream, name, {}};
  const HANDLE existing = CreateFileW(wide(name).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (existing == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return {DestinationKind::File, name, reason(error)};
    return {DestinationKind::File, name, folderRefusal(name)};  // a new file
  }
  const DWORD type = GetFileType(existing);
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(existing, &information) != 0;
  CloseHandle(existing);
  // NUL, a console, a named pipe: written directly.
  if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) return {DestinationKind::Stream, name, {}};
  if (!known || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return refused("it is a directory; a picture goes into a file, a pipe or a device");
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return {DestinationKind::File, name, reason(ERROR_ACCESS_DENIED)};
  }
  return {DestinationKind::File, name, folderRefusal(name)};
}

std::optional<std::string> replaceFile(const std::string& path,
                                       std::span<const std::uint8_t> bytes) {
  const HeldConsoleBreaks held;  // from the temporary file's creation until it is renamed or gone
  std::string temporary;
  const HANDLE file = createTemporary(folderPart(path), temporary, FILE_ATTRIBUTE_NORMAL);
  if (file == INVALID_HANDLE_VALUE) return reason(GetLastError());
  std::optional<std::string> failure = failureOf(writeAll(file, bytes));
  if (!failure && FlushFileBuffers(file) == 0) failure = reason(GetLastError());
  if (CloseHandle(file) == 0 && !failure) failure = reason(GetLastError());
  if (!failure) {
    // ReplaceFileW keeps the old file's attributes, owner and access rights; a new file is moved
    // into place. Both by their full names, which wine's ReplaceFileW needs.
    const std::wstring target = fullName(path), replacement = fullName(temporary);
    const auto moveIntoPlace = [&] {
      return MoveFileExW(replacement.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    };
    if (ReplaceFileW(target.c_str(), replacement.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr) == 0) {
      const DWORD error = GetLastError();
      // The old file gone (it vanished, or ReplaceFileW removed it and could not move the new one
      // after it): the new one is moved into its place.
      const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
      if (!gone || !moveIntoPlace()) {
        failure = reason(gone ? GetLastError() : error);
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
          // The new picture is the only one left: it stays, and the message says where.
          return *failure + "; the picture is in " + temporary;
        }
      }
    }
  }
  if (failure) DeleteFileW(wide(temporary).c_str());
  return failure;
}

std::optional<std::string> writeStream(const std::string& name, std::span<const std::uint8_t> bytes,
                                       Patience patience) {
  const bool never = patience == Patience::Never;
  const HANDLE stream =
      CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, never ? FILE_FLAG_OVERLAPPED : 0, nullptr);
  if (stream == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const bool unread =
        isPipeName(name) && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PIPE_BUSY);
    return unread ? std::string("no program is reading it") : reason(error);
  }
  std::optional<std::string> failure =
      never ? writeWithin(stream, bytes, kStallMilliseconds) : failureOf(writeAll(stream, bytes));
  if (CloseHandle(stream) == 0 && !failure) failure = reason(GetLastError());
  return failure;
}

std::optional<std::string> writeStandardOutput(std::span<const std::uint8_t> bytes) {
  void* const output = standardHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr) return std::nullopt;  // started without a console or a file to write
  if (isConsole(output)) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (writeConsole(output, text)) return std::nullopt;
    return reason(GetLastError());
  }
  const DWORD error = writeAll(output, bytes);
  // A pipe whose reader has gone ends the program quietly, as SIGPIPE ends it elsewhere.
  if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE) endProgram(1);
  return failureOf(error);
}

}  // namespace kestavon
