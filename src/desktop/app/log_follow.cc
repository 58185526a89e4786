#include "desktop/app/log_follow.h"

#include <QSocketNotifier>
#include <fstream>

#include "desktop/app/qt_text.h"
#include "engine/log/log_follower.h"
#include "engine/log/log_text_reader.h"

namespace tallix {

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
  // A compressed log is written whole, not appended to line by line.
  char magic[kCompressionMagicBytes] = {};
  if (std::ifstream file(path, std::ios::binary);
      file.read(magic, sizeof magic) || file.gcount() > 0) {
    if (CompressionOf({magic, static_cast<size_t>(file.gcount())}) != Compression::kNone) {
      note_(QString("Follow Log follows a plain log, and \"%1\" is compressed: open the plain "
                    "file the router writes to follow it")
                .arg(ToQtMessage(path)));
      return;
    }
  }
  auto watch = std::make_unique<FolderWatch>();
  auto follower = std::make_unique<LogFollower>();
  Status started = watch->Start(path);
  if (started.ok()) started = follower->Start(path, log_.resume, config_.RouterIdentifier);
  if (!started.ok()) {
    note_(ToQtMessage(started.message()));
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
  if (!follower_ || !watch_->TakeEvents()) return;
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
  log_.resume = follower_->position();
  if (kept) changed_();
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
