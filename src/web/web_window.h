#pragma once

#include <optional>
#include <string>

#include "dynamics/oscillator.h"
#include "form/front_end.h"
#include "form/window_controller.h"
#include "web/plot_view.h"

namespace kestavon {

// The window in a page: the primitives of form::FrontEnd on the page's elements (page.js makes
// them through page_calls.h), at CSS pixels, which the browser scales to the screen, and every
// event of the page handed to the window's controller.
class WebWindow final : private form::FrontEnd {
 public:
  // Opens the window in the page and runs Form_Load, on a screen of `pixelRatio` device pixels to
  // a CSS pixel. Every run starts at `fixedStart` when it holds a state.
  WebWindow(const std::optional<OscState>& fixedStart, double pixelRatio);

  form::WindowController& controller() { return *m_controller; }

  // The page is on a screen of another density, or was zoomed.
  void setPixelRatio(double pixelRatio);

 private:
  void layOut(std::span<const form::ControlView> controls) override;
  void showPlot(const RasterCanvas& pixels) override;
  // No dialog: the picture goes into the module's memory, and saved() hands it to the browser.
  std::optional<form::SaveChoice> askSaveName(const form::SaveDialog& dialog) override;
  void saved(const form::SaveChoice& choice) override;
  void showMessage(form::MessageKind kind, const std::string& text) override;
  // A PNG from the one encoder; the browser's refusal comes later (copyRefused).
  std::optional<std::string> copyPicture(const RasterCanvas& picture) override;
  [[noreturn]] void quit(int status) override;

  double m_pixelRatio;
  WebPlotView m_plot;
  std::string m_downloadName;  // the name the browser gives the picture saved last
  std::optional<form::WindowController> m_controller;
};

}  // namespace kestavon
