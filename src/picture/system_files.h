#pragma once

// What the picture writer needs of the system, one implementation for each (POSIX here, Windows
// beside it): what a name designates, and writing bytes into it. Names are bytes, passed to the
// system unchanged. Failures come back as the system's reason, in its words.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kestavon {

// The name that designates the program's standard output.
inline constexpr char kStandardOutput[] = "-";

enum class DestinationKind {
  // A regular file, or none yet: written beside it and renamed into place once complete.
  File,
  // An existing FIFO or character device: written directly, never replaced.
  Stream,
  // kStandardOutput.
  StandardOutput,
  // Anything else (a directory, a socket, a block device, a name the system cannot look at).
  Other,
};

struct Destination {
  DestinationKind kind = DestinationKind::Other;
  // For File, the file to replace: a symbolic link followed to what it names.
  std::string path;
  // Why it cannot be written, or empty: "it is a directory; ...", "Permission denied", "No such
  // file or directory", "it is a terminal; ...".
  std::string refusal;

  bool refused() const { return !refusal.empty(); }
};

// What `name` designates, and whether it can be written: a file that exists must be writable, and
// its folder too; a new one needs a writable folder and a name within the system's limits; a
// stream must be writable; standard output must be open and not a terminal (a picture is no text
// to show).
Destination destinationOf(const std::string& name);

// How long a write into a stream waits for its reader.
enum class Patience {
  // As long as it takes (a FIFO's reader may come later): the command line's way.
  Wait,
  // Not at all for a FIFO (on Windows a named pipe) that no program reads, and half a second for
  // one that stops reading: a window must not freeze.
  Never,
};

// Replaces the file `path` (a File destination's path) with `bytes`: written to a temporary file
// with a short name in the same folder, flushed to the disk, given the old file's owner, group and
// mode where the system allows, then renamed over it. On any failure the temporary file is removed
// and the file is as it was. Signals that end the program wait until the temporary file is gone.
std::optional<std::string> replaceFile(const std::string& path,
                                       std::span<const std::uint8_t> bytes);

// Writes `bytes` into the FIFO or character device `name`. A reader that has gone is a failure to
// report, not the end of the program.
std::optional<std::string> writeStream(const std::string& name, std::span<const std::uint8_t> bytes,
                                       Patience patience);

// Writes `bytes` to standard output. A pipe closed by its reader ends the program quietly by
// SIGPIPE, as it ends any filter.
std::optional<std::string> writeStandardOutput(std::span<const std::uint8_t> bytes);

}  // namespace kestavon
