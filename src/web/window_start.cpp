// The page's start: page.js hands the address's values over as the command line's arguments, then
// starts the window, and gives every event of the page to it.

#include <emscripten.h>
#include <sys/stat.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/command_line.h"
#include "app/front_end.h"
#include "form/layout.h"
#include "platform/random.h"
#include "web/page_calls.h"
#include "web/web_window.h"

namespace kestavon {
namespace {

std::vector<std::string>& arguments() {
  static std::vector<std::string> given;
  return given;
}

std::optional<WebWindow>& window() {
  static std::optional<WebWindow> page;
  return page;
}

// The first line of a refused command line, without the program's name before it.
std::string firstLine(const std::string& text) {
  constexpr std::string_view kName = "kestavon: ";
  std::string line = text.substr(0, text.find('\n'));
  if (line.starts_with(kName)) line.erase(0, kName.size());
  return line;
}

}  // namespace

// A page reads no toolkit options.
const ToolkitOptions& toolkitOptions() {
  static constexpr ToolkitOptions kNone{};
  return kNone;
}

}  // namespace kestavon

extern "C" {

EMSCRIPTEN_KEEPALIVE void kestavon_add_argument(const char* argument) {
  kestavon::arguments().emplace_back(argument);
}

// Judges the arguments as the command line does, then opens the window and runs Form_Load; a bad
// value is refused in the command line's words, and nothing runs. Returns the command line's
// status: 0, or 2 for a refusal.
EMSCRIPTEN_KEEPALIVE int kestavon_start(double pixelRatio) {
  // The module's file system starts with a mask of 0777, under which a picture saved would be
  // unreadable, even to the page that hands it on: a desktop's usual mask instead.
  ::umask(022);
  const auto parsed = kestavon::parseCommandLine(kestavon::arguments());
  if (const auto* answer = std::get_if<kestavon::Answer>(&parsed)) {
    kestavon::give(*answer);  // the whole answer on the console, as on standard error
    kestavon_page_refuse(kestavon::firstLine(answer->text).c_str());
    return answer->status;
  }
  const auto& options = std::get<kestavon::Options>(parsed);
  if (options.seed) kestavon::FixRandomSeed(*options.seed);
  kestavon::window().emplace(options.start, pixelRatio);
  return 0;
}

EMSCRIPTEN_KEEPALIVE void kestavon_click(int control) {
  kestavon::window()->controller().click(
      kestavon::form::kControls.at(static_cast<std::size_t>(control)).id);
}

EMSCRIPTEN_KEEPALIVE void kestavon_command(int command) {
  kestavon::window()->controller().command(static_cast<kestavon::form::PlotCommand>(command));
}

EMSCRIPTEN_KEEPALIVE void kestavon_set_density(double pixelRatio) {
  kestavon::window()->setPixelRatio(pixelRatio);
}

EMSCRIPTEN_KEEPALIVE void kestavon_copy_refused(const char* reason) {
  kestavon::window()->controller().copyRefused(reason);
}
}
