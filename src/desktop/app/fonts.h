#pragma once
// The two named fonts of the windows, with a fallback where they are not
// installed: "Courier New" becomes the system's fixed-pitch font, so the Show
// Log table still lines up, and "Times New Roman" becomes a serif font. The
// windows' own font is a narrow sans-serif of 8.25 points, the size their
// layout was drawn for.

#include <QFont>

namespace tallix {

QFont WindowFont();
QFont CourierNewFont(double points);
QFont TimesNewRomanFont(double points, bool bold);

}  // namespace tallix
