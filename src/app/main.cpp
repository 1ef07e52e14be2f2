#include <QtGlobal>
#include <exception>
#include <iostream>
#include <variant>

#include "app/command_line.h"
#include "app/render.h"
#include "app/window_start.h"

int main(int argc, char* argv[]) {
  // The toolkit's own lines on standard error start with the program's name too.
  qSetMessagePattern(QStringLiteral("kestavon: %{if-category}%{category}: %{endif}%{message}"));
  try {
    const auto parsed = kestavon::parseCommandLine(kestavon::argumentsOf(argc, argv));
    if (const auto* answer = std::get_if<kestavon::Answer>(&parsed)) {
      return kestavon::give(*answer);
    }
    const auto& options = std::get<kestavon::Options>(parsed);
    return options.render ? kestavon::renderPicture(options)
                          : kestavon::runWindow(argv[0], options);
  } catch (const std::exception& error) {  // e.g. no memory for a large --scale
    std::cerr << "kestavon: " << error.what() << std::endl;
    return 1;
  }
}
