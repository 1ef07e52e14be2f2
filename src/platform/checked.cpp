#include "platform/checked.h"

#include "platform/run_time_error.h"

namespace kestavon::fault_flags {

void raise(unsigned flags) {
  if ((flags & kOverflow) != 0) throw RunTimeError(RunTimeFault::Overflow);
  if ((flags & kDivisionByZero) != 0) throw RunTimeError(RunTimeFault::DivisionByZero);
  throw RunTimeError(RunTimeFault::InvalidOperation);
}

}  // namespace kestavon::fault_flags
