#include "win32/handlers.h"

#include <exception>
#include <string>

#include "form/layout.h"
#include "form/unhandled_error.h"
#include "platform/end.h"
#include "platform/messages.h"
#include "platform/wide_text.h"

namespace kestavon {
namespace {

bool ending = false;

}  // namespace

bool endingAfterError() { return ending; }

void reportUnhandled(HWND owner) noexcept {
  ending = true;
  const std::string text = unhandledErrorText(std::current_exception());
  report(text);
  MessageBoxW(owner, wide(text).c_str(), wide(form::kCaption).c_str(), MB_OK | MB_ICONERROR);
  endProgram(1);
}

}  // namespace kestavon
