#include "desktop/app/busy_load.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace tallix {
namespace {

// How often the dialog takes the loader's latest figures.
constexpr int kRefreshMs = 100;
constexpr int kSteps = 1000;

// What the loading thread and the window's thread share.
struct LoadState {
  std::atomic<uint64_t> done{0};
  std::atomic<uint64_t> total{0};
  std::atomic<bool> cancelled{false};
  std::atomic<bool> finished{false};
};

QString MiB(uint64_t bytes) {
  return QString::number(static_cast<double>(bytes) / 1048576, 'f', 1);
}

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

void ShowProgress(QProgressDialog& dialog, const QString& file_name, const LoadState& state) {
  const uint64_t done = state.done.load();
  const uint64_t total = state.total.load();
  dialog.setLabelText(
      QString("Loading %1\n%2 of %3 MiB read").arg(file_name, MiB(done), MiB(total)));
  dialog.setValue(total == 0 ? 0 : static_cast<int>(std::min(done, total) * kSteps / total));
}

}  // namespace

LoadResult RunBusyLoad(QWidget& owner, const QString& file_name,
                       const std::function<LoadResult(const LoadOptions&)>& load,
                       LoadWatcher* watcher) {
  // The file dialog has just closed: its place on the window is painted
  // again before the load holds anything up.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const WaitCursor wait_cursor;

  auto state = std::make_shared<LoadState>();
  LoadOptions options;
  options.progress = [state, watcher](uint64_t done, uint64_t total) {
    state->done = done;
    state->total = total;
    if (watcher != nullptr) watcher->Progress(done, total);
    return !state->cancelled.load();
  };

  QEventLoop loop;
  LoadResult result;
  std::thread loader([&] {
    result = load(options);
    state->finished = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });

  // Until the dialog shows, the window is painted but takes no input.
  QTimer::singleShot(kLoadProgressDelayMs, &loop, &QEventLoop::quit);
  if (!state->finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (!state->finished) {
    QProgressDialog dialog(&owner);
    dialog.setObjectName("LoadProgress");
    dialog.setWindowTitle(owner.windowTitle());
    dialog.setWindowModality(Qt::WindowModal);
    // A close box (it cancels), no minimise or maximise box.
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setRange(0, kSteps);
    dialog.setMinimumDuration(0);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setCancelButtonText("Cancel");
    QObject::connect(&dialog, &QProgressDialog::canceled, [state, &dialog] {
      state->cancelled = true;
      dialog.setLabelText("Cancelling...");
    });
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [&] {
      if (!state->cancelled) ShowProgress(dialog, file_name, *state);
    });
    ShowProgress(dialog, file_name, *state);
    dialog.show();
    refresh.start(kRefreshMs);
    while (!state->finished) loop.exec();
  }
  loader.join();
  return result;
}

}  // namespace tallix
