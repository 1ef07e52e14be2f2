// The native side of web_click.mjs: a click on XY Plane through the window's controller, as every
// front-end makes it, from a fixed start, on a front-end that shows nothing (no toolkit's own
// time in it). Prints each click's milliseconds on a line.
//
//   native_click X,Y,Z CLICKS

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "form/window_controller.h"

namespace {

class NoScreen final : public kestavon::form::FrontEnd {
  void layOut(std::span<const kestavon::form::ControlView> /*controls*/) override {}
  void showPlot(const kestavon::RasterCanvas& /*pixels*/) override {}
  std::optional<kestavon::form::SaveChoice> askSaveName(
      const kestavon::form::SaveDialog& /*dialog*/) override {
    return std::nullopt;
  }
  void showMessage(kestavon::form::MessageKind /*kind*/, const std::string& text) override {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  std::optional<std::string> copyPicture(const kestavon::RasterCanvas& /*picture*/) override {
    return std::nullopt;
  }
  [[noreturn]] void quit(int status) override { std::exit(status); }
};

}  // namespace

int main(int argc, char* argv[]) {
  kestavon::OscState start{};
  if (argc != 3 || std::sscanf(argv[1], "%lf,%lf,%lf", &start.x, &start.y, &start.z) != 3) {
    std::fputs("usage: native_click X,Y,Z CLICKS\n", stderr);
    return 2;
  }
  NoScreen screen;
  kestavon::form::WindowController window(screen, {}, start);
  for (int i = std::atoi(argv[2]); i > 0; --i) {
    const auto begin = std::chrono::steady_clock::now();
    window.click(kestavon::form::ControlId::cmdXY);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
    std::printf("%.3f\n", took.count());
  }
  return 0;
}
