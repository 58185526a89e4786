#include "engine/log/log_follower.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "engine/log/line_scanner.h"
#include "engine/log/log_text_reader.h"
#include "engine/util/text_file.h"

namespace tallix {
namespace {

constexpr size_t kBlockBytes = 256u << 10;

// What the folder tells of its files that may mean the log changed.
constexpr uint32_t kFolderEvents =
    IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB;

}  // namespace

class LogFollower::Impl {
 public:
  explicit Impl(LogFileSystem& files) : files_(files) {}

  Status Start(const std::string& path, const LoadedLog::Resume& from,
               std::string_view identifier) {
    path_ = path;
    identifier_ = std::string(identifier);
    finders_.emplace(identifier_);
    if (Status opened = files_.OpenGrowing(path_, &file_); !opened.ok()) return opened;
    offset_ = from.offset;
    line_base_ = from.line_feeds;
    // A compressed log is not appended to as text: only its successor is read.
    char magic[kCompressionMagicBytes];
    size_t got = 0;
    if (file_->ReadSome(0, magic, sizeof magic, &got).ok() &&
        CompressionOf({magic, got}) != Compression::kNone) {
      offset_ = file_->Size();
    }
    return {};
  }

  bool present() const { return present_; }

  LoadedLog::Resume position() const {
    if (!scanner_) return {offset_, line_base_};
    return {offset_ - scanner_->open_bytes(), line_base_ + scanner_->line_feeds()};
  }

  Status Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines) {
    on_lines_ = &on_lines;
    for (;;) {
      if (file_) {
        if (Status read = ReadNew(); !read.ok()) return read;
      }
      const std::optional<FileIdentity> now = files_.IdentityAt(path_);
      present_ = now.has_value();
      if (!present_ || (file_ && *now == file_->Identity())) return {};
      // Another file under the name: the old one was read to its end above.
      if (file_) {
        EndFile();
        file_.reset();
      }
      if (!files_.OpenGrowing(path_, &file_).ok()) {
        // Gone again between the look and the open: wait for it.
        file_.reset();
        present_ = false;
        return {};
      }
      NextFile();
    }
  }

 private:
  // The next file under the name, or the same one truncated: from its start.
  void NextFile() {
    ++file_index_;
    offset_ = 0;
    line_base_ = 0;
    scanner_.reset();
  }

  // The text after the file's last line feed is examined like a line.
  void EndFile() {
    if (!scanner_) return;
    scanner_->Finish();
    HandOn();
    scanner_.reset();
  }

  Status ReadNew() {
    if (file_->Size() < offset_) {
      EndFile();
      NextFile();
    }
    if (!block_) block_ = std::make_unique_for_overwrite<char[]>(kBlockBytes);
    for (size_t got = 0;; offset_ += got) {
      if (Status read = file_->ReadSome(offset_, block_.get(), kBlockBytes, &got); !read.ok()) {
        return read;
      }
      if (got == 0) return {};
      if (!scanner_) {
        kept_ = {};
        scanner_ = std::make_unique<LineScanner>(*finders_, kept_);
      }
      scanner_->Feed({block_.get(), got});
      HandOn();
    }
  }

  void HandOn() {
    if (kept_.lines.empty()) return;
    batch_.clear();
    for (KeptLine& line : kept_.lines) {
      batch_.push_back(
          {std::move(line.text), line.stamp, line_base_ + line.feeds_before + 1, file_index_});
    }
    kept_.lines.clear();
    (*on_lines_)(batch_);
  }

  LogFileSystem& files_;
  std::string path_;
  std::string identifier_;
  std::optional<KeptLineFinders> finders_;
  std::unique_ptr<GrowingFile> file_;
  uint64_t offset_ = 0;
  uint64_t line_base_ = 0;
  uint32_t file_index_ = 0;
  bool present_ = true;
  KeptLines kept_;
  std::unique_ptr<LineScanner> scanner_;
  std::unique_ptr<char[]> block_;
  std::vector<FollowedLine> batch_;
  const std::function<void(std::span<const FollowedLine>)>* on_lines_ = nullptr;
};

LogFollower::LogFollower(LogFileSystem& files) : impl_(std::make_unique<Impl>(files)) {}
LogFollower::~LogFollower() = default;

Status LogFollower::Start(const std::string& path, const LoadedLog::Resume& from,
                          std::string_view identifier) {
  return impl_->Start(path, from, identifier);
}

Status LogFollower::Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines) {
  return impl_->Poll(on_lines);
}

bool LogFollower::present() const { return impl_->present(); }

LoadedLog::Resume LogFollower::position() const { return impl_->position(); }

FollowedLineKeeper::FollowedLineKeeper(LoadedLog& log)
    : log_(log), years_(log), first_file_(static_cast<uint32_t>(log.LogFilePaths.size() - 1)) {}

int32_t FollowedLineKeeper::Keep(const FollowedLine& line, CallTime* time) {
  const uint32_t file = first_file_ + line.file;
  while (log_.LogFilePaths.size() <= file) {
    log_.LogFilePaths.push_back(log_.LogFilePaths[first_file_]);
    log_.LogFileLines.push_back(0);
  }
  log_.LogFileLines[file] = std::max(log_.LogFileLines[file], line.line);
  const CallTime line_time = years_.TimeOf(line.stamp);
  if (time != nullptr) *time = line_time;
  return log_.Keep(line.text, line_time, {file, static_cast<uint32_t>(line.line)});
}

FolderWatch::~FolderWatch() {
  if (fd_ >= 0) ::close(fd_);
}

Status FolderWatch::Start(const std::string& path) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return Status::Error("cannot follow " + DescribeErrno(path, errno));
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  if (::inotify_add_watch(fd_, folder.c_str(), kFolderEvents) < 0) {
    return Status::Error("cannot follow " + DescribeErrno(path, errno));
  }
  name_ = std::filesystem::path(path).filename().string();
  return {};
}

bool FolderWatch::TakeEvents() {
  alignas(inotify_event) char events[4096];
  bool notified = false;
  bool ours = false;
  for (ssize_t n; (n = ::read(fd_, events, sizeof events)) > 0;) {
    notified = true;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      if (event->len == 0 || name_ == event->name) ours = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return !notified || ours;
}

}  // namespace tallix
