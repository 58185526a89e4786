#include "desktop/app/twips.h"

#include <QWidget>
#include <cmath>

namespace tallix {
namespace {

constexpr double kTwipsPerPixelAt96 = 15.0;
constexpr double kBaseDpi = 96.0;

}  // namespace

int TwipsToPixels(double twips, double logical_dpi) {
  return static_cast<int>(std::lround(twips / kTwipsPerPixelAt96 * logical_dpi / kBaseDpi));
}

double PixelsToTwips(int pixels, double logical_dpi) {
  return pixels * kTwipsPerPixelAt96 * kBaseDpi / logical_dpi;
}

QRect TwipsRect(const TwipsBox& box, double logical_dpi) {
  return {TwipsToPixels(box.left, logical_dpi), TwipsToPixels(box.top, logical_dpi),
          TwipsToPixels(box.width, logical_dpi), TwipsToPixels(box.height, logical_dpi)};
}

void PlaceInTwips(QWidget* widget, const TwipsBox& box) {
  widget->setGeometry(TwipsRect(box, widget->logicalDpiX()));
}

}  // namespace tallix
