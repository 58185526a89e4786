#pragma once
// A log load that keeps the window painted and says that it is busy. The
// window is painted again before the load starts (no stale picture of the file
// dialog just closed), the wait cursor shows while it runs, and a load still
// running after kLoadProgressDelayMs opens a modal progress dialog with the
// file's name, how far the load is, and Cancel. The load runs on a thread of
// its own while the window's thread paints; the window takes no input
// meanwhile. Cancel makes the loader's progress callback return false, so the
// load fails with kLoadCancelled and changes nothing.

#include <QString>
#include <cstdint>
#include <functional>

#include "desktop/app/services.h"
#include "engine/log/log_loader.h"

class QWidget;

namespace tallix {

inline constexpr int kLoadProgressDelayMs = 500;

// Runs `load` with loader options whose progress callback feeds the dialog,
// and returns its result. `file_name` is what the dialog names. `load` runs
// on another thread: it must touch nothing the window's thread uses.
// `watcher`, when not null, sees each progress report first.
LoadResult RunBusyLoad(QWidget& owner, const QString& file_name,
                       const std::function<LoadResult(const LoadOptions&)>& load,
                       LoadWatcher* watcher);

}  // namespace tallix
