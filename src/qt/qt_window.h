#pragma once

#include <QWidget>
#include <optional>

#include "dynamics/oscillator.h"
#include "form/front_end.h"
#include "form/window_controller.h"

namespace kestavon {

class QtPlotView;

// The window on Qt: the primitives of form::FrontEnd on widgets, at logical pixels (Qt scales them
// to the screen), and every event handed to the window's controller.
class QtWindow final : public QWidget, private form::FrontEnd {
  Q_OBJECT

 public:
  // Form_Load runs here, before the window is first shown. Every run starts at `fixedStart` when
  // it holds a state.
  explicit QtWindow(const std::optional<OscState>& fixedStart = std::nullopt,
                    QWidget* parent = nullptr);

  form::WindowController& controller() { return *m_controller; }

 protected:
  bool event(QEvent* event) override;

 private:
  // Push buttons and the plot view, made once: Qt scales logical places by itself.
  void layOut(std::span<const form::ControlView> controls) override;
  void showPlot(const RasterCanvas& pixels) override;
  // The toolkit's own file dialog, keeping no settings.
  std::optional<form::SaveChoice> askSaveName(const form::SaveDialog& dialog) override;
  // A QMessageBox; none for an error where no display can show it.
  void showMessage(form::MessageKind kind, const std::string& message) override;
  std::optional<std::string> copyPicture(const RasterCanvas& picture) override;  // as a QImage
  [[noreturn]] void quit(int status) override;

  QtPlotView* m_plot = nullptr;
  std::optional<form::WindowController> m_controller;
};

}  // namespace kestavon
