#include "engine/log/log_follower.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "engine/log/line_scanner.h"
#include "engine/log/log_text_reader.h"
#include "engine/util/text_file.h"

namespace tallix {
namespace {

constexpr size_t kBlockBytes = 256u << 10;

// The bytes before the read offset that are read again at each look: text
// rewritten under the follower is told by them even when it has grown past
// that offset.
constexpr size_t kFingerprintBytes = 64;

// What a folder tells of its files that may mean the log changed, and of
// itself that means the way to the log changed.
constexpr uint32_t kFolderEvents = IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
// What the folder above tells of a folder on the way: not the writes to its
// other files, for a busy folder such as /var/log should not wake the
// follower of a log in a folder below it.
constexpr uint32_t kAboveEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

// Links followed at most on the way to a log, as the kernel's own limit.
constexpr int kMaxLinks = 40;

// Reads up to `length` bytes at `offset`, fewer only at the file's end.
Status ReadUpTo(GrowingFile& file, uint64_t offset, char* buffer, size_t length, size_t* got) {
  *got = 0;
  for (size_t part = 0; *got < length; *got += part) {
    if (Status read = file.ReadSome(offset + *got, buffer + *got, length - *got, &part);
        !read.ok()) {
      return read;
    }
    if (part == 0) break;
  }
  return {};
}

// The compression of the data at `offset`, told by its first bytes.
Compression CompressionAt(GrowingFile& file, uint64_t offset) {
  char magic[kCompressionMagicBytes];
  size_t got = 0;
  if (!ReadUpTo(file, offset, magic, sizeof magic, &got).ok()) return Compression::kNone;
  return CompressionOf({magic, got});
}

Status RefuseCompressed(GrowingFile& file, const std::string& path) {
  const Compression kind = CompressionAt(file, 0);
  if (kind == Compression::kNone) return {};
  return Status::Refused("cannot follow '" + path + "': it is " +
                         std::string(CompressionName(kind)) +
                         "-compressed; follow the plain file the router writes");
}

}  // namespace

Status FollowableLog(const std::string& path, LogFileSystem& files) {
  std::unique_ptr<GrowingFile> file;
  if (Status opened = files.OpenGrowing(path, &file); !opened.ok()) return opened;
  return RefuseCompressed(*file, path);
}

class LogFollower::Impl {
 public:
  explicit Impl(LogFileSystem& files) : files_(files) {}

  Status Start(const std::string& path, const LoadedLog::Resume& from,
               std::string_view identifier) {
    path_ = path;
    identifier_ = std::string(identifier);
    finders_.emplace(identifier_);
    if (Status opened = files_.OpenGrowing(path_, &file_); !opened.ok()) return opened;
    if (Status plain = RefuseCompressed(*file_, path_); !plain.ok()) return plain;
    offset_ = from.offset;
    line_base_ = from.line_feeds;
    // Shorter when the file is by now: then it was truncated.
    return ReadFingerprint(&fingerprint_);
  }

  bool present() const { return present_; }
  bool behind() const { return behind_; }

  std::vector<std::string> TakeWarnings() { return std::exchange(warnings_, {}); }

  LoadedLog::Resume position() const {
    if (!scanner_) return {offset_, line_base_};
    return {offset_ - scanner_->open_bytes(), line_base_ + scanner_->line_feeds()};
  }

  Status Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines,
              uint64_t max_bytes) {
    on_lines_ = &on_lines;
    behind_ = false;
    uint64_t budget = max_bytes;
    for (;;) {
      if (file_) {
        if (Status read = ReadNew(&budget); !read.ok()) return read;
        if (behind_) return {};
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
    fingerprint_.clear();
    compressed_ = false;
  }

  // The text after the file's last line feed is examined like a line.
  void EndFile() {
    if (!scanner_) return;
    scanner_->Finish();
    HandOn();
    scanner_.reset();
  }

  // The bytes before the offset, as they are now.
  Status ReadFingerprint(std::string* bytes) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(offset_, kFingerprintBytes));
    bytes->resize(length);
    size_t got = 0;
    Status read = ReadUpTo(*file_, offset_ - length, bytes->data(), length, &got);
    bytes->resize(got);
    return read;
  }

  void AddToFingerprint(std::string_view bytes) {
    if (bytes.size() >= kFingerprintBytes) {
      fingerprint_.assign(bytes.substr(bytes.size() - kFingerprintBytes));
      return;
    }
    fingerprint_ += bytes;
    if (fingerprint_.size() > kFingerprintBytes) {
      fingerprint_.erase(0, fingerprint_.size() - kFingerprintBytes);
    }
  }

  // Whether the file still holds what was read before the offset.
  Status Unchanged(bool* same) {
    *same = false;
    if (file_->Size() < offset_) return {};
    std::string now;
    if (Status read = ReadFingerprint(&now); !read.ok()) return read;
    *same = now == fingerprint_;
    return {};
  }

  // Where compressed data begins in the `length` bytes read at the offset:
  // at a line start, the first byte of what is new included when the text
  // read so far ended a line. `length` when nowhere.
  size_t CompressedFrom(const char* bytes, size_t length) {
    const auto next_line = [&](size_t from) {
      const void* feed = std::memchr(bytes + from, '\n', length - from);
      return feed == nullptr ? length
                             : static_cast<size_t>(static_cast<const char*>(feed) - bytes) + 1;
    };
    const bool line_start = !scanner_ || scanner_->open_bytes() == 0;
    for (size_t at = line_start ? 0 : next_line(0); at < length; at = next_line(at)) {
      const std::string_view rest(bytes + at, length - at);
      const Compression kind = rest.size() >= kCompressionMagicBytes
                                   ? CompressionOf(rest)
                                   : CompressionAt(*file_, offset_ + at);
      if (kind != Compression::kNone) {
        compression_ = kind;
        return at;
      }
    }
    return length;
  }

  // Keeps up with the end of a file whose text is not read any more.
  Status SkipToEnd() {
    offset_ = std::max(offset_, file_->Size());
    return ReadFingerprint(&fingerprint_);
  }

  Status ReadNew(uint64_t* budget) {
    bool same = false;
    if (Status looked = Unchanged(&same); !looked.ok()) return looked;
    if (!same) {
      EndFile();
      NextFile();
    }
    if (compressed_) return SkipToEnd();
    if (!block_) block_ = std::make_unique_for_overwrite<char[]>(kBlockBytes);
    for (size_t got = 0;; offset_ += got) {
      if (*budget == 0) {
        behind_ = true;
        return {};
      }
      const auto length = static_cast<size_t>(std::min<uint64_t>(kBlockBytes, *budget));
      if (Status read = file_->ReadSome(offset_, block_.get(), length, &got); !read.ok()) {
        return read;
      }
      if (got == 0) return {};
      *budget -= got;
      const size_t text = CompressedFrom(block_.get(), got);
      if (text > 0) {
        if (!scanner_) {
          kept_ = {};
          scanner_ = std::make_unique<LineScanner>(*finders_, kept_);
        }
        scanner_->Feed({block_.get(), text});
        AddToFingerprint({block_.get(), text});
        HandOn();
      }
      if (text < got) {
        offset_ += text;
        compressed_ = true;
        warnings_.push_back("'" + path_ + "' holds " + std::string(CompressionName(compression_)) +
                            "-compressed data from byte " + std::to_string(offset_) +
                            " on; the rest of that file is not read as lines");
        return SkipToEnd();
      }
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
  bool behind_ = false;
  // The last bytes read before offset_, at most kFingerprintBytes.
  std::string fingerprint_;
  // The file holds compressed data from offset_ on: nothing more is read.
  bool compressed_ = false;
  Compression compression_ = Compression::kNone;
  std::vector<std::string> warnings_;
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

Status LogFollower::Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines,
                         uint64_t max_bytes) {
  return impl_->Poll(on_lines, max_bytes);
}

bool LogFollower::behind() const { return impl_->behind(); }

bool LogFollower::present() const { return impl_->present(); }

std::vector<std::string> LogFollower::TakeWarnings() { return impl_->TakeWarnings(); }

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

namespace {

// The folder of `path` and the name in it: "." for a bare name.
std::pair<std::string, std::string> FolderAndName(const std::string& path) {
  const std::filesystem::path whole(path);
  std::string folder = whole.parent_path().string();
  return {folder.empty() ? "." : std::move(folder), whole.filename().string()};
}

}  // namespace

Status FolderWatch::Start(const std::string& path) {
  path_ = path;
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return Status::Error("cannot follow " + DescribeErrno(path, errno));
  if (const int error = Resolve(); error != 0) {
    return Status::Error("cannot follow " + DescribeErrno(path, error));
  }
  return {};
}

void FolderWatch::WatchFromAbove(const std::string& folder, std::vector<Watched>& watched) {
  for (std::string child = folder;;) {
    auto [above, part] = FolderAndName(child);
    if (above == child || part.empty() || part == "." || part == "..") return;
    // Added to what the folder is watched for already, as the log's own.
    if (const int wd = ::inotify_add_watch(fd_, above.c_str(), kAboveEvents | IN_MASK_ADD);
        wd >= 0) {
      watched.push_back({wd, above, part, Kind::kFolder});
      return;
    }
    child = above;
  }
}

int FolderWatch::Resolve() {
  std::vector<Watched> now;
  std::string missing;
  int error = 0;
  std::string at = path_;
  for (int links = 0;; ++links) {
    auto [folder, name] = FolderAndName(at);
    // The folder is watched from the one above it too: a folder removed
    // while a file in it is open tells nothing of itself.
    WatchFromAbove(folder, now);
    const int wd = ::inotify_add_watch(fd_, folder.c_str(), kFolderEvents | IN_MASK_ADD);
    if (wd < 0) {
      error = errno;
      missing = folder;
      break;
    }
    struct stat st {};
    const bool link = links < kMaxLinks && ::lstat(at.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    now.push_back({wd, folder, name, link ? Kind::kLink : Kind::kLog});
    if (!link) break;
    std::error_code failed;
    const std::filesystem::path target = std::filesystem::read_symlink(at, failed);
    if (failed) break;
    at = target.is_absolute() ? target.string() : (std::filesystem::path(folder) / target).string();
  }
  for (const Watched& old : watched_) {
    if (std::none_of(now.begin(), now.end(), [&](const Watched& w) { return w.wd == old.wd; })) {
      ::inotify_rm_watch(fd_, old.wd);  // fails harmlessly for a folder gone
    }
  }
  watched_ = std::move(now);
  if (!missing.empty() && missing_.empty()) lost_ = missing;
  missing_ = std::move(missing);
  return error;
}

bool FolderWatch::TakeEvents() {
  // One read a call: a folder written to without a pause cannot keep the
  // caller here; what is left wakes it again.
  alignas(inotify_event) char events[16384];
  const ssize_t n = ::read(fd_, events, sizeof events);
  bool ours = false;
  bool way = false;
  for (ssize_t at = 0; at < n;) {
    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    // Events were lost: anything may have changed.
    if ((event->mask & IN_Q_OVERFLOW) != 0) ours = way = true;
    for (const Watched& watched : watched_) {
      if (watched.wd != event->wd) continue;
      if (event->len == 0) {
        // About the folder itself: removed, renamed, its watch ended.
        if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0) lost_ = watched.folder;
        ours = way = true;
      } else if (watched.name == event->name) {
        ours = true;
        if (watched.kind == Kind::kLog) continue;
        way = true;
        if (watched.kind == Kind::kFolder && (event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
          lost_ = (std::filesystem::path(watched.folder) / watched.name).string();
        }
      }
    }
  }
  if (way) Resolve();
  return n <= 0 || ours;
}

std::string FolderWatch::TakeLostFolderWarning() {
  const std::string lost = std::exchange(lost_, {});
  if (lost.empty()) return lost;
  return "the folder '" + lost + "' was removed or renamed; '" + path_ +
         "' is followed again when it is back";
}

}  // namespace tallix
