#pragma once

// What a toolkit does for the window: a small set of primitives, each a plain act of the toolkit
// (make controls, show pixels, ask for a name, show a message, fill the clipboard, quit). What the
// window does with them, the same for every toolkit, is WindowController's.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "form/device_places.h"
#include "form/layout.h"
#include "plot/raster_canvas.h"

namespace kestavon::form {

// A control to make, and where: in the pixels of the front-end's layout (logical pixels where the
// toolkit scales by itself, device pixels where it does not).
struct ControlView {
  const Control* control;        // name, caption with its access key, accessible name
  DeviceRect place;              //
  std::string_view description;  // for screen readers: what the control's keys do, or empty
};

// The save dialog to show.
struct SaveDialog {
  std::string_view title;
  std::string_view filterName;   // "PNG pictures (*.png)"
  std::string_view pattern;      // "*.png"
  std::string_view suffix;       // added by the dialog to a name typed without one
  std::string_view defaultName;  // offered in `folder`
  std::string folder;            // bytes; empty for the user's home folder
};

// A name chosen in the save dialog, and its folder: bytes, as the system takes them.
struct SaveChoice {
  std::string name;
  std::string folder;
};

enum class MessageKind { Warning, Error };

class FrontEnd {
 public:
  // Makes the controls in tab order the first time, and moves them to their new places after.
  virtual void layOut(std::span<const ControlView> controls) = 0;

  // Shows picGraph's device pixels as they are now, pixel for pixel, the first at plotOrigin of the
  // client area. The canvas stays where it is until the next call; its pixels change meanwhile.
  virtual void showPlot(const RasterCanvas& pixels) = 0;

  // Asks the user for a file name; nothing when cancelled.
  virtual std::optional<SaveChoice> askSaveName(const SaveDialog& dialog) = 0;

  // The picture is written to `choice`: a front-end that hands files on (a browser's download)
  // does it here.
  virtual void saved(const SaveChoice& /*choice*/) {}

  // A modal message box titled with the caption; returns when the user has closed it.
  virtual void showMessage(MessageKind kind, const std::string& text) = 0;

  // Puts the picture on the clipboard; why it could not, or nothing.
  virtual std::optional<std::string> copyPicture(const RasterCanvas& picture) = 0;

  // Ends the program with `status`; no handler runs after it.
  [[noreturn]] virtual void quit(int status) = 0;

 protected:
  ~FrontEnd() = default;
};

}  // namespace kestavon::form
