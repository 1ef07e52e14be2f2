#include "web/web_window.h"

#include <cstdint>
#include <string>
#include <vector>

#include "form/layout.h"
#include "picture/png_encoding.h"
#include "platform/end.h"
#include "web/page_calls.h"

namespace kestavon {
namespace {

// Where a picture waits in the module's memory until the browser has it.
constexpr char kDownloadFolder[] = "/tmp";

}  // namespace

WebWindow::WebWindow(const std::optional<OscState>& fixedStart, double pixelRatio)
    : m_pixelRatio(pixelRatio) {
  const form::DeviceRect client = form::devicePlace(form::kClientArea, form::kLogicalDotsPerInch);
  kestavon_page_open(form::kCaption, client.width, client.height);
  for (const form::PlotKey& key : form::kPlotKeys) {
    kestavon_page_add_plot_key(key.key, static_cast<int>(key.command));
  }
  m_controller.emplace(static_cast<form::FrontEnd&>(*this),
                       form::Density{form::kLogicalDotsPerInch, pixelRatio}, fixedStart);
}

void WebWindow::setPixelRatio(double pixelRatio) {
  m_pixelRatio = pixelRatio;
  m_controller->setDensity({form::kLogicalDotsPerInch, pixelRatio});
}

void WebWindow::layOut(std::span<const form::ControlView> controls) {
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const form::ControlView& view = controls[i];
    kestavon_page_place_control(
        static_cast<int>(i), std::string(view.control->name).c_str(),
        std::string(view.control->caption).c_str(), form::accessKey(*view.control),
        std::string(view.control->accessibleName).c_str(), std::string(view.description).c_str(),
        view.place.left, view.place.top, view.place.width, view.place.height);
  }
}

void WebWindow::showPlot(const RasterCanvas& pixels) { m_plot.show(pixels, m_pixelRatio); }

std::optional<form::SaveChoice> WebWindow::askSaveName(const form::SaveDialog& dialog) {
  m_downloadName = dialog.defaultName;
  return form::SaveChoice{std::string(kDownloadFolder) + "/" + m_downloadName, kDownloadFolder};
}

void WebWindow::saved(const form::SaveChoice& choice) {
  kestavon_page_download(choice.name.c_str(), m_downloadName.c_str());
}

void WebWindow::showMessage(form::MessageKind kind, const std::string& text) {
  kestavon_page_show_message(kind == form::MessageKind::Error ? 1 : 0, text.c_str());
}

std::optional<std::string> WebWindow::copyPicture(const RasterCanvas& picture) {
  const std::vector<std::uint8_t> png = encodePng(picture);
  if (kestavon_page_copy_png(png.data(), png.size()) != 0) {
    return "this browser lets no page put a picture on the clipboard";
  }
  return std::nullopt;
}

void WebWindow::quit(int status) { endProgram(status); }

}  // namespace kestavon
