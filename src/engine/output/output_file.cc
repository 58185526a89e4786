#include "engine/output/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "engine/util/text_file.h"

namespace tallix {
namespace {

Status CannotWrite(const std::string& path, int error_number) {
  return Status::Error("cannot write " + DescribeErrno(path, error_number));
}

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

Status WriteInPlace(const std::string& path, std::string_view contents) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return CannotWrite(path, errno);
  const bool written = WriteAll(fd, contents);
  const int write_error = errno;
  // A late write error can surface only at the close.
  if (::close(fd) != 0 && written) return CannotWrite(path, errno);
  return written ? Status() : CannotWrite(path, write_error);
}

// The name that `path` leads to through its links (itself when it is none),
// each relative link taken from the folder that holds it.
Status FollowLinks(const std::string& path, std::string& target) {
  namespace fs = std::filesystem;
  fs::path at(path);
  std::error_code ec;
  for (int hops = 0; fs::is_symlink(fs::symlink_status(at, ec)); ++hops) {
    if (hops == 40) return CannotWrite(path, ELOOP);
    const fs::path next = fs::read_symlink(at, ec);
    if (ec) return Status::Error("cannot write '" + path + "': " + ec.message());
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  target = at.string();
  return {};
}

}  // namespace

Status WriteWholeFile(const std::string& path, std::string_view contents) {
  std::string target;
  if (Status resolved = FollowLinks(path, target); !resolved.ok()) return resolved;
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    return Status::Error("cannot write '" + path + "': it is a directory");
  }
  if (exists && !S_ISREG(st.st_mode)) return WriteInPlace(target, contents);
  // Renaming over a file needs only the folder's permission; a file that was
  // made read-only must not be replaced all the same.
  if (exists && ::access(target.c_str(), W_OK) != 0) return CannotWrite(path, errno);

  // A short name of its own, so that a target whose name is near the
  // system's limit still gets one.
  const size_t slash = target.rfind('/');
  std::string temp =
      (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".tallix-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return CannotWrite(path, errno);
  bool still_open = true;
  auto fail = [&](int error_number) {
    if (still_open) ::close(fd);
    ::unlink(temp.c_str());
    return CannotWrite(path, error_number);
  };
  // Keep the owner, group and permissions of the file being replaced, as far
  // as this process may set them (the owner only as root, the group when the
  // user belongs to it); a new file gets the usual ones for the user's umask.
  mode_t mode = 0;
  if (exists) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
      [[maybe_unused]] const int group_only = ::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    }
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) return fail(errno);
  if (!WriteAll(fd, contents)) return fail(errno);
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) return fail(errno);
  still_open = false;
  if (::close(fd) != 0) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  return {};
}

}  // namespace tallix
