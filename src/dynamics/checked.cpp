#include "dynamics/checked.h"

#include "platform/run_time_error.h"

namespace kestavon::checked_detail {

void raise(unsigned faults) {
  if ((faults & kOverflow) != 0) throw RunTimeError(RunTimeFault::Overflow);
  if ((faults & kDivisionByZero) != 0) throw RunTimeError(RunTimeFault::DivisionByZero);
  throw RunTimeError(RunTimeFault::InvalidOperation);
}

}  // namespace kestavon::checked_detail
