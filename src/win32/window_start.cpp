// The window's start on Windows (app/front_end.h).

#include <windows.h>

#include <memory>

#include "app/front_end.h"
#include "win32/handlers.h"
#include "win32/win32_window.h"

namespace kestavon {

int runWindow(char* /*programName*/, const std::optional<OscState>& fixedStart) {
  // Form_Load runs while the window is made; an error there is reported like any other.
  std::unique_ptr<Win32Window> window;
  runHandler(nullptr,
             [&window, &fixedStart] { window = std::make_unique<Win32Window>(fixedStart); });
  window->show(SW_SHOWDEFAULT);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window->takeKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

// Windows programs take no toolkit options.
std::optional<std::string> toolkitOptionMessage(const std::string& /*argument*/,
                                                const std::string* /*next*/) {
  return std::nullopt;
}

std::string toolkitHelp() { return {}; }

}  // namespace kestavon
