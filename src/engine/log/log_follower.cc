#include "engine/log/log_follower.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
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
  ~Impl() {
    CloseFile();
    if (notify_ >= 0) ::close(notify_);
  }

  Status Start(const std::string& path, uint64_t lines_read, std::string_view identifier) {
    path_ = path;
    identifier_ = std::string(identifier);
    finders_.emplace(identifier_);
    notify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notify_ < 0) return Status::Error("cannot follow " + DescribeErrno(path, errno));
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    if (::inotify_add_watch(notify_, folder.c_str(), kFolderEvents) < 0) {
      return Status::Error("cannot follow " + DescribeErrno(path, errno));
    }
    name_ = std::filesystem::path(path).filename().string();
    if (Status opened = OpenFile(); !opened.ok()) return opened;
    skip_lines_ = lines_read;
    line_base_ = lines_read;
    // A compressed log is not appended to as text: only its successor is read.
    char magic[kCompressionMagicBytes];
    const ssize_t n = ::pread(fd_, magic, sizeof magic, 0);
    if (n > 0 && CompressionOf({magic, static_cast<size_t>(n)}) != Compression::kNone) {
      struct stat st {};
      if (::fstat(fd_, &st) == 0) offset_ = static_cast<uint64_t>(st.st_size);
      skip_lines_ = 0;
    }
    return {};
  }

  int notify_fd() const { return notify_; }
  bool present() const { return present_; }

  Status Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines) {
    on_lines_ = &on_lines;
    // Other files of the folder are passed over: a busy log folder would
    // wake the follower for each of their lines.
    alignas(inotify_event) char events[4096];
    bool notified = false;
    bool ours = false;
    for (ssize_t n; (n = ::read(notify_, events, sizeof events)) > 0;) {
      notified = true;
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        if (event->len == 0 || name_ == event->name) ours = true;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    if (notified && !ours) return {};
    for (;;) {
      if (fd_ >= 0) {
        if (Status read = ReadNew(); !read.ok()) return read;
      }
      struct stat st {};
      if (::stat(path_.c_str(), &st) != 0) {
        present_ = false;
        return {};
      }
      present_ = true;
      if (fd_ >= 0 && st.st_dev == dev_ && st.st_ino == ino_) return {};
      // Another file under the name: the old one was read to its end above.
      if (fd_ >= 0) {
        EndFile();
        CloseFile();
      }
      if (Status opened = OpenFile(); !opened.ok()) {
        // Gone again between stat and open: wait for it.
        present_ = false;
        return {};
      }
      NextFile();
    }
  }

 private:
  Status OpenFile() {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) return Status::Error("cannot follow " + DescribeErrno(path_, errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      CloseFile();
      return Status::Error("cannot follow '" + path_ + "': it is not an ordinary file");
    }
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    offset_ = 0;
    present_ = true;
    return {};
  }

  void CloseFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // The next file under the name, or the same one truncated: from its start.
  void NextFile() {
    ++file_;
    offset_ = 0;
    skip_lines_ = 0;
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
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && static_cast<uint64_t>(st.st_size) < offset_) {
      EndFile();
      NextFile();
    }
    if (!block_) block_ = std::make_unique_for_overwrite<char[]>(kBlockBytes);
    for (size_t got = 0;; offset_ += got) {
      if (Status read = ReadFromDescriptor(fd_, path_, offset_, block_.get(), kBlockBytes, &got);
          !read.ok()) {
        return read;
      }
      if (got == 0) return {};
      Feed({block_.get(), got});
    }
  }

  void Feed(std::string_view bytes) {
    // The lines loaded already are passed over, however the bytes arrive.
    while (skip_lines_ > 0 && !bytes.empty()) {
      const size_t feed = bytes.find('\n');
      if (feed == std::string_view::npos) return;
      bytes.remove_prefix(feed + 1);
      --skip_lines_;
    }
    if (bytes.empty()) return;
    if (!scanner_) {
      kept_ = {};
      scanner_ = std::make_unique<LineScanner>(*finders_, kept_);
    }
    scanner_->Feed(bytes);
    HandOn();
  }

  void HandOn() {
    if (kept_.lines.empty()) return;
    batch_.clear();
    for (KeptLine& line : kept_.lines) {
      batch_.push_back(
          {std::move(line.text), line.stamp, line_base_ + line.feeds_before + 1, file_});
    }
    kept_.lines.clear();
    (*on_lines_)(batch_);
  }

  std::string path_;
  std::string name_;  // within its folder
  std::string identifier_;
  std::optional<KeptLineFinders> finders_;
  int notify_ = -1;
  int fd_ = -1;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  uint64_t offset_ = 0;
  uint64_t skip_lines_ = 0;
  uint64_t line_base_ = 0;
  uint32_t file_ = 0;
  bool present_ = true;
  KeptLines kept_;
  std::unique_ptr<LineScanner> scanner_;
  std::unique_ptr<char[]> block_;
  std::vector<FollowedLine> batch_;
  const std::function<void(std::span<const FollowedLine>)>* on_lines_ = nullptr;
};

LogFollower::LogFollower() : impl_(std::make_unique<Impl>()) {}
LogFollower::~LogFollower() = default;

Status LogFollower::Start(const std::string& path, uint64_t lines_read,
                          std::string_view identifier) {
  return impl_->Start(path, lines_read, identifier);
}

int LogFollower::notify_fd() const { return impl_->notify_fd(); }

Status LogFollower::Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines) {
  return impl_->Poll(on_lines);
}

bool LogFollower::present() const { return impl_->present(); }

FollowedLineKeeper::FollowedLineKeeper(TallixData& data) : data_(data) {
  if (data_.LogFilePaths.empty()) data_.LogFilePaths.push_back(data_.LogFilePath);
  first_file_ = static_cast<uint32_t>(data_.LogFilePaths.size() - 1);
  data_.LogLineTimes.resize(static_cast<size_t>(data_.LineCount));
  for (int32_t r = data_.LineCount - 1; r >= 0; --r) {
    const CallTime& time = data_.LogLineTimes[static_cast<size_t>(r)];
    if (!time.has_time || time.has_offset) continue;
    last_traditional_ = ReadLineStamp(data_.LogLines[static_cast<size_t>(r)]);
    last_year_ = static_cast<int>(
        std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(time.wall)).year());
    break;
  }
}

CallTime FollowedLineKeeper::TimeOf(const LineStamp& stamp) {
  if (stamp.form != StampForm::kTraditional) {
    const LineStamp one[] = {stamp};
    return LineTimes(one, {}).front();
  }
  CallTime time;
  if (last_traditional_) {
    const LineStamp two[] = {*last_traditional_, stamp};
    time = LineTimes(two, YearRule{last_year_, {}}).back();
  } else {
    // Nothing before it to follow: the year of now, as for a log read now.
    const LineStamp one[] = {stamp};
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    time =
        LineTimes(one, YearRule{std::nullopt, std::chrono::local_seconds(now.time_since_epoch())})
            .front();
  }
  if (time.has_time) {
    last_traditional_ = stamp;
    last_year_ = static_cast<int>(
        std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(time.wall)).year());
  }
  return time;
}

int32_t FollowedLineKeeper::Keep(const FollowedLine& line) {
  const uint32_t file = first_file_ + line.file;
  while (data_.LogFilePaths.size() <= file) {
    data_.LogFilePaths.push_back(data_.LogFilePaths[first_file_]);
    data_.LogFileLines.push_back(0);
  }
  if (file < data_.LogFileLines.size() && data_.LogFileLines[file] < line.line) {
    data_.LogFileLines[file] = line.line;
  }
  if (data_.LineCount >= TallixData::kLogLineEntries) {
    ++data_.LinesBeyondKept;
    return -1;
  }
  const int32_t r = data_.LineCount++;
  data_.LogLines.Assign(static_cast<size_t>(r), line.text);
  data_.LogLineTimes.resize(static_cast<size_t>(data_.LineCount));
  data_.LogLineTimes[static_cast<size_t>(r)] = TimeOf(line.stamp);
  data_.LogLineOrigins[static_cast<size_t>(r)] = {file, static_cast<uint32_t>(line.line)};
  return r;
}

}  // namespace tallix
