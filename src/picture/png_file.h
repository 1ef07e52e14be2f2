#pragma once

#include <optional>
#include <string>

#include "picture/system_files.h"
#include "plot/raster_canvas.h"

namespace kestavon {

// Why no picture can be written to `name`, known before one is drawn ("cannot write NAME: it is a
// directory; ...", "cannot write NAME: Permission denied"), or nothing. What cannot be known in
// advance, such as a full disk, shows only when the picture is written.
std::optional<std::string> refusalOf(const std::string& name);

// The one writer of the program's pictures (Ctrl+S, --render, standard output): the canvas as PNG
// (png_encoding.h) written to `name` as destinationOf judges it: a regular file replaced only once
// the new one is complete and on the disk, so that a write that fails leaves whatever was there as
// it was; a FIFO or a character device directly, waiting for its reader as `patience` says;
// standard output for kStandardOutput; anything else not at all. Returns why it failed, naming the
// file ("cannot write NAME: No space left on device"), or nothing. Names are bytes; a name in a
// message is shown with printable().
std::optional<std::string> writePng(const RasterCanvas& canvas, const std::string& name,
                                    Patience patience);

}  // namespace kestavon
