#include "qt/x11_display.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

namespace kestavon {

std::optional<std::string> missingDisplay() {
  // The toolkit starts the first platform that QT_QPA_PLATFORM names (options after ':'), and X11
  // when it names none, unless a Wayland display is given (then the toolkit chooses).
  const auto environment = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string_view(value != nullptr ? value : "");
  };
  const std::string_view platforms = environment("QT_QPA_PLATFORM");
  const std::string_view platform = platforms.substr(0, platforms.find_first_of(":;"));
  if (platform != "xcb" && !(platform.empty() && environment("WAYLAND_DISPLAY").empty())) {
    return std::nullopt;
  }
  // Asks the X server named by DISPLAY for a connection, authorisation included.
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool answers = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  if (answers) return std::nullopt;
  const std::string_view display = environment("DISPLAY");
  return "cannot open " +
         (display.empty() ? std::string("a display: DISPLAY is not set")
                          : "the display \"" + std::string(display) + "\"") +
         ". Without a screen, make a picture with --render (e.g. --render xy --output plot.png), "
         "or open the window in a virtual display: install xvfb and use xvfb-run.";
}

}  // namespace kestavon
