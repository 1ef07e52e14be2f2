#pragma once

namespace kestavon {

// The window's caption, also the title of the error report and the start of its line on standard
// error.
inline constexpr char kCaption[] = "Kestavon Ocsillator";

}  // namespace kestavon
