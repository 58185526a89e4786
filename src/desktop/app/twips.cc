#include "desktop/app/twips.h"

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

QRect TwipsRect(int left, int top, int width, int height, double logical_dpi) {
  return {TwipsToPixels(left, logical_dpi), TwipsToPixels(top, logical_dpi),
          TwipsToPixels(width, logical_dpi), TwipsToPixels(height, logical_dpi)};
}

}  // namespace tallix
