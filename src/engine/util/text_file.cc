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

// The name that `path` leads to through its links (itself when it is none),
// each relative link taken from the folder that holds it.
FileResult FollowLinks(const std::string& path, std::string& target) {
  namespace fs = std::filesystem;
  fs::path at(path);
  std::error_code ec;
  for (int hops = 0; fs::is_symlink(fs::symlink_status(at, ec)); ++hops) {
    if (hops == 40) return FileResult::Fail("cannot write " + DescribeErrno(path, ELOOP));
    const fs::path next = fs::read_symlink(at, ec);
    if (ec) return FileResult::Fail("cannot write '" + path + "': " + ec.message());
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  target = at.string();
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

FileResult WriteWholeFile(const std::string& path, std::string_view contents) {
  // As the shell's ">" does: a link is followed and its target written, the
  // link kept; a dangling link creates its target.
  std::string target;
  if (FileResult resolved = FollowLinks(path, target); !resolved.ok) return resolved;
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

  // A short name of its own, so that a target whose name is near the
  // system's limit still gets one.
  const size_t slash = target.rfind('/');
  std::string temp =
      (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".tallix-XXXXXX";
  FileDescriptor fd(::mkstemp(temp.data()));
  if (fd.get() < 0) return FileResult::Fail("cannot write " + DescribeErrno(path, errno));
  auto fail = [&](int error_number) {
    ::unlink(temp.c_str());
    return FileResult::Fail("cannot write " + DescribeErrno(path, error_number));
  };
  // Keep the owner, group and permissions of the file being replaced, as far
  // as this process may set them (the owner only as root, the group when the
  // user belongs to it); a new file gets the usual ones for the user's umask.
  mode_t mode = 0;
  if (exists) {
    if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
      [[maybe_unused]] const int group_only = ::fchown(fd.get(), static_cast<uid_t>(-1), st.st_gid);
    }
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
