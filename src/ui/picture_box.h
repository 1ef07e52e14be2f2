#pragma once

#include <QFrame>
#include <QImage>

#include "form/layout.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"

namespace kestavon {

// The plot area: a black drawing area of 549 x 373 logical pixels (8235 x 5595 twips) inside a
// sunken frame two pixels wide. It is a ScreenCanvas kept at the device pixels of the screen it is
// painted on, and paints from it pixel for pixel, so the drawing is kept (there when the widget
// first appears, back when it is uncovered) and lines stay one device pixel wide at any device
// pixel ratio. Drawing calls change only the canvas; call update() to show them.
class PictureBox final : public QFrame, public ScreenCanvas {
  Q_OBJECT

 public:
  // At `geometry` in `parent`: its place in the window is known from the start, so that what is
  // drawn before the window shows falls on the device pixels it will be shown on.
  PictureBox(QWidget* parent, const QRect& geometry);

  // The drawing as the screen shows it, one pixel per device pixel.
  const RasterCanvas& canvas() const { return device(); }

  // Fits the canvas to the device pixels of the widget's screen and place in its window, keeping
  // the drawing. Every paint makes sure of it, since a screen can change its density in place and
  // Qt 6.4 sends no event for that.
  void matchScreen();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void drawFocusFrame(QPainter& painter) const;

  QImage m_image;  // the canvas's pixels, not copied
};

}  // namespace kestavon
