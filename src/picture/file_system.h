#pragma once

// The system calls that the picture writer is made of, one implementation for each system
// (posix_files.cpp, windows_files.cpp). Names are bytes, given to the system unchanged, and the
// system judges every name: it follows a link itself, with its protections, and says what kind of
// thing was reached. Nothing here decides: what is refused, in which order these are called, and
// every message, are the writer's (png_file.cpp).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace kestavon::files {

// A failure, in the system's words, and what the writer tells apart.
struct Failure {
  enum class Kind {
    Other,
    Exists,         // a new file's name is taken
    NoReader,       // a FIFO or a named pipe that no program reads
    Stalled,        // the program reading it took nothing for the time allowed
    NotStream,      // opened as a stream, it is something else now
    Moved,          // the file to replace is no longer where it was
    KeptTemporary,  // the old file is gone and the new one stayed under its temporary name
    NoFolder,       // the system cannot say which folder holds the file
  };
  Kind kind = Kind::Other;
  std::string words;
};

// A file, folder or stream the system opened (a descriptor, a HANDLE), closed when it goes.
class Handle {
 public:
  static constexpr std::intptr_t kNone = -1;
  Handle() = default;
  explicit Handle(std::intptr_t native) : m_native(native) {}
  Handle(Handle&& other) noexcept : m_native(std::exchange(other.m_native, kNone)) {}
  Handle& operator=(Handle&& other) noexcept {
    std::swap(m_native, other.m_native);
    return *this;
  }
  ~Handle();
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  bool valid() const { return m_native != kNone; }
  std::intptr_t native() const { return m_native; }
  std::intptr_t release() { return std::exchange(m_native, kNone); }

 private:
  std::intptr_t m_native = kNone;
};

// Closes the handle, with the failure that the close reports (of the writes before it).
std::optional<Failure> close(Handle& handle);

// What a name reaches, as the system says.
enum class Kind {
  Missing,        // nothing: a new file
  LinkToNothing,  // a symbolic link whose target does not exist
  File,           // a regular file
  Stream,         // a FIFO, a pipe or a character device: written directly
  Terminal,       // a terminal or a console
  Directory,
  Socket,
  BlockDevice,
  Other,
};

struct Found {
  Kind kind = Kind::Other;
  // A File opened for writing, neither truncated nor made: the system judged the way to it and the
  // right to write it. A FIFO or a pipe is never opened to be looked at: that would take the place
  // of the program that reads it, or end its input.
  Handle handle;
  std::optional<Failure> failure;  // the system refused to look or to open
};
Found lookAt(const std::string& name);

// The folder that holds a file, opened, and the file's name in it.
struct Place {
  Handle folder;
  std::string folderName;  // for messages
  std::string prefix;      // what names a file there with its leaf: a folder part, or none
  std::string leaf;
};

// Where a new file named `name` goes: its folder part as typed, opened by the system.
Place placeOfNew(const std::string& name, std::optional<Failure>& failure);

// Where the file that `file` (a File of lookAt) is, as the system says: a link is not read.
Place placeOf(const Handle& file, const std::string& name, std::optional<Failure>& failure);

// Whether the user may make files in the place's folder, asked of the system by making one that
// leaves nothing behind.
std::optional<Failure> mayMakeFileIn(const Place& place, const std::string& probeLeaf);

// Whether the user may put a new file in the place of `file` (in a sticky folder, such as /tmp,
// only the owner of the file or of the folder may).
std::optional<Failure> mayReplace(const Place& place, const Handle& file);

// A new file named `leaf` in the place's folder, opened for writing, with no access for others and
// none wider than `like`'s (the file it will replace), or nothing with the failure.
Handle makeFile(const Place& place, const std::string& leaf, const Handle* like,
                std::optional<Failure>& failure);

// Writes all of `bytes`. A stream that takes nothing for `stallMilliseconds` fails as Stalled; -1
// waits as long as it takes.
std::optional<Failure> write(const Handle& handle, std::span<const std::uint8_t> bytes,
                             int stallMilliseconds);

// Flushes what was written to the disk.
std::optional<Failure> flush(const Handle& handle);

// Gives `made` what the file it replaces has: owner, group, mode, access control list and extended
// attributes, as far as the system lets this user (a group that cannot be kept takes its
// permissions with it); without `old`, what a new file made in the place's folder gets. Where the
// replace itself keeps them (Windows), nothing.
std::optional<Failure> dress(const Handle& made, const Handle* old, const Place& place);

// Puts the file `made` (a leaf of the place's folder) in the place of place.leaf: over `old`, which
// must still be there, or where nothing is. The folder's entry reaches the disk.
std::optional<Failure> putInPlace(const Place& place, const std::string& made, const Handle* old);

// Removes the leaf of the place's folder, as far as it can.
void removeQuietly(const Place& place, const std::string& leaf);

// Opens the stream `name` for writing; without `wait`, a FIFO or pipe that no program reads fails
// as NoReader at once, and writes are made so that they can stall.
Handle openStream(const std::string& name, bool wait, std::optional<Failure>& failure);

}  // namespace kestavon::files
