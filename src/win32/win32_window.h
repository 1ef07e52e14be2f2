#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "form/frm_kestavon.h"
#include "plot/screen_canvas.h"
#include "win32/plot_view.h"

namespace kestavon {

// The window on the Windows API: the form (form/layout.h) mapped onto a top-level window, push
// buttons and the plot control, at the device pixels of its monitor (twips * dots per inch /
// 1440; the program is per-monitor aware, its manifest says so), and frmKestavon's handlers run
// on them. A click runs its handler to the end before the next message is taken; the handlers
// catch nothing, so a run-time error leaves them for runHandler to report (handlers.h).
class Win32Window {
 public:
  // Makes the window, hidden, and runs Form_Load. Every run starts at `fixedStart`, when it holds
  // a state, instead of three values of the random sequence.
  explicit Win32Window(const std::optional<OscState>& fixedStart);
  ~Win32Window();
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Shows the window, the focus on the plot.
  void show(int showCommand);

  // Gives the window a message of the keyboard first: Ctrl+S, Ctrl+C, Tab, the access keys and
  // Space on a button. True when the message was taken.
  bool takeKey(MSG& message);

 private:
  // The window's controls, in tab order, its keys, and the form, whose Form_Load runs here.
  void makeControls(const std::optional<OscState>& fixedStart);

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  // The controls, their font and the plot's canvas at the window's DPI.
  void layOut();
  DeviceGrid plotGrid() const;
  int devicePixels(int twips) const;

  void clicked(form::ControlId button);
  void save();
  void copy();

  HWND m_window = nullptr;
  UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
  std::optional<ScreenCanvas> m_canvas;  // picGraph's drawing
  std::unique_ptr<PlotView> m_plot;
  std::array<HWND, form::kControls.size()> m_controls{};
  HFONT m_font = nullptr;
  HACCEL m_keys = nullptr;
  HWND m_lastFocus = nullptr;  // given back when the window is activated again
  std::optional<frmKestavon> m_form;
  std::wstring m_saveFolder;  // of the last save that succeeded, in this session
};

}  // namespace kestavon
