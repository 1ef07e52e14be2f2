#pragma once

#include <QFrame>
#include <functional>

#include "plot/raster_canvas.h"

namespace kestavon {

// picGraph on Qt: the canvas's device pixels painted one to one onto the screen's, from the
// client area's device pixel form::plotOrigin, inside a sunken frame that shows the focus. Before
// each paint it tells the window the device pixel ratio it is painted at, since a screen can change
// its density in place and Qt 6.4 sends no event for that.
class QtPlotView final : public QFrame {
  Q_OBJECT

 public:
  QtPlotView(QWidget* parent, std::function<void(double ratio)> painting);

  // Shows `pixels` from now on; they are read at every paint.
  void show(const RasterCanvas& pixels);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void drawFocusFrame(QPainter& painter) const;

  std::function<void(double ratio)> m_painting;
  const RasterCanvas* m_pixels = nullptr;
};

}  // namespace kestavon
