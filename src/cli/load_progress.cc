#include "cli/load_progress.h"

#include <cstdio>
#include <ostream>
#include <utility>

#include "engine/util/visible_text.h"

namespace tallix {
namespace {

constexpr double kQuietSeconds = 1.0;
constexpr double kRewriteSeconds = 0.1;

}  // namespace

LoadProgressLine::LoadProgressLine(std::ostream& err, std::string what,
                                   std::function<double()> seconds)
    : err_(err), what_(VisibleText(what)), seconds_(std::move(seconds)) {}

bool LoadProgressLine::Report(uint64_t done, uint64_t total) {
  const std::lock_guard lock(mutex_);
  const double now = seconds_();
  if (now <= kQuietSeconds) return true;
  if (last_written_ >= 0 && now - last_written_ < kRewriteSeconds) return true;
  last_written_ = now;
  const uint64_t percent = total == 0 ? 0 : (done < total ? done : total) * 100 / total;
  char figures[96];
  std::snprintf(figures, sizeof figures, "%3u%% (%.1f of %.1f MiB)", static_cast<unsigned>(percent),
                static_cast<double>(done) / 1048576, static_cast<double>(total) / 1048576);
  // Carriage return and erase to the end of the line: the line is rewritten.
  err_ << "\r\033[Ktallix-report: loading " << what_ << ": " << figures << std::flush;
  return true;
}

void LoadProgressLine::Finish() {
  const std::lock_guard lock(mutex_);
  if (last_written_ >= 0) err_ << "\r\033[K" << std::flush;
  last_written_ = -1;
}

}  // namespace tallix
