// The plot that the window's controller shows on a screen of a given density after given clicks,
// as a PNG picture of its device pixels: what every front-end must show, pixel for pixel. The
// browsers' tests hold the page's canvas to it at densities that --render does not make.
//
//   web_reference_picture OUTPUT.png X,Y,Z RATIO ACTION...
//
// ACTION is xy, 3d or cls (a click on XY Plane, Run-3D or Clear), or a number: the screen's new
// device pixel ratio.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "form/headless_front_end.h"
#include "form/window_controller.h"
#include "picture/png_encoding.h"

namespace {

using kestavon::form::ControlId;

std::optional<kestavon::OscState> startOf(const std::string& text) {
  kestavon::OscState state{};
  if (std::sscanf(text.c_str(), "%lf,%lf,%lf", &state.x, &state.y, &state.z) != 3) {
    return std::nullopt;
  }
  return state;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const std::optional<kestavon::OscState> start =
      arguments.size() >= 3 ? startOf(arguments[1]) : std::nullopt;
  if (!start) {
    std::fputs("usage: web_reference_picture OUTPUT.png X,Y,Z RATIO ACTION...\n", stderr);
    return 2;
  }
  kestavon::testing_support::HeadlessFrontEnd screen;
  kestavon::form::WindowController window(screen, {96, std::strtod(arguments[2].c_str(), nullptr)},
                                          start);
  for (std::size_t i = 3; i < arguments.size(); ++i) {
    const std::string& action = arguments[i];
    if (action == "xy") {
      window.click(ControlId::cmdXY);
    } else if (action == "3d") {
      window.click(ControlId::cmdRun3D);
    } else if (action == "cls") {
      window.click(ControlId::cmdCls);
    } else {
      window.setDensity({96, std::strtod(action.c_str(), nullptr)});
    }
  }
  const std::vector<std::uint8_t> png = kestavon::encodePng(window.plot().device());
  std::ofstream file(arguments[0], std::ios::binary);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return file ? 0 : 1;
}
