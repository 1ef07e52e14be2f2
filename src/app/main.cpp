#include <exception>
#include <new>
#include <optional>
#include <variant>

#include "app/arguments.h"
#include "app/command_line.h"
#include "app/front_end.h"
#include "app/render.h"
#include "form/layout.h"
#include "platform/messages.h"
#include "platform/random.h"

namespace {

// Runs a part of the program, reporting an exception that escapes it: its status, or 1.
template <class Part>
int reported(const Part& part) {
  try {
    return part();
  } catch (const std::bad_alloc&) {
    kestavon::report("not enough memory");
  } catch (const std::exception& error) {
    kestavon::report(error.what());
  }
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::optional<kestavon::Options> window;
  {
    // Started without a console (on Windows from Explorer, a window program), the command line's
    // and --render's errors are shown in a message box.
    const kestavon::MessageBoxWithoutConsole box(kestavon::form::kCaption);
    const int status = reported([&] {
      const auto parsed = kestavon::parseCommandLine(kestavon::programArguments(argc, argv));
      if (const auto* answer = std::get_if<kestavon::Answer>(&parsed)) {
        return kestavon::give(*answer);
      }
      const auto& options = std::get<kestavon::Options>(parsed);
      if (options.render) return kestavon::renderPicture(options);
      window = options;
      return 0;
    });
    if (!window) return status;
  }
  if (window->seed) kestavon::FixRandomSeed(*window->seed);
  return reported([&] { return kestavon::runWindow(argv[0], window->start); });
}
