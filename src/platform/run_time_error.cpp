#include "platform/run_time_error.h"

namespace kestavon {

const char* describe(RunTimeFault fault) noexcept {
  switch (fault) {
    case RunTimeFault::InvalidOperation:
      return "Invalid floating-point operation";
    case RunTimeFault::DivisionByZero:
      return "Floating-point division by zero";
    case RunTimeFault::Overflow:
      return "Floating-point overflow";
    case RunTimeFault::ConversionOverflow:
      return "Conversion overflow";
    case RunTimeFault::OperationFailed:
      return "Operation failed";
  }
  return "Unknown run-time error";
}

namespace {

std::string composeMessage(RunTimeFault fault, const std::string& detail) {
  std::string message = "Run-time error: ";
  message += describe(fault);
  if (!detail.empty()) {
    message += " (";
    message += detail;
    message += ')';
  }
  return message;
}

}  // namespace

RunTimeError::RunTimeError(RunTimeFault fault, const std::string& detail)
    : std::runtime_error(composeMessage(fault, detail)), m_fault(fault) {}

}  // namespace kestavon
