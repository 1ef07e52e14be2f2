#pragma once

#include <QWidget>
#include <optional>

#include "dynamics/oscillator.h"

class QPushButton;

namespace kestavon {

class PictureBox;

// The program's window: the plot area picGraph and the buttons Run-3D, XY Plane, Clear and Exit,
// at fixed positions (pixels are twips / 15). A click runs its handler to the end before the next
// event is taken; the handlers catch nothing, so a run-time error leaves them for the application
// object to report.
class frmKestavon : public QWidget {
  Q_OBJECT

 public:
  explicit frmKestavon(QWidget* parent = nullptr);
  // Every run starts at `fixedStart`, when it holds a state, instead of three values of the
  // random sequence.
  explicit frmKestavon(const std::optional<OscState>& fixedStart, QWidget* parent = nullptr);

  // Draws the axes on picGraph.
  void Draw_Axis();

  // The oscillator's right-hand sides.
  double fx(double y, double z) const;
  double fy(double x, double y) const;
  double fz(double x, double z) const;

 protected:
  bool event(QEvent* event) override;

 private slots:
  void cmdCls_Click();
  void cmdExit_Click();
  void cmdRun3D_Click();
  void cmdXY_Click();

 private:
  // Runs once, from the constructor, before the window is first shown.
  void Form_Load();

  // Runs `handler` on every click of `button`, through runHandler.
  void connectHandler(QPushButton* button, void (frmKestavon::*handler)());

  std::optional<OscState> m_fixedStart;

  PictureBox* picGraph;
  QPushButton* cmdRun3D;
  QPushButton* cmdExit;
  QPushButton* cmdXY;
  QPushButton* cmdCls;

  double Pi = 0;
  double ViewAngle = 0;
};

}  // namespace kestavon
