#include "ui/picture_box.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <cmath>

#include "picture/png_file.h"
#include "ui/application.h"
#include "ui/timing_trace.h"

namespace kestavon {

PictureBox::PictureBox(QWidget* parent)
    : QFrame(parent),
      m_canvas(kInnerWidth, kInnerHeight,
               DeviceGrid::at(devicePixelRatioF(), kFrameWidth, kFrameWidth)) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(kFrameWidth);
  setFocusPolicy(Qt::StrongFocus);
  // The image covers the whole inner area; the frame paints the rest.
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  wrapCanvas();
}

float PictureBox::ScaleWidth() const { return m_canvas.ScaleWidth(); }

float PictureBox::ScaleHeight() const { return m_canvas.ScaleHeight(); }

void PictureBox::Cls() { m_canvas.Cls(); }  // clears in place: the image still shows its pixels

void PictureBox::Line(float x1, float y1, float x2, float y2, Colour colour) {
  m_canvas.Line(x1, y1, x2, y2, colour);
}

RasterCanvas* PictureBox::directCanvas() { return m_canvas.directCanvas(); }

ScreenCanvas* PictureBox::screenCanvas() { return m_canvas.screenCanvas(); }

void PictureBox::matchScreen() {
  // Device coordinates of the window's backing store start on the device grid at the window's
  // top-left corner.
  const QPoint inWindow = mapTo(window(), contentsRect().topLeft());
  const DeviceGrid grid = DeviceGrid::at(devicePixelRatioF(), inWindow.x(), inWindow.y());
  if (grid == m_canvas.grid()) return;
  m_canvas.setGrid(grid);
  wrapCanvas();
  update();
  emit gridChanged();
}

bool PictureBox::event(QEvent* event) {
  // Qt 6.4 sends no event of its own for a change of device pixel ratio; it mostly comes with a
  // move to another screen, and the ratio is known for sure once the widget is shown. A screen can
  // also change its ratio in place: a paint finds that out before it copies a canvas made for
  // another (matchScreen costs nothing when nothing changed). Moving the drawing allocates, and a
  // failure must not unwind through Qt's frames.
  switch (event->type()) {
    case QEvent::ScreenChangeInternal:
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Paint:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
      runHandler([this] { matchScreen(); });
      break;
    default:
      break;
  }
  return QFrame::event(event);
}

void PictureBox::paintEvent(QPaintEvent* event) {
  traceTime("paint");
  QFrame::paintEvent(event);
  QPainter painter(this);
  if (hasFocus()) drawFocusFrame(painter);
  // Canvas pixel (i, j) goes onto device pixel (i, j) from the one that holds the drawing area's
  // top-left corner: the world transform undoes the device's scaling, so this is a plain copy of
  // pixels, with no smoothing and no scaling.
  const QTransform toDevice = painter.deviceTransform();
  const QPointF corner = toDevice.map(QPointF(contentsRect().topLeft()));
  const QTransform onDevicePixels =
      QTransform::fromTranslate(wholeDevicePixel(corner.x()), wholeDevicePixel(corner.y()));
  painter.setWorldTransform(onDevicePixels * toDevice.inverted());
  painter.drawImage(QPointF(0, 0), m_image);
}

void PictureBox::drawFocusFrame(QPainter& painter) const {
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = rect();
  option.backgroundColor = palette().color(QPalette::Window);
  // Shown whenever the plot has the focus, which it has from the start, not only once the
  // keyboard has moved it (where the style would otherwise wait for that).
  option.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
  // On the frame only: the drawing area is the canvas's alone.
  painter.save();
  painter.setClipRegion(QRegion(rect()).subtracted(QRegion(contentsRect())));
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  painter.restore();
}

void PictureBox::wrapCanvas() { m_image = imageOver(m_canvas.device()); }

}  // namespace kestavon
