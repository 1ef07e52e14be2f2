#pragma once

#include <optional>

#include "dynamics/oscillator.h"
#include "plot/screen_canvas.h"

namespace kestavon {

// The program's window as it acts, whatever toolkit shows it: its two constants, its operations
// and its handlers, on the plot surface picGraph. None catches anything: a run-time error leaves
// the handler for the window's controller to report (window_controller.h).
class frmKestavon {
 public:
  // Runs Form_Load on `plot`, which the controller keeps at the device pixels of its screen. Every
  // run starts at `fixedStart` when it holds a state, instead of three values of the sequence.
  frmKestavon(ScreenCanvas& plot, const std::optional<OscState>& fixedStart);

  // Draws the axes on picGraph.
  void Draw_Axis();

  // The oscillator's right-hand sides.
  double fx(double y, double z) const;
  double fy(double x, double y) const;
  double fz(double x, double z) const;

  void cmdCls_Click();
  void cmdExit_Click();
  void cmdRun3D_Click();
  void cmdXY_Click();

 private:
  void Form_Load();

  ScreenCanvas& picGraph;
  std::optional<OscState> m_fixedStart;
  double Pi = 0;
  double ViewAngle = 0;
};

}  // namespace kestavon
