#pragma once

namespace kestavon {

// How many processors this process may run on: its CPU affinity on Linux, its affinity mask on
// Windows (as `taskset` or `start /affinity` set them), the machine's count elsewhere; at least 1.
int usableCores();

}  // namespace kestavon
