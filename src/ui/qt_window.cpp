#include "ui/qt_window.h"

#include <QEvent>
#include <QPushButton>

#include "ui/application.h"
#include "ui/picture_box.h"
#include "ui/plot_keys.h"
#include "ui/timing_trace.h"

namespace kestavon {
namespace {

QString text(std::string_view view) {
  return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

QRect logicalPlace(const form::Rect& twips) {
  return {form::logicalPixels(twips.left), form::logicalPixels(twips.top),
          form::logicalPixels(twips.width), form::logicalPixels(twips.height)};
}

// Shows what a handler drew when it ends, also when a run-time error ends it early.
class RepaintWhenDone {
 public:
  explicit RepaintWhenDone(QWidget* widget) : m_widget(widget) {}
  RepaintWhenDone(const RepaintWhenDone&) = delete;
  RepaintWhenDone& operator=(const RepaintWhenDone&) = delete;
  ~RepaintWhenDone() { m_widget->update(); }

 private:
  QWidget* m_widget;
};

}  // namespace

QtWindow::QtWindow(const std::optional<OscState>& fixedStart, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmKestavon"));
  setWindowTitle(QString::fromLatin1(form::kCaption));
  resize(logicalPlace(form::kClientArea).size());

  // Created in tab order.
  QWidget* previous = nullptr;
  for (const form::Control& control : form::kControls) {
    QWidget* widget = nullptr;
    if (control.id == form::ControlId::picGraph) {
      widget = m_picGraph = new PictureBox(this, logicalPlace(control.place));
      widget->setAccessibleDescription(QString::fromLatin1(form::kPlotKeysHelp));
    } else {
      auto* button = new QPushButton(text(control.caption), this);
      button->setAutoDefault(false);  // Enter clicks no button
      button->setDefault(false);
      button->setGeometry(logicalPlace(control.place));
      connect(button, &QPushButton::clicked, this, [this, id = control.id] { clicked(id); });
      widget = button;
    }
    widget->setObjectName(text(control.name));
    widget->setAccessibleName(text(control.accessibleName));
    if (previous != nullptr) setTabOrder(previous, widget);
    previous = widget;
  }
  new PlotKeys(this, m_picGraph);  // Ctrl+S and Ctrl+C, owned by the window

  // The focus goes to picGraph when the window is first activated.
  m_picGraph->setFocus();
  m_form.emplace(*m_picGraph, fixedStart);
}

void QtWindow::clicked(form::ControlId button) {
  runHandler([this, button] {
    const RepaintWhenDone repaint(m_picGraph);
    traceTime("run-start");
    m_form->click(button);
    traceTime("run-end");
  });
}

bool QtWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // The window's pending paints are made and handed to the window system here.
  if (event->type() == QEvent::UpdateRequest) traceTime("flushed");
  return handled;
}

}  // namespace kestavon
