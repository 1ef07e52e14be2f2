#pragma once

#include <optional>
#include <string>

#include "plot/raster_canvas.h"

namespace kestavon {

// The name that designates the program's standard output.
inline constexpr char kStandardOutput[] = "-";

// The words of a write to `name` that failed for `reason`: "cannot write NAME: REASON", or
// "cannot write to standard output: REASON" for kStandardOutput.
std::string cannotWrite(const std::string& name, const std::string& reason);

// How long a write into a stream waits for its reader.
enum class Patience {
  // As long as it takes (a FIFO's reader may come later): the command line's way.
  Wait,
  // Not at all for a FIFO or a named pipe that no program reads, and half a second for one that
  // stops reading: a window must not freeze.
  Never,
};

// The rule that a regular file the writer makes or replaces is named *.png (in any case): for a
// name that reaches none yet or a regular file and does not end so, "'NAME' does not end in .png";
// otherwise nothing. refusalOf and writePng refuse with these words; the command line calls it for
// a message of its own.
std::optional<std::string> pngNameRefusal(const std::string& name);

// Why no picture can be written to `name`, known before one is drawn ("cannot write NAME: it is a
// directory; ...", "cannot write NAME: Permission denied", pngNameRefusal's words), or nothing.
// The system judges the name: a link is followed by the system, with its protections; a regular
// file is opened for writing (neither truncated nor made), a FIFO or a pipe is not opened (its
// reader would lose its place or its input). What cannot be known in advance, such as a full
// disk, shows only when the picture is written.
std::optional<std::string> refusalOf(const std::string& name);

// The one writer of the program's pictures (Ctrl+S, --render, standard output): the canvas as PNG
// (png_encoding.h) written to `name`, judged again as refusalOf judges it:
// - a regular file, or none yet, through a new file beside the one the name reaches, readable by
//   no one else, written, given the old file's owner, group, mode, access control list and
//   extended attributes (a new file's as the folder gives them), flushed to the disk and renamed
//   over it, the signals that end the program held meanwhile; a write that fails (a full disk, a
//   file size limit) removes it and leaves whatever was there as it was;
// - a FIFO, a pipe or a character device directly, waiting for its reader as `patience` says;
// - standard output for kStandardOutput.
// Returns why it failed, naming the file ("cannot write NAME: No space left on device"), or
// nothing. Names are bytes; a name in a message is shown with printable().
std::optional<std::string> writePng(const RasterCanvas& canvas, const std::string& name,
                                    Patience patience);

}  // namespace kestavon
