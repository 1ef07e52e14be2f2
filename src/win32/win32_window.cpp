#include "win32/win32_window.h"

#include <commdlg.h>
// The interfaces' identifiers defined here: MinGW-w64's import library gives them as code.
#include <initguid.h>
// after initguid.h
#include <oleacc.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/end.h"
#include "platform/wide_text.h"

namespace kestavon {
namespace {

constexpr wchar_t kClassName[] = L"KestavonWindow";
constexpr int kFirstControlId = 100;    // control i of the form has this plus i
constexpr WORD kFirstKeyCommand = 200;  // plot key i has this plus i
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW, kExtendedStyle = WS_EX_CONTROLPARENT;

const std::wstring& caption() {
  static const std::wstring text = wide(form::kCaption);
  return text;
}

// The client area's size at `dpi`, as the window's outer size.
SIZE windowSize(UINT dpi) {
  const form::DeviceRect client = form::devicePlace(form::kClientArea, static_cast<int>(dpi));
  RECT area{0, 0, client.width, client.height};
  AdjustWindowRectExForDpi(&area, kStyle, FALSE, kExtendedStyle, dpi);
  return {area.right - area.left, area.bottom - area.top};
}

// The accessible name and description of a control, for screen readers (Microsoft Active
// Accessibility's annotations of a window's own object). Where the system has none, the control's
// window text still names it.
void annotate(HWND control, std::string_view name, std::string_view description) {
  // CLSID_CAccPropServices, which MinGW-w64's libraries lack.
  static constexpr CLSID kAccPropServices = {
      0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
  IAccPropServices* services = nullptr;
  if (FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                              reinterpret_cast<void**>(&services)))) {
    return;
  }
  services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                           wide(name).c_str());
  if (!description.empty()) {
    services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_DESCRIPTION,
                             wide(description).c_str());
  }
  services->Release();
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
  // Its place may be on a monitor of another density than the main one.
  if (const UINT dpi = GetDpiForWindow(m_window); dpi != m_dpi) {
    m_dpi = dpi;
    const SIZE there = windowSize(m_dpi);
    SetWindowPos(m_window, nullptr, 0, 0, there.cx, there.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  std::vector<ACCEL> keys;
  for (std::size_t i = 0; i < form::kPlotKeys.size(); ++i) {
    keys.push_back({FVIRTKEY | FCONTROL, static_cast<WORD>(form::kPlotKeys[i].key),
                    static_cast<WORD>(kFirstKeyCommand + i)});
  }
  m_keys = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
  try {
    m_controller.emplace(static_cast<form::FrontEnd&>(*this), density(), fixedStart);
  } catch (...) {
    // No destructor runs for an object that was never made: the window must not outlive it.
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
    DestroyAcceleratorTable(m_keys);
    if (m_font != nullptr) DeleteObject(m_font);
    throw;
  }
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

form::Density Win32Window::density() const {
  return {static_cast<int>(m_dpi), m_dpi / static_cast<double>(USER_DEFAULT_SCREEN_DPI)};
}

void Win32Window::layOut(std::span<const form::ControlView> controls) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, m_dpi);
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const form::ControlView& view = controls[i];
    const int id = kFirstControlId + static_cast<int>(i);
    const bool isPlot = view.control->id == form::ControlId::picGraph;
    if (m_controls[i] == nullptr) {  // made in tab order
      if (isPlot) {
        m_plot =
            std::make_unique<PlotView>(m_window, id, wide(view.control->accessibleName).c_str());
        m_controls[i] = m_plot->handle();
      } else {
        m_controls[i] = CreateWindowExW(
            0, L"BUTTON", wide(view.control->caption).c_str(),
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
      }
      annotate(m_controls[i], view.control->accessibleName, view.description);
    }
    const form::DeviceRect& place = view.place;
    if (isPlot) {
      const form::DevicePoint origin = form::plotOrigin(density().pixelRatio);
      m_plot->place({place.left, place.top, place.left + place.width, place.top + place.height},
                    {origin.x, origin.y});
    } else {
      SetWindowPos(m_controls[i], nullptr, place.left, place.top, place.width, place.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageW(m_controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
  }
  if (m_font != nullptr) DeleteObject(m_font);
  m_font = font;
}

void Win32Window::showPlot(const RasterCanvas& pixels) { m_plot->show(pixels); }

std::optional<form::SaveChoice> Win32Window::askSaveName(const form::SaveDialog& dialog) {
  std::wstring filter = wide(dialog.filterName);
  filter.append(1, L'\0').append(wide(dialog.pattern)).append(1, L'\0');
  const std::wstring title = wide(dialog.title), suffix = wide(dialog.suffix);
  const std::wstring folder = wide(dialog.folder);
  std::vector<wchar_t> name(32768, L'\0');
  const std::wstring offered = wide(dialog.defaultName);
  std::memcpy(name.data(), offered.c_str(), (offered.size() + 1) * sizeof(wchar_t));
  OPENFILENAMEW files{};
  files.lStructSize = sizeof files;
  files.hwndOwner = m_window;
  files.lpstrFilter = filter.c_str();
  files.lpstrFile = name.data();
  files.nMaxFile = static_cast<DWORD>(name.size());
  files.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  files.lpstrTitle = title.c_str();
  files.lpstrDefExt = suffix.c_str();
  files.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                OFN_DONTADDTORECENT;
  if (GetSaveFileNameW(&files) == 0) return std::nullopt;
  const std::wstring chosen = name.data();
  return form::SaveChoice{narrow(chosen), narrow(chosen.substr(0, files.nFileOffset))};
}

void Win32Window::showMessage(form::MessageKind kind, const std::string& text) {
  const UINT icon = kind == form::MessageKind::Error ? MB_ICONERROR : MB_ICONWARNING;
  MessageBoxW(m_window, wide(text).c_str(), caption().c_str(), MB_OK | icon);
}

std::optional<std::string> Win32Window::copyPicture(const RasterCanvas& picture) {
  const std::size_t row = static_cast<std::size_t>(picture.width()) * 4;
  const std::size_t size =
      sizeof(BITMAPINFOHEADER) + row * static_cast<std::size_t>(picture.height());
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  auto* bytes = memory != nullptr ? static_cast<unsigned char*>(GlobalLock(memory)) : nullptr;
  if (bytes == nullptr) {
    if (memory != nullptr) GlobalFree(memory);
    throw std::bad_alloc();
  }
  const BITMAPINFOHEADER header = bitmapHeader(picture, false);
  std::memcpy(bytes, &header, sizeof header);
  for (int y = 0; y < picture.height(); ++y) {
    std::memcpy(
        bytes + sizeof header + row * static_cast<std::size_t>(picture.height() - 1 - y),
        picture.pixels() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width()),
        row);
  }
  GlobalUnlock(memory);
  if (OpenClipboard(m_window) == 0) {
    GlobalFree(memory);
    return "another program holds the clipboard";
  }
  EmptyClipboard();
  const bool taken = SetClipboardData(CF_DIB, memory) != nullptr;
  if (!taken) GlobalFree(memory);
  CloseClipboard();
  if (!taken) return "the clipboard did not take the picture";
  return std::nullopt;
}

void Win32Window::quit(int status) { endProgram(status); }

LRESULT CALLBACK Win32Window::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->m_window == nullptr || !self->m_controller) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->handle(message, wParam, lParam);
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int control = LOWORD(wParam) - kFirstControlId;
      const int key = LOWORD(wParam) - kFirstKeyCommand;
      if (key >= 0 && key < static_cast<int>(form::kPlotKeys.size())) {
        m_controller->command(form::kPlotKeys[static_cast<std::size_t>(key)].command);
      } else if (control >= 0 && control < static_cast<int>(form::kControls.size()) &&
                 HIWORD(wParam) == BN_CLICKED) {
        m_controller->click(form::kControls[static_cast<std::size_t>(control)].id);
      }
      return 0;  // IDOK and IDCANCEL, which Enter and Esc send, do nothing: no default button
    }
    case WM_DPICHANGED: {
      m_dpi = HIWORD(wParam);
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      m_controller->setDensity(density());
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

}  // namespace kestavon
