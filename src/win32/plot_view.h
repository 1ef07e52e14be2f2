#pragma once

#include <windows.h>

#include "plot/screen_canvas.h"

namespace kestavon {

// picGraph on the Windows API: a child window that shows the plot's canvas pixel for pixel, the
// canvas's device pixels on the screen's, inside a sunken frame; the focus shows on the frame.
// Clicked, it takes the focus; it is a tab stop.
class PlotView {
 public:
  PlotView(HWND parent, int id, const ScreenCanvas& canvas);
  PlotView(const PlotView&) = delete;
  PlotView& operator=(const PlotView&) = delete;

  HWND handle() const { return m_handle; }

  // Places the control at `box` (device pixels of the parent's client area), with the canvas's
  // first device pixel at `canvasOrigin` of the parent.
  void place(const RECT& box, POINT canvasOrigin);

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void paint(HDC dc) const;

  HWND m_handle = nullptr;
  const ScreenCanvas& m_canvas;
  POINT m_canvasOrigin{};  // in the control
};

}  // namespace kestavon
