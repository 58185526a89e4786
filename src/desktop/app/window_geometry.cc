#include "desktop/app/window_geometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "desktop/app/twips.h"

namespace tallix {
namespace {

struct GeometryKey {
  const char* name;
  double fallback;
};
// Left, top, width, height of the outer window, in twips.
constexpr GeometryKey kGeometryKeys[] = {
    {"MainLeft", 1000}, {"MainTop", 1000}, {"MainWidth", 6500}, {"MainHeight", 6500}};

// The smallest inner size the window takes: room for the menu bar, the
// toolbar, the status bar and the log panel's first rows. Window managers
// widen a smaller window on their own (openbox to its title bar's buttons) and
// then place it where they like; a minimum above theirs keeps the stored place.
constexpr double kMinimumWidthTwips = 3000;
constexpr double kMinimumHeightTwips = 3000;

// The part of the window that must stay on a screen for the user to grab it.
constexpr int kGrabWidth = 100;
constexpr int kGrabHeight = 30;

// The window manager frames a new window within moments; a window that is
// still unframed after this long has no frame.
constexpr int kFramePollMs = 20;
constexpr int kFramePolls = 500;

double ReadTwips(SettingsStore& settings, const GeometryKey& key) {
  if (const std::optional<QString> text = settings.Read(key.name)) {
    bool ok = false;
    const float value = text->trimmed().toFloat(&ok);
    if (ok) return static_cast<double>(value);
  }
  return key.fallback;
}

}  // namespace

void RestoreSize(QWidget& window, SettingsStore& settings, const KeptSize& keys) {
  const auto twips = [&settings](const char* key, double fallback) {
    bool ok = false;
    const double value = settings.Read(key).value_or(QString()).trimmed().toDouble(&ok);
    return ok && value > 0 ? value : fallback;
  };
  const double dpi = window.logicalDpiX();
  // A hand-edited size larger than the screen would hide the buttons.
  window.resize(QSize(TwipsToPixels(twips(keys.width_key, keys.default_width_twips), dpi),
                      TwipsToPixels(twips(keys.height_key, keys.default_height_twips), dpi))
                    .boundedTo(window.screen()->availableGeometry().size()));
}

void StoreSize(const QWidget& window, SettingsStore& settings, const KeptSize& keys) {
  const double dpi = window.logicalDpiX();
  settings.Write(keys.width_key, QString::number(PixelsToTwips(window.width(), dpi)));
  settings.Write(keys.height_key, QString::number(PixelsToTwips(window.height(), dpi)));
}

QRect RestorableRect(const QRect& stored, const std::vector<QRect>& available_screens,
                     const QPoint& primary_origin, const QRect& primary_available,
                     double logical_dpi) {
  const QRect grab(stored.topLeft(), QSize(std::clamp(stored.width(), 1, kGrabWidth),
                                           std::clamp(stored.height(), 1, kGrabHeight)));
  for (const QRect& screen : available_screens) {
    if (screen.contains(grab)) return FittedInto(stored, screen);
  }
  const QPoint origin =
      primary_origin + QPoint(TwipsToPixels(kGeometryKeys[0].fallback, logical_dpi),
                              TwipsToPixels(kGeometryKeys[1].fallback, logical_dpi));
  return FittedInto(QRect(origin, stored.size()), primary_available);
}

QRect FittedInto(const QRect& rect, const QRect& area) {
  const QSize size = rect.size().boundedTo(area.size());
  return {QPoint(std::clamp(rect.left(), area.left(), area.right() + 1 - size.width()),
                 std::clamp(rect.top(), area.top(), area.bottom() + 1 - size.height())),
          size};
}

QRect BesideRect(const QRect& owner, const QSize& wanted, int least_width, const QRect& area) {
  const QSize size = wanted.boundedTo(area.size());
  const int right_room = area.right() - owner.right();
  const int left_room = owner.left() - area.left();
  int width = size.width();
  int left = area.right() + 1 - width;
  if (width <= right_room) {
    left = owner.right() + 1;
  } else if (width <= left_room) {
    left = owner.left() - width;
  } else if (std::max(right_room, left_room) >= least_width) {
    // Narrower beside the owner rather than over it.
    width = std::max(right_room, left_room);
    left = right_room >= left_room ? owner.right() + 1 : area.left();
  }
  return FittedInto(QRect(QPoint(left, owner.top()), QSize(width, size.height())), area);
}

namespace {

// The frame around `window` once the window manager has framed it; before
// that, the one around `owner`.
QMargins FrameAround(const QWidget& window, const QWidget& owner) {
  const QWidget& framed = window.frameGeometry() != window.geometry() ? window : owner;
  const QRect outer = framed.frameGeometry();
  const QRect inner = framed.geometry();
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

}  // namespace

void PlaceBeside(QWidget& window, const QWidget& owner) {
  const QMargins frame = FrameAround(window, owner);
  const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize()).grownBy(frame);
  const QRect outer = BesideRect(owner.frameGeometry(), window.size().grownBy(frame), least.width(),
                                 owner.screen()->availableGeometry());
  window.resize(outer.size().shrunkBy(frame));
  // Before the window is shown a move places the frame's top-left corner.
  window.move(outer.topLeft());
}

void FitToScreen(QWidget& window, const QWidget& owner) {
  const QMargins frame = FrameAround(window, owner);
  window.resize(
      window.size().boundedTo(owner.screen()->availableGeometry().size().shrunkBy(frame)));
}

WindowGeometry::WindowGeometry(QWidget& window, SettingsStore& settings)
    : QObject(&window), window_(window), settings_(settings) {
  const double dpi = window.logicalDpiX();
  window.setMinimumSize(TwipsToPixels(kMinimumWidthTwips, dpi),
                        TwipsToPixels(kMinimumHeightTwips, dpi));
  int pixels[4];
  for (size_t i = 0; i < 4; ++i)
    pixels[i] = TwipsToPixels(ReadTwips(settings, kGeometryKeys[i]), dpi);
  std::vector<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens())
    screens.push_back(screen->availableGeometry());
  const QScreen* primary = QGuiApplication::primaryScreen();
  // A hand-edited size below the minimum is raised to it here, so that the
  // check below sees the size the window will have.
  const QSize size = QSize(pixels[2], pixels[3]).expandedTo(window.minimumSize());
  const QRect outer =
      RestorableRect(QRect(QPoint(pixels[0], pixels[1]), size), screens,
                     primary->geometry().topLeft(), primary->availableGeometry(), dpi);
  // Before the window is shown a move places the frame's top-left corner; the
  // size is the inner one, corrected by the frame once it is known.
  window.move(outer.topLeft());
  window.resize(outer.size());
  outer_size_ = outer.size();
  window.installEventFilter(this);
}

bool WindowGeometry::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && frame_poll_ == nullptr && event->type() == QEvent::Show) {
    // Polled as well as checked on moves: not every window manager moves the
    // window when it frames it.
    frame_poll_ = new QTimer(this);
    polls_left_ = kFramePolls;
    connect(frame_poll_, &QTimer::timeout, this, &WindowGeometry::FitFrame);
    frame_poll_->start(kFramePollMs);
    FitFrame();
  }
  if (watched == &window_ && polls_left_ > 0 &&
      (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
    FitFrame();
  }
  return false;
}

void WindowGeometry::FitFrame() {
  if (polls_left_ <= 0) return;
  --polls_left_;
  const QSize frame = window_.frameGeometry().size() - window_.size();
  if (frame.isNull() && polls_left_ > 0) return;
  polls_left_ = 0;
  frame_poll_->stop();
  if (!frame.isNull() && window_.windowState() == Qt::WindowNoState) {
    window_.resize(outer_size_ - frame);
  }
}

void WindowGeometry::Store() const {
  const QRect outer = window_.frameGeometry();
  const double dpi = window_.logicalDpiX();
  const int values[4] = {outer.left(), outer.top(), outer.width(), outer.height()};
  for (size_t i = 0; i < 4; ++i) {
    const auto twips = static_cast<float>(PixelsToTwips(values[i], dpi));
    settings_.Write(kGeometryKeys[i].name, QString::number(static_cast<double>(twips), 'g', 7));
  }
}

}  // namespace tallix
