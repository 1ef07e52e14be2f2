#include "form/unhandled_error.h"

#include "platform/run_time_error.h"

namespace kestavon {

std::string unhandledErrorText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const RunTimeError& runTimeError) {
    return runTimeError.what();
  } catch (const std::exception& other) {
    return std::string("Unexpected error: ") + other.what();
  } catch (...) {
    return "Unexpected error of unknown type";
  }
}

}  // namespace kestavon
