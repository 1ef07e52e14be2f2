#pragma once

#include <QFrame>
#include <QImage>

#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
#include "plot/surface.h"

namespace kestavon {

// The plot area: a black drawing area of 549 x 373 logical pixels (8235 x 5595 twips) inside a
// sunken frame two pixels wide. It draws on a ScreenCanvas at the screen's own device pixels and
// paints from it pixel for pixel, so the drawing is kept (there when the widget first appears,
// back when it is uncovered) and lines stay one device pixel wide at any device pixel ratio.
// Drawing calls change only the canvas; call update() to show them.
class PictureBox final : public QFrame, public PlotSurface {
  Q_OBJECT

 public:
  static constexpr int kFrameWidth = 2;
  static constexpr int kInnerWidth = kPlotAreaWidth;
  static constexpr int kInnerHeight = kPlotAreaHeight;

  explicit PictureBox(QWidget* parent = nullptr);

  float ScaleWidth() const override;
  float ScaleHeight() const override;
  void Cls() override;
  void Line(float x1, float y1, float x2, float y2, Colour colour) override;
  RasterCanvas* directCanvas() override;
  ScreenCanvas* screenCanvas() override;

  // The drawing as the screen shows it, one pixel per device pixel.
  const RasterCanvas& canvas() const { return m_canvas.device(); }

  // Fits the canvas to the device pixels of the widget's screen and place in its window, keeping
  // the drawing. Runs by itself when the widget is shown, moved or changes screen.
  void matchScreen();

 signals:
  // The canvas has moved to another grid of device pixels (matchScreen).
  void gridChanged();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void drawFocusFrame(QPainter& painter) const;
  void wrapCanvas();

  ScreenCanvas m_canvas;
  QImage m_image;  // the canvas's pixels, not copied
};

}  // namespace kestavon
