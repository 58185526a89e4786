#pragma once
// Logs held in memory for the loader: each handed out a few bytes at a time,
// as a file (also read at any offset) or as a stream that can only be read in
// order, so that tests reach every block edge without the disk; and the
// system's files with something done to each once it is open. The fuzz
// targets use them too.

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/log/log_loader.h"
#include "engine/log/log_source.h"

namespace tallix::testing_util {

class FakeLogFiles : public LogFileSystem {
 public:
  struct Log {
    std::string bytes;
    size_t block = 1;      // the most that one Read gives
    bool seekable = true;  // a file rather than a stream
  };

  void Add(const std::string& path, Log log) { logs_[path] = std::move(log); }

  Status Open(const std::string& path, uint64_t max_size,
              std::unique_ptr<LogSource>* source) override {
    const auto log = logs_.find(path);
    if (log == logs_.end()) return Status::Error("cannot open '" + path + "': no such log");
    if (log->second.bytes.size() > max_size) {
      return Status::Error("cannot read '" + path + "': too long");
    }
    *source = std::make_unique<Source>(log->second);
    return {};
  }

  uint64_t SizeOf(const std::string& path) const override {
    const auto log = logs_.find(path);
    return log == logs_.end() ? 0 : log->second.bytes.size();
  }

 private:
  class Source : public LogSource {
   public:
    explicit Source(const Log& log) : log_(log) {}
    Status Read(char* buffer, size_t length, size_t* got) override {
      *got = std::min({length, log_.block, log_.bytes.size() - offset_});
      std::memcpy(buffer, log_.bytes.data() + offset_, *got);
      offset_ += *got;
      return {};
    }
    std::optional<uint64_t> size() const override {
      if (!log_.seekable) return std::nullopt;
      return log_.bytes.size();
    }
    Status ReadAt(uint64_t offset, char* buffer, size_t length) const override {
      std::memcpy(buffer, log_.bytes.data() + offset, length);
      return {};
    }

   private:
    const Log& log_;
    size_t offset_ = 0;
  };

  std::map<std::string, Log> logs_;
};

// The system's files, with `action` done to each once it is open.
class AfterOpen final : public LogFileSystem {
 public:
  explicit AfterOpen(std::function<void()> action) : action_(std::move(action)) {}
  Status Open(const std::string& path, uint64_t max_size,
              std::unique_ptr<LogSource>* source) override {
    Status opened = SystemLogFiles().Open(path, max_size, source);
    action_();
    return opened;
  }
  uint64_t SizeOf(const std::string& path) const override { return SystemLogFiles().SizeOf(path); }

 private:
  std::function<void()> action_;
};

// Loads `text` as the log at `path`, read in order in large blocks: the
// plainest way the loader reads, which the others are compared with.
inline LoadResult LoadText(std::string_view text, const std::string& path = "/log",
                           std::string_view identifier = "isdnrouter") {
  FakeLogFiles files;
  files.Add(path, {std::string(text), size_t{1} << 20, false});
  return LoadLog(path, identifier, {}, files);
}

}  // namespace tallix::testing_util
