#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>

#include "dynamics/oscillator.h"
#include "form/front_end.h"
#include "form/window_controller.h"
#include "win32/plot_view.h"

namespace kestavon {

// The window on the Windows API: the primitives of form::FrontEnd on a top-level window, push
// buttons and the plot control, at the device pixels of its monitor (the program is per-monitor
// aware, its manifest says so), and every message handed to the window's controller.
class Win32Window final : private form::FrontEnd {
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
  // Push buttons and the plot control, made in tab order, moved and given the font of a new
  // density when it changes.
  void layOut(std::span<const form::ControlView> controls) override;
  void showPlot(const RasterCanvas& pixels) override;
  // The system's save dialog, which adds nothing to the recent documents.
  std::optional<form::SaveChoice> askSaveName(const form::SaveDialog& dialog) override;
  void showMessage(form::MessageKind kind, const std::string& text) override;    // MessageBoxW
  std::optional<std::string> copyPicture(const RasterCanvas& picture) override;  // as a DIB
  [[noreturn]] void quit(int status) override;

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  form::Density density() const;

  HWND m_window = nullptr;
  UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
  std::unique_ptr<PlotView> m_plot;
  std::array<HWND, form::kControls.size()> m_controls{};
  HFONT m_font = nullptr;
  HACCEL m_keys = nullptr;
  HWND m_lastFocus = nullptr;  // given back when the window is activated again
  std::optional<form::WindowController> m_controller;
};

}  // namespace kestavon
