#include "platform/fp_check.h"

#include "platform/run_time_error.h"

namespace kestavon {

void throwFpFault(unsigned flags) {
#if defined(__x86_64__) && defined(__SSE2_MATH__)
  const unsigned overflow = fpdetail::kOverflow;
  const unsigned divisionByZero = fpdetail::kDivisionByZero;
#else
  const unsigned overflow = FE_OVERFLOW;
  const unsigned divisionByZero = FE_DIVBYZERO;
#endif
  // The flags of a whole checked group arrive together. From finite inputs an invalid operation
  // mostly follows from an infinity that an overflow or a division by zero made earlier in the
  // group, so those are named first as the likelier cause.
  if ((flags & overflow) != 0) throw RunTimeError(RunTimeFault::Overflow);
  if ((flags & divisionByZero) != 0) throw RunTimeError(RunTimeFault::DivisionByZero);
  throw RunTimeError(RunTimeFault::InvalidOperation);
}

}  // namespace kestavon
