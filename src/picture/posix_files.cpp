// The picture writer's system calls on POSIX systems.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "picture/file_names.h"
#include "picture/held_signals.h"
#include "picture/system_files.h"

namespace kestavon {
namespace {

// How long a window's save waits for a FIFO's reader to take more.
constexpr int kStallMilliseconds = 500;

// Symbolic links followed before the system's own limit would say ELOOP.
constexpr int kMaxLinks = 40;

std::string reason(int error) { return std::strerror(error); }

Destination refused(std::string why) { return {DestinationKind::Other, {}, std::move(why)}; }

std::string folderOf(const std::string& name) {
  const std::string folder = folderPart(name);
  return folder.empty() ? std::string(".") : folder;
}

bool mayWrite(const std::string& name, int mode = W_OK) {
  return ::faccessat(AT_FDCWD, name.c_str(), mode, AT_EACCESS) == 0;
}

// The name that writing `name` reaches: a symbolic link followed to what it names (which may not
// exist yet), however many links; nothing, with `error` set, when the system cannot say.
std::optional<std::string> followLinks(std::string name, int& error) {
  for (int links = 0; links <= kMaxLinks; ++links) {
    struct stat status {};
    if (::lstat(name.c_str(), &status) != 0) {
      if (errno == ENOENT) return name;
      error = errno;
      return std::nullopt;
    }
    if (!S_ISLNK(status.st_mode)) return name;
    char target[PATH_MAX];
    const ssize_t length = ::readlink(name.c_str(), target, sizeof target);
    if (length < 0 || length == static_cast<ssize_t>(sizeof target)) {
      error = length < 0 ? errno : ENAMETOOLONG;
      return std::nullopt;
    }
    const std::string linked(target, static_cast<std::size_t>(length));
    if (linked.starts_with('/')) {
      name = linked;
    } else {
      name = folderPart(name).append(linked);
    }
  }
  error = ELOOP;
  return std::nullopt;
}

Destination standardOutput() {
  struct stat status {};
  std::string refusal;
  if (::fstat(STDOUT_FILENO, &status) != 0) {
    refusal = reason(errno);
  } else if (::isatty(STDOUT_FILENO) == 1) {
    refusal = "it is a terminal; redirect it to a file or a pipe";
  }
  return {DestinationKind::StandardOutput, {}, refusal};
}

Destination existing(const std::string& path, const struct stat& status) {
  const mode_t type = status.st_mode & S_IFMT;
  if (type != S_IFREG && type != S_IFIFO && type != S_IFCHR) {
    const char* named = type == S_IFDIR    ? "a directory"
                        : type == S_IFSOCK ? "a socket"
                        : type == S_IFBLK  ? "a block device"
                                           : "not a regular file";
    return refused(std::string("it is ") + named +
                   "; a picture goes into a file, a FIFO or a character device");
  }
  const DestinationKind kind = type == S_IFREG ? DestinationKind::File : DestinationKind::Stream;
  if (!mayWrite(path)) return {kind, path, reason(errno)};
  if (kind == DestinationKind::File) {
    // A new file is made beside the old one and renamed over it; in a sticky folder (/tmp) only
    // the owner of the file or of the folder may rename over it.
    const std::string folder = folderOf(path);
    struct stat folderStatus {};
    if (!mayWrite(folder, W_OK | X_OK) || ::stat(folder.c_str(), &folderStatus) != 0) {
      return {kind, path, reason(errno)};
    }
    const uid_t user = ::geteuid();
    if ((folderStatus.st_mode & S_ISVTX) != 0 && user != 0 && status.st_uid != user &&
        folderStatus.st_uid != user) {
      return {kind, path, reason(EPERM)};
    }
  }
  return {kind, path, {}};
}

// Writes all of `bytes`, however many writes it takes. A descriptor that takes nothing for
// `stallMilliseconds` (-1: wait as long as it takes) fails.
std::optional<std::string> writeAll(int descriptor, std::span<const std::uint8_t> bytes,
                                    int stallMilliseconds) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{descriptor, POLLOUT, 0};
      const int events = ::poll(&ready, 1, stallMilliseconds);
      if (events == 0) return std::string("the program reading it stopped reading");
      if (events < 0 && errno != EINTR) return reason(errno);
    } else {
      return reason(written < 0 ? errno : EIO);
    }
  }
  return std::nullopt;
}

// Closes the descriptor; its reason when the close reports a failure of the writes before it.
std::optional<std::string> closeChecked(int descriptor) {
  // After EINTR Linux has closed the descriptor, and the signals that end the program are held.
  if (::close(descriptor) != 0 && errno != EINTR) return reason(errno);
  return std::nullopt;
}

// A new file with a short name of its own in `folder`, opened for writing; -1 with errno set.
int createTemporary(const std::string& folder, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = temporaryName(folder);
    const int descriptor =
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  errno = EEXIST;
  return -1;
}

// Makes the temporary file's owner, group and mode those of the file it replaces, as far as the
// system lets this user (an owner is given away by root alone; chown clears set-user-ID bits, so
// the mode comes after).
void keepOwnerAndMode(int descriptor, const struct stat& old) {
  if (::fchown(descriptor, old.st_uid, old.st_gid) != 0) {
    [[maybe_unused]] const int groupOnly = ::fchown(descriptor, static_cast<uid_t>(-1), old.st_gid);
  }
  [[maybe_unused]] const int mode = ::fchmod(descriptor, old.st_mode & 07777);
}

}  // namespace

Destination destinationOf(const std::string& name) {
  if (name == kStandardOutput) return standardOutput();
  if (name.empty()) return refused("no file name");
  int error = 0;
  const std::optional<std::string> path = followLinks(name, error);
  if (!path) return refused(reason(error));
  struct stat status {};
  if (::stat(path->c_str(), &status) == 0) return existing(*path, status);
  if (errno != ENOENT) return refused(reason(errno));
  // A new file: its folder must take it. (Were the folder not one, stat would have said so.)
  if (!mayWrite(folderOf(*path), W_OK | X_OK)) return {DestinationKind::File, *path, reason(errno)};
  return {DestinationKind::File, *path, {}};
}

std::optional<std::string> replaceFile(const std::string& path,
                                       std::span<const std::uint8_t> bytes) {
  struct stat old {};
  const bool replacing = ::stat(path.c_str(), &old) == 0;
  const HeldEndings held;  // from the temporary file's creation until it is renamed or removed
  std::string temporary;
  const int descriptor = createTemporary(folderPart(path), temporary);
  if (descriptor < 0) return reason(errno);
  if (replacing) keepOwnerAndMode(descriptor, old);
  std::optional<std::string> failure = writeAll(descriptor, bytes, -1);
  if (!failure && ::fsync(descriptor) != 0) failure = reason(errno);
  if (const std::optional<std::string> closing = closeChecked(descriptor); !failure) {
    failure = closing;
  }
  if (!failure && ::rename(temporary.c_str(), path.c_str()) != 0) failure = reason(errno);
  if (failure) {
    ::unlink(temporary.c_str());
    return failure;
  }
  // The rename itself reaches the disk with the folder; the picture is in place either way.
  if (const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return std::nullopt;
}

std::optional<std::string> writeStream(const std::string& name, std::span<const std::uint8_t> bytes,
                                       Patience patience) {
  const bool never = patience == Patience::Never;
  const int descriptor =
      ::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (never ? O_NONBLOCK : 0));
  struct stat status {};
  if (descriptor < 0) {
    // Opened without waiting, a FIFO that no program has open for reading says ENXIO.
    const bool unread =
        errno == ENXIO && ::stat(name.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
    return unread ? std::string("no program is reading it") : reason(errno);
  }
  std::optional<std::string> failure;
  if (::fstat(descriptor, &status) != 0) {
    failure = reason(errno);
  } else if (!S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode)) {
    // Whatever took the name's place since it was judged is written only if it is a stream too.
    failure = "it is no longer a FIFO or a character device";
  } else {
    const QuietPipe quiet;
    failure = writeAll(descriptor, bytes, never ? kStallMilliseconds : -1);
  }
  if (const std::optional<std::string> closing = closeChecked(descriptor); !failure) {
    failure = closing;
  }
  return failure;
}

std::optional<std::string> writeStandardOutput(std::span<const std::uint8_t> bytes) {
  return writeAll(STDOUT_FILENO, bytes, -1);
}

}  // namespace kestavon
