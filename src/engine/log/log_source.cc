#include "engine/log/log_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "engine/util/text_file.h"

namespace tallix {
namespace {

// The local clock's reading of `time`.
WallTime LocalWallTime(std::time_t time) {
  std::tm local{};
  if (::localtime_r(&time, &local) == nullptr) return WallTime{std::chrono::seconds{time}};
  const std::chrono::year_month_day date{
      std::chrono::year{local.tm_year + 1900},
      std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
      std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
  return std::chrono::local_days{date} + std::chrono::hours{local.tm_hour} +
         std::chrono::minutes{local.tm_min} + std::chrono::seconds{local.tm_sec};
}

class SystemLogSource final : public LogSource {
 public:
  Status Open(const std::string& path, uint64_t max_size) {
    // A file whose size says 0 may still hold text (/proc/self/status): it is
    // read to its end, as a stream is.
    Status opened = file_.Open(path, static_cast<size_t>(max_size));
    stream_ = file_.size() == 0;
    return opened;
  }

  Status Read(char* buffer, size_t length, size_t* got) override {
    if (stream_) {
      Status read = file_.ReadSome(static_cast<size_t>(offset_), buffer, length, got);
      if (!read.ok()) return read;
      offset_ += *got;
      return {};
    }
    *got = std::min<uint64_t>(length, file_.size() - offset_);
    if (Status read = ReadAt(offset_, buffer, *got); !read.ok()) {
      *got = 0;
      return read;
    }
    offset_ += *got;
    return {};
  }

  std::optional<uint64_t> size() const override {
    return stream_ ? std::nullopt : std::optional<uint64_t>(file_.size());
  }

  Status ReadAt(uint64_t offset, char* buffer, size_t length) const override {
    return file_.ReadAt(static_cast<size_t>(offset), buffer, length);
  }

 private:
  ReadOnlyFile file_;
  uint64_t offset_ = 0;
  bool stream_ = false;
};

class SystemGrowingFile final : public GrowingFile {
 public:
  ~SystemGrowingFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
      const int error = errno;
      return Status::Error("cannot follow " + DescribeErrno(path, error),
                           error == ENOENT ? Status::Code::kNotFound : Status::Code::kIoError);
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      return Status::Refused("cannot follow '" + path + "': it is not an ordinary file");
    }
    identity_ = {static_cast<unsigned long long>(st.st_dev),
                 static_cast<unsigned long long>(st.st_ino)};
    return {};
  }

  Status ReadSome(uint64_t offset, char* buffer, size_t length, size_t* got) override {
    return ReadFromDescriptor(fd_, path_, offset, buffer, length, got);
  }

  uint64_t Size() const override {
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }

  FileIdentity Identity() const override { return identity_; }

 private:
  std::string path_;
  int fd_ = -1;
  FileIdentity identity_;
};

class SystemLogFileSystem final : public LogFileSystem {
 public:
  Status Open(const std::string& path, uint64_t max_size,
              std::unique_ptr<LogSource>* source) override {
    auto file = std::make_unique<SystemLogSource>();
    if (Status opened = file->Open(path, max_size); !opened.ok()) return opened;
    *source = std::move(file);
    return {};
  }

  uint64_t SizeOf(const std::string& path) const override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }

  WallTime ModifiedTime(const std::string& path) const override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return LogFileSystem::ModifiedTime(path);
    return LocalWallTime(st.st_mtim.tv_sec);
  }
};

}  // namespace

WallTime LogFileSystem::ModifiedTime(const std::string&) const {
  return LocalWallTime(std::time(nullptr));
}

Status LogFileSystem::OpenGrowing(const std::string& path, std::unique_ptr<GrowingFile>* file) {
  auto opened = std::make_unique<SystemGrowingFile>();
  if (Status status = opened->Open(path); !status.ok()) return status;
  *file = std::move(opened);
  return {};
}

std::optional<FileIdentity> LogFileSystem::IdentityAt(const std::string& path) const {
  return IdentityOf(path);
}

LogFileSystem& SystemLogFiles() {
  static SystemLogFileSystem files;
  return files;
}

}  // namespace tallix
