#pragma once

// Windows only: standard output and standard error of a window program. Such a program started
// from a console has neither of its own: the console it was started from is then attached, once,
// on the first write, so that the text appears there, and the program's exit status is its own.
// Started from Explorer it has no console, none is made, and nothing is written. Handed a file or
// a pipe, it writes there, whatever started it.

#include <string_view>

namespace kestavon {

// The handle of STD_OUTPUT_HANDLE or STD_ERROR_HANDLE as above, or nullptr when there is none.
void* standardHandle(unsigned long which);

// Whether `handle` is a console, which takes text and no picture.
bool isConsole(void* handle);

// Writes UTF-8 text into the console `handle` as UTF-16, whatever its code page; false on failure.
bool writeConsole(void* handle, std::string_view text);

}  // namespace kestavon
