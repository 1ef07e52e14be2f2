#pragma once

#include <QString>

namespace kestavon {

// The path that names the program's standard output.
inline constexpr char kStandardOutput[] = "-";

// What a picture is written into.
enum class DestinationKind {
  // A regular file, or nothing yet: the picture is written beside it and renamed into place.
  File,
  // An existing FIFO or character device (a symbolic link followed), or standard output: written
  // directly, never replaced.
  Stream,
  // Anything else (a directory, a socket, a block device, a path that cannot be looked at): left
  // alone.
  Refused,
};

struct Destination {
  DestinationKind kind = DestinationKind::Refused;
  QString refusal;  // why, for Refused: "it is a directory", "Permission denied", ...
};

// What `path` names, looked at with stat (symbolic links followed, as a user who names a link
// means the file it points to). kStandardOutput is a stream, unless standard output is closed or
// a terminal (a picture is no text to show).
Destination destinationOf(const QString& path);

}  // namespace kestavon
