#include "engine/util/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tallix {
namespace {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Hands the descriptor over; it is no longer closed here.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now and reports whether the close succeeded (a late write error
  // can surface only here).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace

std::string DescribeErrno(const std::string& path, int error_number) {
  return "'" + path + "': " + std::strerror(error_number);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

FileResult ReadOnlyFile::Open(const std::string& path, size_t max_size) {
  // O_NONBLOCK keeps a named pipe from blocking the open; it is refused below.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return FileResult::Fail("cannot open " + DescribeErrno(path, errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    return FileResult::Fail("cannot read " + DescribeErrno(path, errno));
  }
  if (S_ISDIR(st.st_mode)) return FileResult::Fail("cannot read '" + path + "': it is a directory");
  if (!S_ISREG(st.st_mode)) {
    return FileResult::Fail("cannot read '" + path + "': it is not an ordinary file");
  }
  const auto size = static_cast<uint64_t>(st.st_size);
  if (size > max_size) {
    return FileResult::Fail("cannot read '" + path + "': it is " + std::to_string(size) +
                            " bytes long, more than the " + std::to_string(max_size) +
                            " bytes that can be loaded");
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd.Release();
  size_ = static_cast<size_t>(size);
  path_ = path;
  return {};
}

FileResult ReadOnlyFile::ReadSome(size_t offset, char* buffer, size_t length, size_t* got) const {
  for (;;) {
    const ssize_t n = ::pread(fd_, buffer, length, static_cast<off_t>(offset));
    if (n >= 0) {
      *got = static_cast<size_t>(n);
      return {};
    }
    if (errno != EINTR) return FileResult::Fail("cannot read " + DescribeErrno(path_, errno));
  }
}

FileResult ReadOnlyFile::ReadAt(size_t offset, char* buffer, size_t length) const {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, buffer + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileResult::Fail("cannot read " + DescribeErrno(path_, errno));
    }
    if (n == 0) {
      return FileResult::Fail("cannot read '" + path_ + "': it became shorter while it was read");
    }
    done += static_cast<size_t>(n);
  }
  return {};
}

FileResult ReadWholeFile(const std::string& path, size_t max_size, std::string& contents) {
  ReadOnlyFile file;
  if (FileResult opened = file.Open(path, max_size); !opened.ok) return opened;
  std::string buffer(file.size(), '\0');
  if (FileResult read = file.ReadAt(0, buffer.data(), buffer.size()); !read.ok) return read;
  contents.swap(buffer);
  return {};
}

}  // namespace tallix
