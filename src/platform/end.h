#pragma once

namespace kestavon {

// Ends the program at once with the given status: the standard streams are flushed, and then the
// process stops without returning to the event loop, so no further event is delivered and no
// handler runs, not even one whose event is already queued.
[[noreturn]] void endProgram(int status);

// The program's End statement: ends the program at once with status 0.
[[noreturn]] inline void End() { endProgram(0); }

}  // namespace kestavon
