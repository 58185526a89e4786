#include "engine/log/log_source.h"

#include <sys/stat.h>

#include <algorithm>

#include "engine/util/text_file.h"

namespace tallix {
namespace {

class SystemLogSource final : public LogSource {
 public:
  Status Open(const std::string& path, uint64_t max_size) {
    const FileResult opened = file_.Open(path, static_cast<size_t>(max_size));
    // A file whose size says 0 may still hold text (/proc/self/status): it is
    // read to its end, as a stream is.
    stream_ = file_.size() == 0;
    return opened.ok ? Status::Ok() : Status::Error(opened.error);
  }

  Status Read(char* buffer, size_t length, size_t* got) override {
    if (stream_) {
      const FileResult read = file_.ReadSome(static_cast<size_t>(offset_), buffer, length, got);
      if (!read.ok) return Status::Error(read.error);
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
    const FileResult read = file_.ReadAt(static_cast<size_t>(offset), buffer, length);
    return read.ok ? Status::Ok() : Status::Error(read.error);
  }

 private:
  ReadOnlyFile file_;
  uint64_t offset_ = 0;
  bool stream_ = false;
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
};

}  // namespace

LogFileSystem& SystemLogFiles() {
  static SystemLogFileSystem files;
  return files;
}

}  // namespace tallix
