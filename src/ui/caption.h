#pragma once

namespace kestavon {

// The window's caption, also the title of the error report's message box.
inline constexpr char kCaption[] = "Kestavon Ocsillator";

}  // namespace kestavon
