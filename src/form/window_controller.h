#pragma once

#include <exception>
#include <optional>
#include <string>

#include "dynamics/oscillator.h"
#include "form/frm_kestavon.h"
#include "form/front_end.h"
#include "form/layout.h"
#include "plot/screen_canvas.h"

namespace kestavon::form {

// The screen a window is on: the dots per inch of the front-end's layout (96 where the toolkit
// scales by itself) and device pixels to a logical pixel.
struct Density {
  int layoutDotsPerInch = kLogicalDotsPerInch;
  double pixelRatio = 1;

  friend bool operator==(const Density&, const Density&) = default;
};

// The window as it behaves, whatever toolkit shows it: it owns picGraph and frmKestavon, and runs
// every handler, key and density change. A handler runs to its end; after it, whether it ended
// normally or by a run-time error, the plot is shown as drawn. An error is reported once: the
// message box, then the line on standard error, then status 1, and no handler runs after it.
class WindowController {
 public:
  // Lays the controls out, makes picGraph at the density's device pixels and runs Form_Load. Every
  // run starts at `fixedStart` when it holds a state.
  WindowController(FrontEnd& frontEnd, Density density, const std::optional<OscState>& fixedStart);
  WindowController(const WindowController&) = delete;
  WindowController& operator=(const WindowController&) = delete;

  // A click on a control, or its access key.
  void click(ControlId control);
  // One of the plot's keys.
  void command(PlotCommand command);
  // The clipboard refused the picture after copyPicture had returned (a browser's answers later).
  void copyRefused(const std::string& reason);
  // The window is on another screen, or its screen changed density: the controls move, and the
  // drawing goes onto the new device pixels with every logical pixel kept (ScreenCanvas::setGrid).
  void setDensity(Density density);

  const ScreenCanvas& plot() const { return m_picGraph; }

 private:
  template <class Handler>
  void run(Handler&& handler);
  [[noreturn]] void fail(const std::exception_ptr& error);

  void layOut(int dotsPerInch);
  void moveTo(double pixelRatio);
  void save();
  void copy();

  FrontEnd& m_frontEnd;
  Density m_density;
  ScreenCanvas m_picGraph;
  std::optional<frmKestavon> m_form;
  std::string m_saveFolder;  // where the last save that succeeded went, in this session
  bool m_ending = false;
};

}  // namespace kestavon::form
