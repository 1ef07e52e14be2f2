#include "form/window_controller.h"

#include <array>
#include <new>
#include <stdexcept>
#include <utility>

#include "picture/png_file.h"
#include "platform/end.h"
#include "platform/messages.h"
#include "platform/run_time_error.h"

namespace kestavon::form {
namespace {

// The report of an exception that left a handler, as the user reads it: a run-time error's own
// message ("Run-time error: ..."), anything else as a fault of the program itself.
std::string unhandledErrorText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const RunTimeError& runTimeError) {
    return runTimeError.what();
  } catch (const std::bad_alloc&) {
    return "Unexpected error: not enough memory";
  } catch (const std::exception& other) {
    return std::string("Unexpected error: ") + other.what();
  } catch (...) {
    return "Unexpected error of unknown type";
  }
}

}  // namespace

WindowController::WindowController(FrontEnd& frontEnd, Density density,
                                   const std::optional<OscState>& fixedStart)
    : m_frontEnd(frontEnd), m_density(density), m_picGraph(kPlotAreaWidth, kPlotAreaHeight) {
  run([&] {
    layOut(density.layoutDotsPerInch);
    moveTo(density.pixelRatio);
    m_form.emplace(m_picGraph, fixedStart);  // Form_Load
    m_frontEnd.showPlot(m_picGraph.device());
  });
}

template <class Handler>
void WindowController::run(Handler&& handler) {
  if (m_ending) return;  // e.g. a click queued behind the error's message box
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    fail(std::current_exception());
  }
}

void WindowController::fail(const std::exception_ptr& error) {
  m_ending = true;
  const std::string text = unhandledErrorText(error);
  try {
    m_frontEnd.showPlot(m_picGraph.device());
    m_frontEnd.showMessage(MessageKind::Error, text);
  } catch (...) {  // the report below is all there is then
  }
  report(text);
  m_frontEnd.quit(1);
  endProgram(1);  // should a front-end's quit return
}

void WindowController::click(ControlId control) {
  run([this, control] {
    // The plot as drawn, also when a run-time error ends the handler (fail shows it then).
    switch (control) {
      case ControlId::cmdRun3D:
        m_form->cmdRun3D_Click();
        break;
      case ControlId::cmdExit:
        m_form->cmdExit_Click();
        break;
      case ControlId::cmdXY:
        m_form->cmdXY_Click();
        break;
      case ControlId::cmdCls:
        m_form->cmdCls_Click();
        break;
      case ControlId::picGraph:
        return;  // the plot is no button
    }
    m_frontEnd.showPlot(m_picGraph.device());
  });
}

void WindowController::command(PlotCommand command) {
  run([this, command] {
    if (command == PlotCommand::Save) {
      save();
    } else {
      copy();
    }
  });
}

void WindowController::setDensity(Density density) {
  run([this, density] {
    if (density.layoutDotsPerInch != m_density.layoutDotsPerInch) {
      layOut(density.layoutDotsPerInch);
    }
    m_density = density;
    moveTo(density.pixelRatio);
  });
}

void WindowController::layOut(int dotsPerInch) {
  std::array<ControlView, kControls.size()> views{};
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const Control& control = kControls[i];
    views[i] = {&control, devicePlace(control.place, dotsPerInch),
                control.id == ControlId::picGraph ? kPlotKeysHelp : ""};
  }
  m_frontEnd.layOut(views);
}

void WindowController::moveTo(double pixelRatio) {
  bool moved = false;
  try {
    moved = m_picGraph.setGrid(plotGrid(pixelRatio));
  } catch (const std::bad_alloc&) {
    throw RunTimeError(RunTimeFault::OperationFailed,
                       "not enough memory to draw the plot at this screen's density");
  } catch (const std::invalid_argument& badGrid) {
    throw RunTimeError(RunTimeFault::OperationFailed, badGrid.what());
  }
  if (moved) m_frontEnd.showPlot(m_picGraph.device());
}

void WindowController::save() {
  const std::optional<SaveChoice> choice = m_frontEnd.askSaveName(
      {"Save the plot", "PNG pictures (*.png)", "*.png", "png", "kestavon.png", m_saveFolder});
  if (!choice) return;
  // A FIFO that no program reads fails at once: the window never waits on a save.
  if (const std::optional<std::string> failure =
          writePng(m_picGraph.device(), choice->name, Patience::Never)) {
    m_frontEnd.showMessage(MessageKind::Warning, "The plot was not saved: " + *failure + ".");
    return;
  }
  m_saveFolder = choice->folder;
  m_frontEnd.saved(*choice);
}

void WindowController::copy() {
  if (const std::optional<std::string> failure = m_frontEnd.copyPicture(m_picGraph.device())) {
    copyRefused(*failure);
  }
}

void WindowController::copyRefused(const std::string& reason) {
  run([&] {
    m_frontEnd.showMessage(MessageKind::Warning, "The plot was not copied: " + reason + ".");
  });
}

}  // namespace kestavon::form
