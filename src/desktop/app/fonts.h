#pragma once
// The two named fonts of the windows, with a fallback where they are not
// installed: "Courier New" becomes the system's fixed-pitch font, so the Show
// Log table still lines up, and "Times New Roman" becomes a serif font. The
// windows' own font is a narrow sans-serif of 8.25 points, the size their
// layout was drawn for: kWindowFontFamily, whose captions fit the narrowest
// controls, else the next narrowest sans-serif found, never a failure.

#include <QFont>

namespace tallix {

// PT Sans (Debian package fonts-paratype). At 8.25 points on a 96 dpi
// screen "Log Filename" takes 63 of its label's 65 pixels and the Options
// heading "Site Name" 48 of 49; Liberation Sans needs 67 and 51, DejaVu Sans
// 73 and 57.
inline constexpr char kWindowFontFamily[] = "PT Sans";

QFont WindowFont();
QFont CourierNewFont(double points);
QFont TimesNewRomanFont(double points, bool bold);

}  // namespace tallix
