#include "desktop/app/log_follow.h"

#include <QSocketNotifier>

#include "desktop/app/qt_text.h"
#include "engine/log/log_follower.h"

namespace tallix {
namespace {

// The engine's messages, as the status bar's other notes: a capital first.
QString Note(std::string_view message) {
  QString note = ToQtMessage(message);
  if (!note.isEmpty()) note[0] = note[0].toUpper();
  return note;
}

}  // namespace

LogFollow::LogFollow(LoadedLog& log, const SiteConfig& config, std::function<void()> changed,
                     std::function<void(const QString&)> note, QObject* parent)
    : QObject(parent),
      log_(log),
      config_(config),
      changed_(std::move(changed)),
      note_(std::move(note)) {}

LogFollow::~LogFollow() = default;

void LogFollow::Start() {
  Stop();
  if (log_.LogFilePaths.empty()) return;
  const std::string path = log_.LogFilePaths.back();
  auto watch = std::make_unique<FolderWatch>();
  auto follower = std::make_unique<LogFollower>();
  Status started = watch->Start(path);
  if (started.ok()) started = follower->Start(path, log_.resume, config_.RouterIdentifier);
  if (!started.ok()) {
    note_(Note(started.message()));
    return;
  }
  const int32_t lines = log_.LineCount();
  log_.ForgetUnterminatedTail();
  watch_ = std::move(watch);
  follower_ = std::move(follower);
  keeper_ = std::make_unique<FollowedLineKeeper>(log_);
  said_missing_ = false;
  if (log_.LineCount() != lines) changed_();
  notifier_ = new QSocketNotifier(watch_->fd(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &LogFollow::Read);
  // What came between the load and now.
  Read();
}

void LogFollow::Stop() {
  delete notifier_;
  notifier_ = nullptr;
  keeper_.reset();
  follower_.reset();
  watch_.reset();
}

void LogFollow::Read() {
  if (!follower_) return;
  const bool look = watch_->TakeEvents();
  if (const std::string lost = watch_->TakeLostFolderWarning(); !lost.empty()) {
    note_(Note(lost));
  }
  if (!look) return;
  bool kept = false;
  const Status read = follower_->Poll([&](std::span<const FollowedLine> lines) {
    for (const FollowedLine& line : lines) keeper_->Keep(line);
    kept = kept || !lines.empty();
  });
  if (!read.ok()) {
    note_(Note(read.message()));
    Stop();
    return;
  }
  log_.resume = follower_->position();
  if (kept) changed_();
  for (const std::string& warning : follower_->TakeWarnings()) note_(Note(warning));
  // Said once while it is gone, not at every look.
  if (!follower_->present() && !said_missing_) {
    said_missing_ = true;
    note_(QString("The log file \"%1\" is missing; it is followed again when it comes back")
              .arg(ToQtMessage(log_.LogFilePath())));
  } else if (follower_->present()) {
    said_missing_ = false;
  }
}

}  // namespace tallix
