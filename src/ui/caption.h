#pragma once

namespace kestavon {

// The window's caption, also the title of the error report and the start of its line on standard
// error.
inline constexpr char kCaption[] = "Kestavon Ocsillator";

// The two constants that the window's Form_Load sets, for the oblique view's angle: Pi as this
// ten-digit value, not pi to full precision, and the view angle in degrees. The headless renderer
// uses them too, so that its pictures are the window's.
inline constexpr double kFormLoadPi = 3.141592654;
inline constexpr double kFormLoadViewAngle = 120;

}  // namespace kestavon
