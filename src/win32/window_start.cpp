// The window's start on Windows (app/front_end.h).

#include <windows.h>
// after windows.h
#include <objbase.h>

#include "app/front_end.h"
#include "win32/win32_window.h"

namespace kestavon {

int runWindow(char* /*programName*/, const std::optional<OscState>& fixedStart) {
  // The save dialog and the accessibility annotations are COM objects of this thread.
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  // Form_Load runs while the window is made; an error there is reported by its controller.
  Win32Window window(fixedStart);
  window.show(SW_SHOWDEFAULT);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.takeKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (com) CoUninitialize();
  return static_cast<int>(message.wParam);
}

// A Windows program reads no toolkit options.
const ToolkitOptions& toolkitOptions() {
  static constexpr ToolkitOptions kNone{};
  return kNone;
}

}  // namespace kestavon
