#include "ui/frm_kestavon.h"

#include <QEvent>
#include <QPushButton>

#include "dynamics/oscillator.h"
#include "plot/projection.h"
#include "plot/trajectory.h"
#include "ui/application.h"
#include "ui/caption.h"
#include "ui/end.h"
#include "ui/picture_box.h"
#include "ui/plot_keys.h"
#include "ui/timing_trace.h"

namespace kestavon {
namespace {

// A command button at a fixed place. No button is a default button: Enter does not click one.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& accessibleName, QRect geometry) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAccessibleName(accessibleName);
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setGeometry(geometry);
  return button;
}

// Shows what a run drew when the handler ends, also when a run-time error ends it early.
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

frmKestavon::frmKestavon(QWidget* parent) : frmKestavon(std::nullopt, parent) {}

frmKestavon::frmKestavon(const std::optional<OscState>& fixedStart, QWidget* parent)
    : QWidget(parent), m_fixedStart(fixedStart) {
  setObjectName(QStringLiteral("frmKestavon"));
  setWindowTitle(QString::fromLatin1(kCaption));
  // Client area 9285 x 7170 twips; the frame stays resizable, but nothing moves with it.
  resize(619, 478);

  // Created in tab order: picGraph, cmdRun3D, cmdExit, cmdXY, cmdCls.
  picGraph = new PictureBox(this, QRect(32, 16, 553, 377));
  picGraph->setObjectName(QStringLiteral("picGraph"));
  picGraph->setAccessibleName(QStringLiteral("Trajectory plot"));
  picGraph->setAccessibleDescription(
      QStringLiteral("Ctrl+S saves the plot as a PNG picture; Ctrl+C copies it to the clipboard."));
  cmdRun3D = makeButton(this, "cmdRun3D", QStringLiteral("&Run-3D"), QStringLiteral("Run-3D"),
                        QRect(40, 416, 137, 41));
  cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"), QStringLiteral("Exit"),
                       QRect(472, 416, 121, 41));
  cmdXY = makeButton(this, "cmdXY", QStringLiteral("XY &Plane"), QStringLiteral("XY Plane"),
                     QRect(208, 416, 121, 41));
  cmdCls = makeButton(this, "cmdCls", QStringLiteral("&Clear"), QStringLiteral("Clear"),
                      QRect(344, 416, 121, 41));
  new PlotKeys(this, picGraph);  // Ctrl+S and Ctrl+C, owned by the window
  setTabOrder(picGraph, cmdRun3D);
  setTabOrder(cmdRun3D, cmdExit);
  setTabOrder(cmdExit, cmdXY);
  setTabOrder(cmdXY, cmdCls);

  connectHandler(cmdCls, &frmKestavon::cmdCls_Click);
  connectHandler(cmdExit, &frmKestavon::cmdExit_Click);
  connectHandler(cmdRun3D, &frmKestavon::cmdRun3D_Click);
  connectHandler(cmdXY, &frmKestavon::cmdXY_Click);

  // The focus goes to picGraph when the window is first activated.
  picGraph->setFocus();
  Form_Load();
}

void frmKestavon::Draw_Axis() {
  kestavon::Draw_Axis(*picGraph);
  picGraph->update();
}

double frmKestavon::fx(double y, double z) const { return kestavon::fx(y, z); }

double frmKestavon::fy(double x, double y) const { return kestavon::fy(x, y); }

double frmKestavon::fz(double x, double z) const { return kestavon::fz(x, z); }

void frmKestavon::cmdCls_Click() {
  picGraph->Cls();
  picGraph->update();
}

void frmKestavon::cmdExit_Click() { End(); }

void frmKestavon::cmdRun3D_Click() {
  const RepaintWhenDone repaint(picGraph);
  traceTime("run-start");
  TrajectoryRun(View::Oblique, *picGraph, Pi, ViewAngle, m_fixedStart);
  traceTime("run-end");
}

void frmKestavon::cmdXY_Click() {
  const RepaintWhenDone repaint(picGraph);
  traceTime("run-start");
  TrajectoryRun(View::XYPlane, *picGraph, Pi, ViewAngle, m_fixedStart);
  traceTime("run-end");
}

void frmKestavon::connectHandler(QPushButton* button, void (frmKestavon::*handler)()) {
  connect(button, &QPushButton::clicked, this,
          [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });
}

bool frmKestavon::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // The window's pending paints are made and handed to the window system here.
  if (event->type() == QEvent::UpdateRequest) traceTime("flushed");
  return handled;
}

void frmKestavon::Form_Load() {
  Pi = kFormLoadPi;
  ViewAngle = kFormLoadViewAngle;
  Draw_Axis();
}

}  // namespace kestavon
