#include "app/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

FileResult WriteInPlace(const std::string& path, std::string_view contents) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (fd.get() < 0) return FileResult::Fail("cannot write " + DescribeErrno(path, errno));
  if (!WriteAll(fd.get(), contents)) {
    return FileResult::Fail("cannot write " + DescribeErrno(path, errno));
  }
  if (!fd.Close()) return FileResult::Fail("cannot write " + DescribeErrno(path, errno));
  return {};
}

}  // namespace

std::string DescribeErrno(const std::string& path, int error_number) {
  return "'" + path + "': " + std::strerror(error_number);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FileResult ReadWholeFile(const std::string& path, size_t max_size, std::string& contents) {
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
  std::string buffer(static_cast<size_t>(size), '\0');
  size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::read(fd.get(), buffer.data() + done, buffer.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileResult::Fail("cannot read " + DescribeErrno(path, errno));
    }
    if (n == 0) {
      return FileResult::Fail("cannot read '" + path + "': it became shorter while it was read");
    }
    done += static_cast<size_t>(n);
  }
  contents.swap(buffer);
  return {};
}

FileResult WriteWholeFile(const std::string& path, std::string_view contents) {
  namespace fs = std::filesystem;
  std::string target = path;
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (ec) return FileResult::Fail("cannot write '" + path + "': " + ec.message());
    target = resolved.string();
  }
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    return FileResult::Fail("cannot write '" + path + "': it is a directory");
  }
  if (exists && !S_ISREG(st.st_mode)) return WriteInPlace(target, contents);
  // Renaming over a file needs only the folder's permission; a file that was
  // made read-only must not be replaced all the same.
  if (exists && ::access(target.c_str(), W_OK) != 0) {
    return FileResult::Fail("cannot write " + DescribeErrno(path, errno));
  }

  std::string temp = target + ".tmp-XXXXXX";
  FileDescriptor fd(::mkstemp(temp.data()));
  if (fd.get() < 0) return FileResult::Fail("cannot write " + DescribeErrno(path, errno));
  auto fail = [&](int error_number) {
    ::unlink(temp.c_str());
    return FileResult::Fail("cannot write " + DescribeErrno(path, error_number));
  };
  // Keep the permissions of the file being replaced; a new file gets the
  // usual ones for the user's umask.
  mode_t mode = 0;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd.get(), mode) != 0) return fail(errno);
  if (!WriteAll(fd.get(), contents)) return fail(errno);
  if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != EROFS) return fail(errno);
  if (!fd.Close()) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  return {};
}

}  // namespace tallix
