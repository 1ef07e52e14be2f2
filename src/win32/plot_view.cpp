#include "win32/plot_view.h"

namespace kestavon {
namespace {

constexpr wchar_t kClassName[] = L"KestavonPlot";

}  // namespace

BITMAPINFOHEADER bitmapHeader(const RasterCanvas& pixels, bool topRowFirst) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = pixels.width();
  header.biHeight = topRowFirst ? -pixels.height() : pixels.height();
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  return header;
}

PlotView::PlotView(HWND parent, int id, const wchar_t* name) {
  static const ATOM registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass);
  }();
  m_handle = CreateWindowExW(0, MAKEINTATOM(registered), name, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                             0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(m_handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void PlotView::show(const RasterCanvas& pixels) {
  m_pixels = &pixels;
  InvalidateRect(m_handle, nullptr, FALSE);
}

void PlotView::place(const RECT& box, POINT canvasOrigin) {
  m_canvasOrigin = {canvasOrigin.x - box.left, canvasOrigin.y - box.top};
  SetWindowPos(m_handle, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(m_handle, nullptr, FALSE);
}

void PlotView::paint(HDC dc) const {
  if (m_pixels == nullptr) return;
  const RasterCanvas& pixels = *m_pixels;
  RECT box{};
  GetClientRect(m_handle, &box);
  // The frame around the canvas: the sunken edge, on the dialog colour where the canvas does not
  // reach, and the focus on it.
  const RECT drawing{m_canvasOrigin.x, m_canvasOrigin.y, m_canvasOrigin.x + pixels.width(),
                     m_canvasOrigin.y + pixels.height()};
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, drawing.left, drawing.top, drawing.right, drawing.bottom);
  FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = box;
  DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  if (GetFocus() == m_handle) DrawFocusRect(dc, &box);
  RestoreDC(dc, saved);

  const BITMAPINFO bitmap{bitmapHeader(pixels, true), {}};
  SetDIBitsToDevice(dc, drawing.left, drawing.top, static_cast<DWORD>(pixels.width()),
                    static_cast<DWORD>(pixels.height()), 0, 0, 0,
                    static_cast<UINT>(pixels.height()), pixels.pixels(), &bitmap, DIB_RGB_COLORS);
}

LRESULT CALLBACK PlotView::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* view = reinterpret_cast<const PlotView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paintStruct;
      HDC dc = BeginPaint(window, &paintStruct);
      if (view != nullptr) view->paint(dc);
      EndPaint(window, &paintStruct);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the paint covers everything
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(window);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace kestavon
