#include "win32/win32_window.h"

#include <commdlg.h>

#include <cstring>
#include <cwchar>

#include "picture/png_file.h"
#include "platform/wide_text.h"
#include "win32/handlers.h"

namespace kestavon {
namespace {

constexpr wchar_t kClassName[] = L"KestavonWindow";
constexpr int kFirstControlId = 100;  // control i of the form has this plus i
constexpr WORD kSaveCommand = 200, kCopyCommand = 201;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW, kExtendedStyle = WS_EX_CONTROLPARENT;

const std::wstring& caption() {
  static const std::wstring text = wide(form::kCaption);
  return text;
}

// The client area's size at `dpi`, as the window's outer size.
SIZE windowSize(UINT dpi) {
  RECT area{0, 0, MulDiv(form::kClientArea.width, static_cast<int>(dpi), 1440),
            MulDiv(form::kClientArea.height, static_cast<int>(dpi), 1440)};
  AdjustWindowRectExForDpi(&area, kStyle, FALSE, kExtendedStyle, dpi);
  return {area.right - area.left, area.bottom - area.top};
}

}  // namespace

Win32Window::Win32Window(const std::optional<OscState>& fixedStart) {
  static const ATOM registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass);
  }();
  m_dpi = GetDpiForSystem();
  const SIZE size = windowSize(m_dpi);
  m_window = CreateWindowExW(kExtendedStyle, MAKEINTATOM(registered), caption().c_str(), kStyle,
                             CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr,
                             GetModuleHandleW(nullptr), this);
  if (m_window == nullptr) throw std::runtime_error("the window could not be made");
  try {
    makeControls(fixedStart);
  } catch (...) {
    // No destructor runs for an object that was never made: the window must not outlive it.
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
    if (m_keys != nullptr) DestroyAcceleratorTable(m_keys);
    if (m_font != nullptr) DeleteObject(m_font);
    throw;
  }
}

void Win32Window::makeControls(const std::optional<OscState>& fixedStart) {
  // Its place may be on a monitor of another density than the main one.
  if (const UINT dpi = GetDpiForWindow(m_window); dpi != m_dpi) {
    m_dpi = dpi;
    const SIZE there = windowSize(m_dpi);
    SetWindowPos(m_window, nullptr, 0, 0, there.cx, there.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Made in tab order.
  m_canvas.emplace(kPlotAreaWidth, kPlotAreaHeight, plotGrid());
  for (std::size_t i = 0; i < form::kControls.size(); ++i) {
    const form::Control& control = form::kControls[i];
    const int id = kFirstControlId + static_cast<int>(i);
    if (control.id == form::ControlId::picGraph) {
      m_plot = std::make_unique<PlotView>(m_window, id, *m_canvas);
      m_controls[i] = m_plot->handle();
    } else {
      m_controls[i] = CreateWindowExW(
          0, L"BUTTON", wide(control.caption).c_str(),
          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, m_window,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    }
  }
  layOut();

  std::array<ACCEL, 2> keys{{{FVIRTKEY | FCONTROL, form::kSaveKey, kSaveCommand},
                             {FVIRTKEY | FCONTROL, form::kCopyKey, kCopyCommand}}};
  m_keys = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
  m_form.emplace(*m_canvas, fixedStart);
}

Win32Window::~Win32Window() {
  if (m_keys != nullptr) DestroyAcceleratorTable(m_keys);
  if (m_window != nullptr) DestroyWindow(m_window);
  if (m_font != nullptr) DeleteObject(m_font);
}

void Win32Window::show(int showCommand) {
  ShowWindow(m_window, showCommand);
  SetFocus(m_plot->handle());
  UpdateWindow(m_window);
}

bool Win32Window::takeKey(MSG& message) {
  return TranslateAcceleratorW(m_window, m_keys, &message) != 0 ||
         IsDialogMessageW(m_window, &message) != 0;
}

int Win32Window::devicePixels(int twips) const {
  return MulDiv(twips, static_cast<int>(m_dpi), 1440);
}

DeviceGrid Win32Window::plotGrid() const {
  // The client area's origin is on the device grid, as a Qt window's backing store's is.
  return DeviceGrid::at(m_dpi / static_cast<double>(USER_DEFAULT_SCREEN_DPI), form::kPlotLeft,
                        form::kPlotTop);
}

void Win32Window::layOut() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, m_dpi);
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  for (std::size_t i = 0; i < form::kControls.size(); ++i) {
    const form::Rect& place = form::kControls[i].place;
    const RECT box{devicePixels(place.left), devicePixels(place.top),
                   devicePixels(place.left + place.width), devicePixels(place.top + place.height)};
    if (m_controls[i] == m_plot->handle()) {
      const double ratio = m_dpi / static_cast<double>(USER_DEFAULT_SCREEN_DPI);
      m_plot->place(box, {static_cast<LONG>(wholeDevicePixel(form::kPlotLeft * ratio)),
                          static_cast<LONG>(wholeDevicePixel(form::kPlotTop * ratio))});
    } else {
      SetWindowPos(m_controls[i], nullptr, box.left, box.top, box.right - box.left,
                   box.bottom - box.top, SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageW(m_controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
  }
  if (m_font != nullptr) DeleteObject(m_font);
  m_font = font;
}

void Win32Window::clicked(form::ControlId button) {
  runHandler(m_window, [this, button] {
    m_form->click(button);
    InvalidateRect(m_plot->handle(), nullptr, FALSE);
  });
}

LRESULT CALLBACK Win32Window::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->m_window == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->handle(message, wParam, lParam);
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int control = id - kFirstControlId;
      if (id == kSaveCommand) {
        runHandler(m_window, [this] { save(); });
      } else if (id == kCopyCommand) {
        runHandler(m_window, [this] { copy(); });
      } else if (control >= 0 && control < static_cast<int>(form::kControls.size()) &&
                 HIWORD(wParam) == BN_CLICKED) {
        clicked(form::kControls[static_cast<std::size_t>(control)].id);
      }
      return 0;  // IDOK and IDCANCEL, which Enter and Esc send, do nothing: no default button
    }
    case WM_DPICHANGED: {
      m_dpi = HIWORD(wParam);
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      // Every logical pixel keeps what it showed (ScreenCanvas::setGrid).
      runHandler(m_window, [this] { m_canvas->setGrid(plotGrid()); });
      layOut();
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        m_lastFocus = GetFocus();
      } else if (m_lastFocus != nullptr) {
        SetFocus(m_lastFocus);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      m_window = nullptr;  // gone: the destructor has none to destroy
      return 0;
    default:
      return DefWindowProcW(m_window, message, wParam, lParam);
  }
}

void Win32Window::save() {
  std::array<wchar_t, 32768> name{};
  std::wcscpy(name.data(), L"kestavon.png");
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = m_window;
  dialog.lpstrFilter = L"PNG pictures (*.png)\0*.png\0";
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = m_saveFolder.empty() ? nullptr : m_saveFolder.c_str();
  dialog.lpstrTitle = L"Save the plot";
  dialog.lpstrDefExt = L"png";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                 OFN_DONTADDTORECENT;
  if (GetSaveFileNameW(&dialog) == 0) return;
  const std::wstring chosen = name.data();
  if (const std::optional<std::string> failure =
          writePng(m_canvas->device(), narrow(chosen), Patience::Never)) {
    MessageBoxW(m_window, wide("The plot was not saved: " + *failure + ".").c_str(),
                caption().c_str(), MB_OK | MB_ICONWARNING);
    return;
  }
  m_saveFolder = chosen.substr(0, dialog.nFileOffset);
}

void Win32Window::copy() {
  // A device-independent bitmap of the canvas's pixels, its rows bottom up as the clipboard's
  // readers expect.
  const RasterCanvas& pixels = m_canvas->device();
  const std::size_t row = static_cast<std::size_t>(pixels.width()) * 4;
  const std::size_t size =
      sizeof(BITMAPINFOHEADER) + row * static_cast<std::size_t>(pixels.height());
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) throw std::bad_alloc();
  auto* bytes = static_cast<unsigned char*>(GlobalLock(memory));
  if (bytes == nullptr) {
    GlobalFree(memory);
    throw std::bad_alloc();
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = pixels.width();
  header.biHeight = pixels.height();
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::memcpy(bytes, &header, sizeof header);
  for (int y = 0; y < pixels.height(); ++y) {
    std::memcpy(
        bytes + sizeof header + row * static_cast<std::size_t>(pixels.height() - 1 - y),
        pixels.pixels() + static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.width()),
        row);
  }
  GlobalUnlock(memory);
  if (OpenClipboard(m_window) == 0) {
    GlobalFree(memory);
    return;
  }
  EmptyClipboard();
  if (SetClipboardData(CF_DIB, memory) == nullptr) GlobalFree(memory);
  CloseClipboard();
}

}  // namespace kestavon
