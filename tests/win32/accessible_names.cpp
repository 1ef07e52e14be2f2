// Prints the accessible name of each control of the running Kestavon window, one a line, in the
// order of its child windows (the tab order), as a screen reader asks for it: through Microsoft
// Active Accessibility, from the control's own object. Exit status 2 when there is no such window.

#include <windows.h>
// after windows.h: the interfaces' identifiers defined here (MinGW-w64's import library gives
// them as code)
#include <initguid.h>
// after initguid.h
#include <oleacc.h>

#include <cstdio>
#include <string>

#include "platform/wide_text.h"

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  HWND window = FindWindowW(L"KestavonWindow", nullptr);
  if (window == nullptr) return 2;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    IAccessible* object = nullptr;
    std::wstring name;
    if (SUCCEEDED(AccessibleObjectFromWindow(child, static_cast<DWORD>(OBJID_CLIENT),
                                             IID_IAccessible, reinterpret_cast<void**>(&object)))) {
      VARIANT self{};
      self.vt = VT_I4;
      self.lVal = CHILDID_SELF;
      BSTR text = nullptr;
      if (object->get_accName(self, &text) == S_OK && text != nullptr) {
        name = text;
        SysFreeString(text);
      }
      object->Release();
    }
    std::printf("%s\n", kestavon::narrow(name).c_str());
  }
  CoUninitialize();
  return 0;
}
