#pragma once

#include <QFrame>
#include <QImage>
#include <memory>

#include "plot/raster_canvas.h"
#include "plot/surface.h"

namespace kestavon {

// The plot area: a black drawing area inside a sunken frame two pixels wide. It draws on a
// RasterCanvas of its inner area and paints from it, so the drawing is kept: it is there when the
// widget first appears and comes back when the widget is uncovered. Drawing calls change only the
// canvas; call update() to show them.
//
// On a high-density screen the canvas has one pixel per device pixel (a whole number of them per
// logical pixel, 15/scale twips each), so ScaleWidth and ScaleHeight stay the same in twips and
// lines stay one device pixel wide.
class PictureBox final : public QFrame, public PlotSurface {
  Q_OBJECT

 public:
  static constexpr int kFrameWidth = 2;

  explicit PictureBox(QWidget* parent = nullptr);

  float ScaleWidth() const override;
  float ScaleHeight() const override;
  void Cls() override;
  void Line(float x1, float y1, float x2, float y2, Colour colour) override;

  // Device pixels per logical pixel of the canvas: 1 on an ordinary screen.
  int canvasScale() const { return m_canvasScale; }
  const RasterCanvas& canvas() const { return *m_canvas; }

  // Gives the canvas `scale` device pixels per logical pixel, keeping the drawing (resampled).
  void setCanvasScale(int scale);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // The canvas scale for the widget's current device pixel ratio.
  int scaleForScreen() const;
  void wrapCanvas();

  int m_canvasScale = 1;
  std::unique_ptr<RasterCanvas> m_canvas;
  QImage m_image;  // the canvas's pixels, not copied
};

}  // namespace kestavon
