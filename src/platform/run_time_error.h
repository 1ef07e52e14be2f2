#pragma once

#include <stdexcept>
#include <string>

namespace kestavon {

// What went wrong in a run-time error; the program reacts to all of them alike (the error is
// reported and the program ends), but tests and the report name the fault.
enum class RunTimeFault {
  InvalidOperation,    // e.g. inf - inf, 0 * inf, 0 / 0
  DivisionByZero,      // a finite non-zero value divided by zero
  Overflow,            // a floating-point result beyond the range of a double
  ConversionOverflow,  // a value that does not fit the integer type it is converted to
  OperationFailed,     // a platform operation (drawing, a property read) that failed
};

// The error raised by a failed operation. Nothing in the program catches it: it leaves the
// handler that caused it and the application reports what() to the user.
class RunTimeError : public std::runtime_error {
 public:
  explicit RunTimeError(RunTimeFault fault, const std::string& detail = {});

  RunTimeFault fault() const noexcept { return m_fault; }

 private:
  RunTimeFault m_fault;
};

// The fixed text that names a fault, e.g. "Floating-point overflow".
const char* describe(RunTimeFault fault) noexcept;

}  // namespace kestavon
