#include "ui/picture_box.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "ui/application.h"
#include "ui/canvas_image.h"
#include "ui/timing_trace.h"

namespace kestavon {

PictureBox::PictureBox(QWidget* parent, const QRect& geometry)
    : QFrame(parent),
      ScreenCanvas(
          kPlotAreaWidth, kPlotAreaHeight,
          DeviceGrid::at(devicePixelRatioF(), form::kPlotFrameWidth, form::kPlotFrameWidth)),
      m_image(imageOver(device())) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(form::kPlotFrameWidth);
  setFocusPolicy(Qt::StrongFocus);
  // The image covers the whole inner area; the frame paints the rest.
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setGeometry(geometry);
  matchScreen();
}

void PictureBox::matchScreen() {
  // Device coordinates of the window's backing store start on the device grid at the window's
  // top-left corner.
  const QPoint inWindow = mapTo(window(), contentsRect().topLeft());
  if (setGrid(DeviceGrid::at(devicePixelRatioF(), inWindow.x(), inWindow.y()))) {
    m_image = imageOver(device());
    update();
  }
}

void PictureBox::paintEvent(QPaintEvent* event) {
  traceTime("paint");
  // Moving the drawing allocates, and a failure must not unwind through Qt's frames.
  runHandler([this] { matchScreen(); });
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

}  // namespace kestavon
