#include "desktop/app/log_follow.h"

#include <QSocketNotifier>

#include "desktop/app/qt_text.h"
#include "engine/log/log_follower.h"

namespace tallix {

LogFollow::LogFollow(TallixData& data, std::function<void()> changed,
                     std::function<void(const QString&)> note, QObject* parent)
    : QObject(parent), data_(data), changed_(std::move(changed)), note_(std::move(note)) {}

LogFollow::~LogFollow() = default;

void LogFollow::Start() {
  Stop();
  if (data_.LogFilePath.empty()) return;
  const std::string path =
      data_.LogFilePaths.empty() ? data_.LogFilePath : data_.LogFilePaths.back();
  auto follower = std::make_unique<LogFollower>();
  const uint64_t lines_read = data_.LogFileLines.empty() ? 0 : data_.LogFileLines.back();
  if (Status started = follower->Start(path, lines_read, data_.RouterIdentifier); !started.ok()) {
    note_(ToQtMessage(started.message()));
    return;
  }
  follower_ = std::move(follower);
  keeper_ = std::make_unique<FollowedLineKeeper>(data_);
  said_missing_ = false;
  notifier_ = new QSocketNotifier(follower_->notify_fd(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &LogFollow::Read);
  // What came between the load and now.
  Read();
}

void LogFollow::Stop() {
  delete notifier_;
  notifier_ = nullptr;
  keeper_.reset();
  follower_.reset();
}

void LogFollow::Read() {
  if (!follower_) return;
  bool kept = false;
  const Status read = follower_->Poll([&](std::span<const FollowedLine> lines) {
    for (const FollowedLine& line : lines) keeper_->Keep(line);
    kept = kept || !lines.empty();
  });
  if (!read.ok()) {
    note_(ToQtMessage(read.message()));
    Stop();
    return;
  }
  if (kept) changed_();
  // Said once while it is gone, not at every look.
  if (!follower_->present() && !said_missing_) {
    said_missing_ = true;
    note_(QString("The log file \"%1\" is missing; it is followed again when it comes back")
              .arg(ToQtMessage(data_.LogFilePath)));
  } else if (follower_->present()) {
    said_missing_ = false;
  }
}

}  // namespace tallix
