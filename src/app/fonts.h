#pragma once
// The two named fonts of the windows, with a fallback where they are not
// installed: "Courier New" becomes the system's fixed-pitch font, so the Show
// Log table still lines up, and "Times New Roman" becomes a serif font.

#include <QFont>

namespace tallix {

QFont CourierNewFont(double points);
QFont TimesNewRomanFont(double points, bool bold);

}  // namespace tallix
