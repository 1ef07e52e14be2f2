#pragma once

// What the program's window is, whatever toolkit shows it: its caption, its controls with their
// places in twips, their captions (the character after '&' is the access key) and their tab order,
// and the keys of the plot. A front-end maps this onto its toolkit; it does not restate it.

#include <array>
#include <string_view>

namespace kestavon::form {

// The window's caption, also the title of its message boxes.
inline constexpr char kCaption[] = "Kestavon Ocsillator";

// Twips to a logical pixel of the toolkits (1/96 inch); a screen of more dots per inch has that
// many more device pixels to a logical pixel.
inline constexpr int kTwipsPerLogicalPixel = 15;

// A rectangle in twips, relative to the window's client area.
struct Rect {
  int left, top, width, height;
};

// The client area; the frame stays resizable, but nothing moves with it.
inline constexpr Rect kClientArea{0, 0, 9285, 7170};

enum class ControlId { picGraph, cmdRun3D, cmdExit, cmdXY, cmdCls };

struct Control {
  ControlId id;
  std::string_view name;            // the control's own name, as its toolkit object's name
  std::string_view caption;         // with '&' before the access key; none for picGraph
  std::string_view accessibleName;  // for screen readers
  Rect place;
};

// The controls in tab order; the focus starts on the first. The buttons stand in a row below the
// plot, left to right Run-3D, XY Plane, Clear, Exit. No button is a default button.
inline constexpr std::array<Control, 5> kControls{{
    {ControlId::picGraph, "picGraph", "", "Trajectory plot", {480, 240, 8295, 5655}},
    {ControlId::cmdRun3D, "cmdRun3D", "&Run-3D", "Run-3D", {600, 6240, 2055, 615}},
    {ControlId::cmdExit, "cmdExit", "E&xit", "Exit", {7080, 6240, 1815, 615}},
    {ControlId::cmdXY, "cmdXY", "XY &Plane", "XY Plane", {3120, 6240, 1815, 615}},
    {ControlId::cmdCls, "cmdCls", "&Clear", "Clear", {5160, 6240, 1815, 615}},
}};

constexpr const Control& control(ControlId id) {
  for (const Control& candidate : kControls) {
    if (candidate.id == id) return candidate;
  }
  return kControls.front();
}

// A place in twips as logical pixels: every place above is whole logical pixels.
constexpr int logicalPixels(int twips) { return twips / kTwipsPerLogicalPixel; }

// picGraph's sunken border, the toolkits' default, in logical pixels: its inner drawing area, the
// plot, is 8235 x 5595 twips, from logical pixel (34, 18) of the client area.
inline constexpr int kPlotFrameWidth = 2;
inline constexpr int kPlotLeft =
    logicalPixels(control(ControlId::picGraph).place.left) + kPlotFrameWidth;
inline constexpr int kPlotTop =
    logicalPixels(control(ControlId::picGraph).place.top) + kPlotFrameWidth;
// The plot's size in logical pixels, that of every picture at one pixel a logical pixel.
inline constexpr int kPlotAreaWidth =
    logicalPixels(control(ControlId::picGraph).place.width) - 2 * kPlotFrameWidth;
inline constexpr int kPlotAreaHeight =
    logicalPixels(control(ControlId::picGraph).place.height) - 2 * kPlotFrameWidth;

// The access key of a control: the character after '&' in its caption, in upper case; 0 for none.
constexpr char accessKey(const Control& control) {
  const std::size_t amp = control.caption.find('&');
  if (amp == std::string_view::npos || amp + 1 >= control.caption.size()) return 0;
  const char key = control.caption[amp + 1];
  return key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
}

// The plot's keys, with Ctrl, anywhere in the window.
enum class PlotCommand { Save, Copy };
struct PlotKey {
  char key;
  PlotCommand command;
};
inline constexpr std::array<PlotKey, 2> kPlotKeys{{
    {'S', PlotCommand::Save},  // saves the plot as a PNG picture chosen in a file dialog
    {'C', PlotCommand::Copy},  // copies the plot to the clipboard
}};
inline constexpr char kPlotKeysHelp[] =
    "Ctrl+S saves the plot as a PNG picture; Ctrl+C copies it to the clipboard.";

}  // namespace kestavon::form
