#include "ui/picture_box.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kestavon {
namespace {

// The inner drawing area in logical pixels: 8235 x 5595 twips at 15 twips a pixel.
constexpr int kInnerWidth = 549;
constexpr int kInnerHeight = 373;

std::unique_ptr<RasterCanvas> makeCanvas(int scale) {
  return std::make_unique<RasterCanvas>(kInnerWidth * scale, kInnerHeight * scale,
                                        RasterCanvas::kTwipsPerPixel / static_cast<float>(scale));
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(kFrameWidth);
  setFocusPolicy(Qt::StrongFocus);
  // The image covers the whole inner area; the frame paints the rest.
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  m_canvasScale = scaleForScreen();
  m_canvas = makeCanvas(m_canvasScale);
  wrapCanvas();
}

float PictureBox::ScaleWidth() const { return m_canvas->ScaleWidth(); }

float PictureBox::ScaleHeight() const { return m_canvas->ScaleHeight(); }

void PictureBox::Cls() { m_canvas->Cls(); }  // clears in place: the image still shows its pixels

void PictureBox::Line(float x1, float y1, float x2, float y2, Colour colour) {
  m_canvas->RasterCanvas::Line(x1, y1, x2, y2, colour);
}

void PictureBox::setCanvasScale(int scale) {
  if (scale < 1 || scale == m_canvasScale) {
    return;
  }
  auto resampled = makeCanvas(scale);
  // Nearest neighbour: each new pixel takes the colour of the old pixel it lies in. A horizontal
  // run of one colour becomes one Line through the runs' pixel positions; positions are a quarter
  // pixel in from the pixel's edge, so they fall in that pixel however the canvas rounds.
  const float twips = resampled->twipsPerPixel();
  const auto position = [twips](int pixel) { return (static_cast<float>(pixel) + 0.25f) * twips; };
  const RasterCanvas& old = *m_canvas;
  const std::uint32_t black = toArgb(RGB(0, 0, 0));
  for (int y = 0; y < resampled->height(); ++y) {
    const int oldY = y * m_canvasScale / scale;
    int x = 0;
    while (x < resampled->width()) {
      const std::uint32_t argb = old.pixel(x * m_canvasScale / scale, oldY);
      int end = x + 1;
      while (end < resampled->width() && old.pixel(end * m_canvasScale / scale, oldY) == argb) {
        ++end;
      }
      if (argb != black) {
        const auto red = static_cast<int>((argb >> 16) & 0xFF);
        const auto green = static_cast<int>((argb >> 8) & 0xFF);
        const auto blue = static_cast<int>(argb & 0xFF);
        resampled->Line(position(x), position(y), position(end - 1), position(y),
                        RGB(red, green, blue));
      }
      x = end;
    }
  }
  m_image = QImage();
  m_canvas = std::move(resampled);
  m_canvasScale = scale;
  wrapCanvas();
  update();
}

bool PictureBox::event(QEvent* event) {
  // Qt 6.4 sends no event of its own for a change of device pixel ratio; it comes with a move to
  // another screen, and the ratio is known for sure once the widget is shown.
  if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show) {
    setCanvasScale(scaleForScreen());
  }
  return QFrame::event(event);
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  // A fractional device pixel ratio shows the next whole scale scaled down: smoothly, so that
  // no one-pixel line is dropped.
  painter.setRenderHint(QPainter::SmoothPixmapTransform,
                        devicePixelRatioF() != static_cast<qreal>(m_canvasScale));
  painter.drawImage(contentsRect().topLeft(), m_image);
}

int PictureBox::scaleForScreen() const {
  return std::max(1, static_cast<int>(std::ceil(devicePixelRatioF() - 1e-6)));
}

void PictureBox::wrapCanvas() {
  m_image = QImage(reinterpret_cast<const uchar*>(m_canvas->pixels()), m_canvas->width(),
                   m_canvas->height(), static_cast<qsizetype>(m_canvas->width()) * 4,
                   QImage::Format_RGB32);
  m_image.setDevicePixelRatio(m_canvasScale);
}

}  // namespace kestavon
