#pragma once
// The main window's place between runs: its outer rectangle (frame included)
// in twips under "MainLeft", "MainTop", "MainWidth" and "MainHeight" of the
// settings store. Reading the keys back gives the same window start after
// start, whatever the size of the frame the window manager draws: the frame
// is only known once the window manager has framed the window, so the inner
// size is fitted then, once. A missing or unreadable key takes its default. A
// stored size below the window's minimum inner size (200 x 200 pixels at 96
// dots per inch) is raised to it, so that the window opens at the same place
// and size start after start, with its title bar on a screen.

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

#include "desktop/app/services.h"

class QTimer;
class QWidget;

namespace tallix {

// Where a stored outer rectangle (in pixels) opens. It opens as stored when
// its top-left area (about 100 by 30 pixels, where the title bar is grabbed)
// lies on one of the screens' available areas. Otherwise it opens at the
// default position on the primary screen, with the stored size when that
// fits the primary screen's available area, or with that area's size.
QRect RestorableRect(const QRect& stored, const std::vector<QRect>& available_screens,
                     const QPoint& primary_origin, const QRect& primary_available,
                     double logical_dpi);

// A window that keeps only its size between runs: its inner width and height
// in twips under two keys of the settings store.
struct KeptSize {
  const char* width_key;
  const char* height_key;
  double default_width_twips;
  double default_height_twips;
};

// Gives `window` its stored size, or the default where a key is missing or
// not a positive number, within its screen's available area.
void RestoreSize(QWidget& window, SettingsStore& settings, const KeptSize& keys);
// Writes the window's size to the two keys.
void StoreSize(const QWidget& window, SettingsStore& settings, const KeptSize& keys);

class WindowGeometry : public QObject {
 public:
  // Places `window`, which is not shown yet, at the stored rectangle.
  // `window` and `settings` must outlive this object.
  WindowGeometry(QWidget& window, SettingsStore& settings);

  // Writes the window's outer rectangle to the four keys.
  void Store() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FitFrame();

  QWidget& window_;
  SettingsStore& settings_;
  QSize outer_size_;
  QTimer* frame_poll_ = nullptr;
  int polls_left_ = 0;
};

}  // namespace tallix
