#pragma once
// Where the windows open. The main window's place between runs: its outer
// rectangle (frame included) in twips under "MainLeft", "MainTop",
// "MainWidth" and "MainHeight" of the settings store. Reading the keys back
// gives the same window start after start, whatever the size of the frame the
// window manager draws: the frame is only known once the window manager has
// framed the window, so the inner size is fitted then, once. A missing or
// unreadable key takes its default. A stored size below the window's minimum
// inner size (200 x 200 pixels at 96 dots per inch) is raised to it, so that
// the window opens at the same place and size start after start, on a screen.
// The other windows open within the available area of their owner's screen,
// whatever its size and scale factor, the non-modal ones beside the main
// window.

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

#include "desktop/app/services.h"

class QTimer;
class QWidget;

namespace tallix {

// Where a stored outer rectangle (in pixels) opens. It opens on the screen
// whose available area holds its top-left area (about 100 by 30 pixels, where
// the title bar is grabbed), or else at the default position on the primary
// screen; in either case fitted into that screen's available area
// (FittedInto), so that as stored when it lies within it.
QRect RestorableRect(const QRect& stored, const std::vector<QRect>& available_screens,
                     const QPoint& primary_origin, const QRect& primary_available,
                     double logical_dpi);

// `rect` shrunk where it is larger than `area`, then moved as little as
// takes to lie within it.
QRect FittedInto(const QRect& rect, const QRect& area);

// Where a window of outer size `wanted` opens beside `owner` (an outer
// rectangle) within `area`: right of it when it fits there, else left of it,
// else narrowed to the wider of the two sides when that leaves it at least
// `least_width`; only when neither side has that room, over the owner, as far
// right as the area allows. Its top is the owner's, moved as little as
// takes to fit; a window larger than the area takes the area's size.
QRect BesideRect(const QRect& owner, const QSize& wanted, int least_width, const QRect& area);

// Places `window`, not shown yet, beside `owner` (BesideRect) on the owner's
// screen, no narrower than the window's layout allows. Until the window
// manager frames it, its frame is taken to be as large as the owner's.
void PlaceBeside(QWidget& window, const QWidget& owner);

// Shrinks `window`, not shown yet, where it would be larger than the
// available area of `owner`'s screen, the frame taken as in PlaceBeside.
// Where it opens is left to the window manager.
void FitToScreen(QWidget& window, const QWidget& owner);

// A window that keeps only its size between runs: its inner width and height
// in twips under two keys of the settings store.
struct KeptSize {
  const char* width_key;
  const char* height_key;
  double default_width_twips;
  double default_height_twips;
};

// Gives `window` its stored size, or the default where a key is missing or
// not a positive number, within its screen's available area (PlaceBeside or
// FitToScreen then fit its frame too).
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
