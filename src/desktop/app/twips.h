#pragma once
// Window positions and sizes are designed in twips (1/1440 inch). On screen 15
// twips make one pixel at 96 logical dots per inch; other densities scale.

#include <QRect>

namespace tallix {

int TwipsToPixels(double twips, double logical_dpi);
double PixelsToTwips(int pixels, double logical_dpi);

// A rectangle given as left, top, width and height in twips.
QRect TwipsRect(int left, int top, int width, int height, double logical_dpi);

}  // namespace tallix
