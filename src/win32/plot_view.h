#pragma once

#include <windows.h>

#include "plot/raster_canvas.h"

namespace kestavon {

// The header of a 32-bit device-independent bitmap of the canvas's pixels (0xFFRRGGBB: blue, green,
// red and a byte left alone), its top row first as the canvas keeps them, or its bottom row first
// as the clipboard's readers expect.
BITMAPINFOHEADER bitmapHeader(const RasterCanvas& pixels, bool topRowFirst);

// picGraph on the Windows API: a child window that shows the canvas's device pixels one to one on
// the screen's, inside a sunken frame; the focus shows on the frame. Clicked, it takes the focus;
// it is a tab stop. Its window text is its accessible name.
class PlotView {
 public:
  PlotView(HWND parent, int id, const wchar_t* name);
  PlotView(const PlotView&) = delete;
  PlotView& operator=(const PlotView&) = delete;

  HWND handle() const { return m_handle; }

  // Shows `pixels` from now on; they are read at every paint.
  void show(const RasterCanvas& pixels);

  // Places the control at `box` (device pixels of the parent's client area), with the canvas's
  // first device pixel at `canvasOrigin` of the parent.
  void place(const RECT& box, POINT canvasOrigin);

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void paint(HDC dc) const;

  HWND m_handle = nullptr;
  const RasterCanvas* m_pixels = nullptr;
  POINT m_canvasOrigin{};  // in the control
};

}  // namespace kestavon
