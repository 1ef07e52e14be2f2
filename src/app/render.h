#pragma once

#include "app/command_line.h"

namespace kestavon {

// --render: the plot's canvas at options.scale device pixels per pixel, the axes as the window
// draws them when it opens, then options.runs runs of the view as that many clicks on its button
// would make them, written as PNG to options.output (writePng). Needs no display. Returns the exit
// status: 0 when written; 1 when the output is refused (judged before the first run), after a
// run-time error (reported, and the picture drawn until then still written, saying where) or when
// the picture cannot be written.
int renderPicture(const Options& options);

}  // namespace kestavon
