#pragma once

#include "app/command_line.h"

namespace kestavon {

// --render: the plot's canvas at options.scale device pixels per pixel, the axes as the window
// draws them when it opens, then options.runs runs of the view as that many clicks on its button
// would make them, written as PNG to options.output. Needs no display and no application object.
// Returns the exit status: 0 when written; 1 after a run-time error (reported as the window
// reports it; the picture drawn until then is still written) or when the file cannot be written.
int renderPicture(const Options& options);

}  // namespace kestavon
