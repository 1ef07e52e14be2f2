#include <exception>
#include <variant>

#include "app/arguments.h"
#include "app/command_line.h"
#include "app/front_end.h"
#include "app/render.h"
#include "platform/messages.h"
#include "platform/random.h"

int main(int argc, char* argv[]) {
  try {
    const auto parsed = kestavon::parseCommandLine(kestavon::programArguments(argc, argv));
    if (const auto* answer = std::get_if<kestavon::Answer>(&parsed)) {
      return kestavon::give(*answer);
    }
    const auto& options = std::get<kestavon::Options>(parsed);
    if (options.render) return kestavon::renderPicture(options);
    if (options.seed) kestavon::FixRandomSeed(*options.seed);
    return kestavon::runWindow(argv[0], options.start);
  } catch (const std::exception& error) {  // e.g. no memory for a large --scale
    kestavon::report(error.what());
    return 1;
  }
}
