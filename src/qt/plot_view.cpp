#include "qt/plot_view.h"

#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <utility>

#include "form/device_places.h"
#include "qt/timing_trace.h"

namespace kestavon {

QtPlotView::QtPlotView(QWidget* parent, std::function<void(double ratio)> painting)
    : QFrame(parent), m_painting(std::move(painting)) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(form::kPlotFrameWidth);
  setFocusPolicy(Qt::StrongFocus);
  // The canvas covers the whole inner area; the frame paints the rest.
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
}

void QtPlotView::show(const RasterCanvas& pixels) {
  m_pixels = &pixels;
  update();
}

void QtPlotView::paintEvent(QPaintEvent* event) {
  traceTime("paint");
  const double ratio = devicePixelRatioF();
  m_painting(ratio);
  QFrame::paintEvent(event);
  QPainter painter(this);
  if (hasFocus()) drawFocusFrame(painter);
  if (m_pixels == nullptr) return;
  // Canvas pixel (i, j) goes onto device pixel plotOrigin + (i, j) of the window's backing store,
  // whose origin is on the device grid: the world transform undoes the device's scaling, so this
  // is a plain copy of pixels, with no smoothing and no scaling.
  const form::DevicePoint origin = form::plotOrigin(ratio);
  painter.setWorldTransform(QTransform::fromTranslate(origin.x, origin.y) *
                            painter.deviceTransform().inverted());
  const QImage image(reinterpret_cast<const uchar*>(m_pixels->pixels()), m_pixels->width(),
                     m_pixels->height(), static_cast<qsizetype>(m_pixels->width()) * 4,
                     QImage::Format_RGB32);
  painter.drawImage(QPointF(0, 0), image);
}

void QtPlotView::drawFocusFrame(QPainter& painter) const {
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
