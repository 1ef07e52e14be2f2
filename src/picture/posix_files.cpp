// The picture writer's system calls on POSIX systems. Access control lists by libacl, extended
// attributes by libattr (where files have none, a page's, KESTAVON_NO_ACCESS_LISTS leaves them
// out); on Linux the folder of an open file is read from /proc.

#if !defined(KESTAVON_NO_ACCESS_LISTS)
#include <acl/libacl.h>
#include <attr/libattr.h>
#include <sys/acl.h>
#endif
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "picture/file_system.h"

namespace kestavon::files {
namespace {

Failure failureOf(int error, Failure::Kind kind = Failure::Kind::Other) {
  return {kind, std::strerror(error)};
}

int descriptorOf(const Handle& handle) { return static_cast<int>(handle.native()); }

Kind kindOf(mode_t mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return Kind::File;
    case S_IFIFO:
    case S_IFCHR:
      return Kind::Stream;
    case S_IFDIR:
      return Kind::Directory;
    case S_IFSOCK:
      return Kind::Socket;
    case S_IFBLK:
      return Kind::BlockDevice;
    default:
      return Kind::Other;
  }
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The link in /proc through which the system names what a descriptor holds.
std::string procName(int descriptor) { return "/proc/self/fd/" + std::to_string(descriptor); }

// A folder opened by the system; one the user may search but not read is still a place.
Handle openFolder(const std::string& folder, std::optional<Failure>& failure) {
  int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0 && errno == EACCES) {
    descriptor = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  if (descriptor < 0) failure = failureOf(errno);
  return Handle(descriptor);
}

Place placeAt(const std::string& name, std::optional<Failure>& failure) {
  const std::size_t slash = name.rfind('/');
  Place place;
  place.prefix = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
  place.leaf = slash == std::string::npos ? name : name.substr(slash + 1);
  place.folderName = slash == std::string::npos ? std::string(".")
                     : slash == 0               ? std::string("/")
                                                : name.substr(0, slash);
  place.folder = openFolder(place.folderName, failure);
  return place;
}

// The file's whole name as the system has it: /proc on Linux, realpath elsewhere.
std::string wholeName(const Handle& file, const std::string& name) {
  std::string linked(PATH_MAX, '\0');
  const ssize_t length =
      ::readlink(procName(descriptorOf(file)).c_str(), linked.data(), linked.size());
  if (length > 0 && static_cast<std::size_t>(length) < linked.size() && linked[0] == '/') {
    linked.resize(static_cast<std::size_t>(length));
    return linked;
  }
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(name.c_str(), nullptr),
                                                         &std::free);
  return real ? std::string(real.get()) : std::string();
}

mode_t currentUmask() {
  // Read with C's streams: C++'s would be a third of the page's size in a browser.
  if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    std::optional<mode_t> mask;
    while (!mask && std::fgets(line, sizeof line, status) != nullptr) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
      }
    }
    std::fclose(status);
    if (mask) return *mask;
  }
  const mode_t mask = ::umask(022);  // read by setting it, and set back at once
  ::umask(mask);
  return mask;
}

#if !defined(KESTAVON_NO_ACCESS_LISTS)
void withoutExecute(acl_entry_t entry) {
  acl_permset_t permissions = nullptr;
  if (acl_get_permset(entry, &permissions) == 0) {
    acl_delete_perm(permissions, ACL_EXECUTE);
    acl_set_permset(entry, permissions);
  }
}

// The folder's default access control list as a file made there with mode 0666 gets it, as the
// system makes it: execute taken from the owner, the mask (the owning group where there is none)
// and others.
std::optional<Failure> inheritAsIfMade0666(int made, acl_t inherited) {
  bool hasMask = false;
  acl_entry_t entry = nullptr;
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(inherited, which, &entry) == 1;
       which = ACL_NEXT_ENTRY) {
    acl_tag_t tag = ACL_UNDEFINED_TAG;
    acl_get_tag_type(entry, &tag);
    hasMask = hasMask || tag == ACL_MASK;
  }
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(inherited, which, &entry) == 1;
       which = ACL_NEXT_ENTRY) {
    acl_tag_t tag = ACL_UNDEFINED_TAG;
    acl_get_tag_type(entry, &tag);
    if (tag == ACL_USER_OBJ || tag == ACL_MASK || tag == ACL_OTHER ||
        (tag == ACL_GROUP_OBJ && !hasMask)) {
      withoutExecute(entry);
    }
  }
  if (acl_set_fd(made, inherited) != 0) return failureOf(errno);
  return std::nullopt;
}
#endif

// What a new file made in the folder with mode 0666 gets, given to one made with 0600.
std::optional<Failure> dressAsNew(int made, [[maybe_unused]] const Place& place) {
#if !defined(KESTAVON_NO_ACCESS_LISTS)
  acl_t inherited = acl_get_file(procName(descriptorOf(place.folder)).c_str(), ACL_TYPE_DEFAULT);
  if (inherited != nullptr) {
    const bool inherits = acl_entries(inherited) > 0;
    std::optional<Failure> failure;
    if (inherits) failure = inheritAsIfMade0666(made, inherited);
    acl_free(inherited);
    if (inherits) return failure;
  }
#endif
  if (::fchmod(made, 0666 & ~currentUmask()) != 0) return failureOf(errno);
  return std::nullopt;
}

// The old file's owner and group (an owner is given away by root alone; a group by its members),
// then its mode (chown clears set-user-ID bits), its access control list and extended attributes.
std::optional<Failure> dressAsOld(int made, int old) {
  struct stat was {
  }, now{};
  if (::fstat(old, &was) != 0) return failureOf(errno);
  if (::fchown(made, was.st_uid, was.st_gid) != 0) {
    [[maybe_unused]] const int groupOnly = ::fchown(made, static_cast<uid_t>(-1), was.st_gid);
  }
  if (::fstat(made, &now) != 0) return failureOf(errno);
  const bool groupKept = now.st_gid == was.st_gid;
  mode_t mode = was.st_mode & 07777;
  if (!groupKept) mode &= ~static_cast<mode_t>(S_ISGID | S_IRWXG);  // not for another group
  if (::fchmod(made, mode) != 0) return failureOf(errno);

#if !defined(KESTAVON_NO_ACCESS_LISTS)
  acl_t list = acl_get_fd(old);  // none where the file system has no such lists
  std::optional<Failure> failure;
  if (list != nullptr && acl_equiv_mode(list, nullptr) != 0) {  // more than the mode says
    acl_entry_t entry = nullptr;
    for (int which = ACL_FIRST_ENTRY; !groupKept && acl_get_entry(list, which, &entry) == 1;
         which = ACL_NEXT_ENTRY) {
      acl_tag_t tag = ACL_UNDEFINED_TAG;
      acl_permset_t permissions = nullptr;
      if (acl_get_tag_type(entry, &tag) == 0 && tag == ACL_GROUP_OBJ &&
          acl_get_permset(entry, &permissions) == 0) {
        acl_clear_perms(permissions);
        acl_set_permset(entry, permissions);
      }
    }
    if (acl_set_fd(made, list) != 0) failure = failureOf(errno);
  }
  if (list != nullptr) acl_free(list);
  if (failure) return failure;
  // Every attribute but those of access, which the lines above keep (the rules of
  // /etc/xattr.conf: libattr's own check).
  if (attr_copy_fd(nullptr, old, nullptr, made, nullptr, nullptr) != 0 && errno != ENOTSUP &&
      errno != ENOSYS) {
    return failureOf(errno);
  }
#endif
  return std::nullopt;
}

// renameat2 with RENAME_NOREPLACE where the system has it (Linux); elsewhere the EINVAL of a file
// system that cannot tell.
int renameWithoutReplacing([[maybe_unused]] int folder, [[maybe_unused]] const std::string& from,
                           [[maybe_unused]] const std::string& to) {
#if defined(RENAME_NOREPLACE)
  return ::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE);
#else
  errno = EINVAL;
  return -1;
#endif
}

}  // namespace

Handle::~Handle() {
  if (valid()) ::close(descriptorOf(*this));
}

std::optional<Failure> close(Handle& handle) {
  // After EINTR Linux has closed the descriptor.
  if (::close(static_cast<int>(handle.release())) != 0 && errno != EINTR) return failureOf(errno);
  return std::nullopt;
}

Found lookAt(const std::string& name) {
  Found found;
  struct stat status {};
  if (::stat(name.c_str(), &status) != 0) {
    const int error = errno;
    struct stat link {};
    if (error != ENOENT) {
      found.failure = failureOf(error);
    } else if (::lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      found.kind = Kind::LinkToNothing;
    } else {
      found.kind = Kind::Missing;
    }
    return found;
  }
  found.kind = kindOf(status.st_mode);
  if (S_ISFIFO(status.st_mode)) {
    if (::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0)
      found.failure = failureOf(errno);
    return found;
  }
  if (found.kind != Kind::File && found.kind != Kind::Stream) return found;
  found.handle = Handle(::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  struct stat opened {};
  if (!found.handle.valid() || ::fstat(descriptorOf(found.handle), &opened) != 0) {
    found.failure = failureOf(errno);
    return found;
  }
  found.kind = kindOf(opened.st_mode);
  if (found.kind == Kind::Stream && ::isatty(descriptorOf(found.handle)) == 1) {
    found.kind = Kind::Terminal;
  }
  return found;
}

Place placeOfNew(const std::string& name, std::optional<Failure>& failure) {
  return placeAt(name, failure);
}

Place placeOf(const Handle& file, const std::string& name, std::optional<Failure>& failure) {
  const std::string whole = wholeName(file, name);
  if (whole.empty()) {
    failure = failureOf(errno, Failure::Kind::NoFolder);
    return {};
  }
  Place place = placeAt(whole, failure);
  struct stat there {
  }, opened{};
  if (!failure && (::fstatat(descriptorOf(place.folder), place.leaf.c_str(), &there,
                             AT_SYMLINK_NOFOLLOW) != 0 ||
                   ::fstat(descriptorOf(file), &opened) != 0 || !sameFile(there, opened))) {
    failure = Failure{Failure::Kind::NoFolder, {}};
  }
  return place;
}

std::optional<Failure> mayMakeFileIn(const Place& place, const std::string& /*probeLeaf*/) {
  const int folder = descriptorOf(place.folder);
  // A file without a name, gone with its descriptor: the system's own answer, a read-only mount
  // or a full table of files included.
  const int probe = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (probe >= 0) {
    ::close(probe);
    return std::nullopt;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return failureOf(errno);
  if (::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0) return failureOf(errno);
  return std::nullopt;
}

std::optional<Failure> mayReplace(const Place& place, const Handle& file) {
  struct stat folder {
  }, old{};
  if (::fstat(descriptorOf(place.folder), &folder) != 0 || ::fstat(descriptorOf(file), &old) != 0) {
    return failureOf(errno);
  }
  const uid_t user = ::geteuid();
  if ((folder.st_mode & S_ISVTX) != 0 && user != 0 && old.st_uid != user && folder.st_uid != user) {
    return failureOf(EPERM);
  }
  return std::nullopt;
}

Handle makeFile(const Place& place, const std::string& leaf, const Handle* like,
                std::optional<Failure>& failure) {
  mode_t mode = S_IRUSR | S_IWUSR;
  struct stat old {};
  if (like != nullptr && ::fstat(descriptorOf(*like), &old) == 0) mode &= old.st_mode;
  const int descriptor =
      ::openat(descriptorOf(place.folder), leaf.c_str(),
               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
  if (descriptor < 0) {
    failure = failureOf(errno, errno == EEXIST ? Failure::Kind::Exists : Failure::Kind::Other);
  }
  return Handle(descriptor);
}

std::optional<Failure> write(const Handle& handle, std::span<const std::uint8_t> bytes,
                             int stallMilliseconds) {
  const int descriptor = descriptorOf(handle);
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{descriptor, POLLOUT, 0};
      const int events = ::poll(&ready, 1, stallMilliseconds);
      if (events == 0) return Failure{Failure::Kind::Stalled, {}};
      if (events < 0 && errno != EINTR) return failureOf(errno);
    } else {
      return failureOf(written < 0 ? errno : EIO);
    }
  }
  return std::nullopt;
}

std::optional<Failure> flush(const Handle& handle) {
  if (::fsync(descriptorOf(handle)) != 0) return failureOf(errno);
  return std::nullopt;
}

std::optional<Failure> dress(const Handle& made, const Handle* old, const Place& place) {
  if (old != nullptr) return dressAsOld(descriptorOf(made), descriptorOf(*old));
  return dressAsNew(descriptorOf(made), place);
}

std::optional<Failure> putInPlace(const Place& place, const std::string& made, const Handle* old) {
  const int folder = descriptorOf(place.folder);
  if (old != nullptr) {
    struct stat there {
    }, opened{};
    if (::fstatat(folder, place.leaf.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstat(descriptorOf(*old), &opened) != 0 || !sameFile(there, opened)) {
      return Failure{Failure::Kind::Moved, {}};
    }
    if (::renameat(folder, made.c_str(), folder, place.leaf.c_str()) != 0) return failureOf(errno);
  } else if (renameWithoutReplacing(folder, made, place.leaf) != 0) {
    // A file that came meanwhile is not overwritten, where the file system can tell.
    if (errno != EINVAL && errno != ENOSYS) return failureOf(errno);
    if (::renameat(folder, made.c_str(), folder, place.leaf.c_str()) != 0) return failureOf(errno);
  }
  ::fsync(folder);  // the rename reaches the disk with the folder; in place either way
  return std::nullopt;
}

void removeQuietly(const Place& place, const std::string& leaf) {
  ::unlinkat(descriptorOf(place.folder), leaf.c_str(), 0);
}

Handle openStream(const std::string& name, bool wait, std::optional<Failure>& failure) {
  Handle stream(::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (wait ? 0 : O_NONBLOCK)));
  struct stat status {};
  if (!stream.valid()) {
    // Opened without waiting, a FIFO that no program has open for reading says ENXIO.
    const int error = errno;
    const bool unread =
        error == ENXIO && ::stat(name.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
    failure = failureOf(error, unread ? Failure::Kind::NoReader : Failure::Kind::Other);
  } else if (::fstat(descriptorOf(stream), &status) != 0) {
    failure = failureOf(errno);
  } else if (kindOf(status.st_mode) != Kind::Stream) {
    failure = Failure{Failure::Kind::NotStream, {}};
  }
  return stream;
}

}  // namespace kestavon::files
