#include "engine/log/log_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>

#include "engine/util/text_file.h"

namespace tallix {
namespace {

class StreamLogSource final : public LogSource {
 public:
  // Takes `fd`, closed at the end unless it is standard input.
  StreamLogSource(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~StreamLogSource() override {
    if (fd_ != STDIN_FILENO) ::close(fd_);
  }
  StreamLogSource(const StreamLogSource&) = delete;
  StreamLogSource& operator=(const StreamLogSource&) = delete;

  Status Read(char* buffer, size_t length, size_t* got) override {
    *got = 0;
    return ReadFromDescriptor(fd_, path_, std::nullopt, buffer, length, got);
  }

  std::optional<uint64_t> size() const override { return std::nullopt; }

  Status ReadAt(uint64_t, char*, size_t) const override {
    return Status::Error("cannot read '" + path_ + "' out of order");
  }

 private:
  int fd_;
  std::string path_;
};

// What a name that cannot be read as a log is, for the message.
const char* KindOf(mode_t mode) {
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISBLK(mode)) return "a block device";
  return "not an ordinary file";
}

// Opens `path` when it is standard input or names a stream, setting *source.
// Fails, saying what it is, for a name that is no ordinary file, folder or
// stream (a socket, a block device). nullopt leaves `path` to be opened as
// an ordinary file (which also reports a folder or a missing name).
std::optional<Status> OpenLogStream(const std::string& path, std::unique_ptr<LogSource>* source) {
  if (path == kStandardInputName) {
    *source = std::make_unique<StreamLogSource>(STDIN_FILENO, path);
    return Status::Ok();
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
    return std::nullopt;
  }
  if (!S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode)) {
    return Status::Error("cannot read '" + path + "': it is " + KindOf(st.st_mode));
  }
  // A named pipe's open waits for its writer, as reading it from the shell does.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::Error("cannot open " + DescribeErrno(path, errno));
  *source = std::make_unique<StreamLogSource>(fd, path);
  return Status::Ok();
}

class FilesAndStreams final : public LogFileSystem {
 public:
  Status Open(const std::string& path, uint64_t max_size,
              std::unique_ptr<LogSource>* source) override {
    if (std::optional<Status> stream = OpenLogStream(path, source)) return *stream;
    return SystemLogFiles().Open(path, max_size, source);
  }

  uint64_t SizeOf(const std::string& path) const override {
    return path == kStandardInputName ? 0 : SystemLogFiles().SizeOf(path);
  }

  // Standard input has none: the time of the load stands for it.
  WallTime ModifiedTime(const std::string& path) const override {
    return path == kStandardInputName ? LogFileSystem::ModifiedTime(path)
                                      : SystemLogFiles().ModifiedTime(path);
  }
};

}  // namespace

LogFileSystem& SystemLogFilesAndStreams() {
  static FilesAndStreams files;
  return files;
}

}  // namespace tallix
