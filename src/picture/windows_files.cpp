// The picture writer's system calls on Windows. Names are the program's bytes, WTF-8 of the
// system's UTF-16 (platform/wide_text.h), and go to the wide API unchanged.

#include <windows.h>
// after windows.h
#include <winioctl.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "picture/file_system.h"
#include "platform/wide_text.h"
#include "platform/windows_errors.h"

namespace kestavon::files {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What the pipe file system answers to FSCTL_PIPE_WAIT: the question WaitNamedPipeW asks, which
// connects to nothing.
constexpr ULONG kPipeWait = CTL_CODE(FILE_DEVICE_NAMED_PIPE, 6, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr NTSTATUS kServed = 0;                                  // an instance waits
constexpr auto kBusy = static_cast<NTSTATUS>(0xC00000B5);        // STATUS_IO_TIMEOUT
constexpr auto kNoSuchPipe = static_cast<NTSTATUS>(0xC0000034);  // OBJECT_NAME_NOT_FOUND

struct PipeWait {
  LARGE_INTEGER timeout;
  ULONG nameLength;  // bytes
  BOOLEAN timeoutSpecified;
  WCHAR name[1];
};

HANDLE handleOf(const Handle& handle) { return reinterpret_cast<HANDLE>(handle.native()); }

Handle own(HANDLE handle) { return Handle(reinterpret_cast<std::intptr_t>(handle)); }

Failure failureOf(DWORD error, Failure::Kind kind = Failure::Kind::Other) {
  return {kind, systemWords(error)};
}

Handle openForAttributes(const std::string& name) {
  return own(CreateFileW(wide(name).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The folder part of a name, with its last separator: a slash, a backslash or a drive's colon.
std::string folderPart(const std::string& name) {
  const std::size_t separator = name.find_last_of("/\\:");
  return separator == std::string::npos ? std::string() : name.substr(0, separator + 1);
}

enum class PipeAnswer { NotPipe, Served, Unserved };

// Whether `name` is a named pipe, asked of the file system that holds its folder, whatever the
// spelling (\\.\pipe\, \\?\pipe\, \\.\GLOBALROOT\Device\NamedPipe\, ...): the pipe itself is never
// opened, as that would take the place of the program that reads it.
PipeAnswer askPipeFileSystem(const std::string& name) {
  std::string folder = folderPart(name);
  std::wstring pipe = wide(name.substr(folder.size()));
  while (!folder.empty()) {
    const Handle root = openForAttributes(folder);
    if (root.valid()) {
      std::replace(pipe.begin(), pipe.end(), L'/', L'\\');
      std::basic_string<std::byte> buffer(offsetof(PipeWait, name) + pipe.size() * 2, std::byte{0});
      auto* wait = reinterpret_cast<PipeWait*>(buffer.data());
      wait->timeout.QuadPart = -1;  // 100 ns: answered, not waited for
      wait->timeoutSpecified = TRUE;
      wait->nameLength = static_cast<ULONG>(pipe.size() * 2);
      std::copy(pipe.begin(), pipe.end(),
                reinterpret_cast<wchar_t*>(buffer.data() + offsetof(PipeWait, name)));
      IO_STATUS_BLOCK status{};
      const NTSTATUS answer =
          NtFsControlFile(handleOf(root), nullptr, nullptr, nullptr, &status, kPipeWait,
                          buffer.data(), static_cast<ULONG>(buffer.size()), nullptr, 0);
      if (answer == kNoSuchPipe) return PipeAnswer::Unserved;
      if (answer == kServed || answer == kBusy || GetFileType(handleOf(root)) == FILE_TYPE_PIPE) {
        return PipeAnswer::Served;
      }
      return PipeAnswer::NotPipe;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
        error != ERROR_BAD_PATHNAME && error != ERROR_INVALID_NAME) {
      return PipeAnswer::NotPipe;
    }
    // A pipe's name may hold backslashes: its folder is then the pipe file system further up.
    folder.pop_back();
    const std::string up = folderPart(folder);
    pipe = wide(folder.substr(up.size())) + L'\\' + pipe;
    folder = up;
  }
  return PipeAnswer::NotPipe;
}

// The full name of a file, as GetFullPathNameW makes it (wine's ReplaceFileW needs one).
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

Place placeAt(const std::string& prefix, std::string leaf, std::optional<Failure>& failure) {
  Place place;
  place.prefix = prefix;
  place.leaf = std::move(leaf);
  // Shown as the user would write it: \\?\C:\dir as C:\dir, \\?\UNC\host\share as \\host\share.
  place.folderName = prefix.empty()                       ? std::string(".")
                     : prefix.starts_with("\\\\?\\UNC\\") ? "\\\\" + prefix.substr(8)
                     : prefix.starts_with("\\\\?\\")      ? prefix.substr(4)
                                                          : prefix;
  if (place.folderName.size() > 1 &&
      place.folderName.find_last_of("/\\") == place.folderName.size() - 1 &&
      place.folderName[place.folderName.size() - 2] != ':') {
    place.folderName.pop_back();
  }
  place.folder = openForAttributes(prefix.empty() ? std::string(".") : prefix);
  if (!place.folder.valid()) failure = failureOf(GetLastError());
  return place;
}

// Writes into a stream opened for overlapped writes, giving up when it takes nothing for `stall`.
std::optional<Failure> writeWithin(HANDLE stream, std::span<const std::uint8_t> bytes,
                                   DWORD stall) {
  OVERLAPPED pending{};
  pending.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (pending.hEvent == nullptr) return failureOf(GetLastError());
  std::optional<Failure> failure;
  while (!bytes.empty() && !failure) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 24));
    if (WriteFile(stream, bytes.data(), count, nullptr, &pending) == 0 &&
        GetLastError() != ERROR_IO_PENDING) {
      failure = failureOf(GetLastError());
    } else if (WaitForSingleObject(pending.hEvent, stall) == WAIT_TIMEOUT) {
      CancelIoEx(stream, &pending);
      GetOverlappedResult(stream, &pending, &written, TRUE);
      failure = Failure{Failure::Kind::Stalled, {}};
    } else if (GetOverlappedResult(stream, &pending, &written, FALSE) == 0) {
      failure = failureOf(GetLastError());
    } else {
      bytes = bytes.subspan(written);
    }
  }
  CloseHandle(pending.hEvent);
  return failure;
}

}  // namespace

Handle::~Handle() {
  if (valid()) CloseHandle(handleOf(*this));
}

std::optional<Failure> close(Handle& handle) {
  if (CloseHandle(reinterpret_cast<HANDLE>(handle.release())) == 0) {
    return failureOf(GetLastError());
  }
  return std::nullopt;
}

Found lookAt(const std::string& name) {
  Found found;
  const PipeAnswer pipe = askPipeFileSystem(name);
  if (pipe != PipeAnswer::NotPipe) {
    found.kind = Kind::Stream;
    if (pipe == PipeAnswer::Unserved) found.failure = Failure{Failure::Kind::NoReader, {}};
    return found;
  }
  const Handle looked = openForAttributes(name);
  if (!looked.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      found.kind = Kind::Missing;  // a missing folder is told when a place is looked for there
    } else {
      found.failure = failureOf(error);
    }
    return found;
  }
  const DWORD type = GetFileType(handleOf(looked));
  BY_HANDLE_FILE_INFORMATION information{};
  if (type == FILE_TYPE_PIPE) {
    found.kind = Kind::Stream;
  } else if (type == FILE_TYPE_CHAR) {
    // NUL, COM1, CON, con.png: whatever the system makes of the name.
    found.handle =
        own(CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD mode = 0;
    if (!found.handle.valid()) {
      found.failure = failureOf(GetLastError());
    } else {
      found.kind =
          GetConsoleMode(handleOf(found.handle), &mode) != 0 ? Kind::Terminal : Kind::Stream;
    }
  } else if (GetFileInformationByHandle(handleOf(looked), &information) == 0) {
    found.failure = failureOf(GetLastError());
  } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    found.kind = Kind::Directory;
  } else {
    // Opened as the replace will need it: a read-only file, or one that another program holds
    // without sharing, says so now.
    const Handle probe = own(CreateFileW(wide(name).c_str(), GENERIC_WRITE | DELETE, kShareAll,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    if (!probe.valid()) {
      found.failure = failureOf(GetLastError());
    } else {
      found.kind = Kind::File;
      found.handle = openForAttributes(name);
    }
  }
  return found;
}

Place placeOfNew(const std::string& name, std::optional<Failure>& failure) {
  const std::string prefix = folderPart(name);
  return placeAt(prefix, name.substr(prefix.size()), failure);
}

Place placeOf(const Handle& file, const std::string& name, std::optional<Failure>& failure) {
  std::wstring whole(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(handleOf(file), whole.data(),
                                                   static_cast<DWORD>(whole.size()), 0);
    if (length == 0) return placeOfNew(name, failure);  // the name as typed, then
    if (length < whole.size()) {
      whole.resize(length);
      break;
    }
    whole.resize(length);
  }
  const std::string path = narrow(whole);
  const std::string prefix = folderPart(path);
  return placeAt(prefix, path.substr(prefix.size()), failure);
}

std::optional<Failure> mayMakeFileIn(const Place& place, const std::string& probeLeaf) {
  const HANDLE probe =
      CreateFileW(wide(place.prefix + probeLeaf).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
    return failureOf(GetLastError());
  }
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
  return std::nullopt;
}

// The rights to replace were judged by the system when lookAt opened the file.
std::optional<Failure> mayReplace(const Place& /*place*/, const Handle& /*file*/) {
  return std::nullopt;
}

// Made with the folder's inherited rights, as any new file there.
Handle makeFile(const Place& place, const std::string& leaf, const Handle* /*like*/,
                std::optional<Failure>& failure) {
  Handle made = own(CreateFileW(wide(place.prefix + leaf).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!made.valid()) {
    const DWORD error = GetLastError();
    failure =
        failureOf(error, error == ERROR_FILE_EXISTS ? Failure::Kind::Exists : Failure::Kind::Other);
  }
  return made;
}

std::optional<Failure> write(const Handle& handle, std::span<const std::uint8_t> bytes,
                             int stallMilliseconds) {
  if (stallMilliseconds >= 0) {
    return writeWithin(handleOf(handle), bytes, static_cast<DWORD>(stallMilliseconds));
  }
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 24));
    if (WriteFile(handleOf(handle), bytes.data(), count, &written, nullptr) == 0) {
      return failureOf(GetLastError());
    }
    if (written == 0) return failureOf(ERROR_WRITE_FAULT);
    bytes = bytes.subspan(written);
  }
  return std::nullopt;
}

std::optional<Failure> flush(const Handle& handle) {
  if (FlushFileBuffers(handleOf(handle)) == 0) return failureOf(GetLastError());
  return std::nullopt;
}

// ReplaceFileW keeps the old file's attributes, owner and access rights.
std::optional<Failure> dress(const Handle& /*made*/, const Handle* /*old*/,
                             const Place& /*place*/) {
  return std::nullopt;
}

std::optional<Failure> putInPlace(const Place& place, const std::string& made, const Handle* old) {
  const std::wstring target = fullName(place.prefix + place.leaf);
  const std::wstring replacement = fullName(place.prefix + made);
  if (old == nullptr) {  // where nothing is: a file that came meanwhile is not overwritten
    if (MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0) return {};
    return failureOf(GetLastError());
  }
  if (ReplaceFileW(target.c_str(), replacement.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                   nullptr, nullptr) != 0) {
    return std::nullopt;
  }
  const DWORD error = GetLastError();
  // The old file gone (it vanished, or ReplaceFileW removed it and could not move the new one after
  // it): the new one is moved into its place.
  const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
  if (gone && MoveFileExW(replacement.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
    return std::nullopt;
  }
  const DWORD failed = gone ? GetLastError() : error;
  return failureOf(failed, error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ? Failure::Kind::KeptTemporary
                                                                     : Failure::Kind::Other);
}

void removeQuietly(const Place& place, const std::string& leaf) {
  DeleteFileW(wide(place.prefix + leaf).c_str());
}

Handle openStream(const std::string& name, bool wait, std::optional<Failure>& failure) {
  Handle stream =
      own(CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, wait ? 0 : FILE_FLAG_OVERLAPPED, nullptr));
  if (!stream.valid()) {
    const DWORD error = GetLastError();
    const bool unread = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PIPE_BUSY) &&
                        askPipeFileSystem(name) != PipeAnswer::NotPipe;
    failure = failureOf(error, unread ? Failure::Kind::NoReader : Failure::Kind::Other);
    return stream;
  }
  const DWORD type = GetFileType(handleOf(stream));
  if (type != FILE_TYPE_CHAR && type != FILE_TYPE_PIPE)
    failure = Failure{Failure::Kind::NotStream, {}};
  return stream;
}

}  // namespace kestavon::files
