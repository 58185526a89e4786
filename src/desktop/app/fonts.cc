#include "desktop/app/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace tallix {

QFont WindowFont() {
  QFont font;
  // Without the first, the metric twins of the common office sans come
  // closest; their widest captions are clipped by a pixel or two.
  font.setFamilies(QStringList() << kWindowFontFamily << "Liberation Sans"
                                 << "Arial"
                                 << "Nimbus Sans"
                                 << "DejaVu Sans Condensed");
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(8.25);
  return font;
}

QFont CourierNewFont(double points) {
  QFont font = QFontDatabase::hasFamily("Courier New")
                   ? QFont("Courier New")
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSizeF(points);
  font.setBold(false);
  font.setItalic(false);
  return font;
}

QFont TimesNewRomanFont(double points, bool bold) {
  QFont font("Times New Roman");
  if (!QFontDatabase::hasFamily("Times New Roman")) {
    // A generic family name lets fontconfig pick the system's serif font.
    font.setFamilies(QStringList() << "Times"
                                   << "Nimbus Roman"
                                   << "Liberation Serif"
                                   << "DejaVu Serif"
                                   << "serif");
  }
  font.setStyleHint(QFont::Serif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace tallix
