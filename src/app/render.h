#pragma once

#include "app/command_line.h"

namespace kestavon {

// --render: the plot's canvas at options.scale device pixels per pixel, the axes as the window
// draws them when it opens, then options.runs runs of the view as that many clicks on its button
// would make them, written as PNG to options.output (a file, a FIFO, a character device, or
// standard output for "-"). Needs no display and no application object. Returns the exit status:
// 0 when written; 1 when the output is refused (checked before any run: a directory, a socket, a
// block device, a terminal on standard output), after a run-time error (reported, and the picture
// drawn until then still written, saying where) or when the picture cannot be written.
int renderPicture(const Options& options);

}  // namespace kestavon
