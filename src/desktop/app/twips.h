#pragma once
// Window positions and sizes are designed in twips (1/1440 inch). On screen 15
// twips make one pixel at 96 logical dots per inch; other densities scale.

#include <QRect>

class QWidget;

namespace tallix {

// A control's place in its parent, in twips: left, top, width, height.
struct TwipsBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

int TwipsToPixels(double twips, double logical_dpi);
double PixelsToTwips(int pixels, double logical_dpi);

QRect TwipsRect(const TwipsBox& box, double logical_dpi);

// Gives `widget` the place `box` in its parent, at the widget's own density.
void PlaceInTwips(QWidget* widget, const TwipsBox& box);

}  // namespace tallix
