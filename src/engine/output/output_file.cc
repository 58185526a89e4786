#include "engine/output/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>

#include "engine/util/file_identity.h"
#include "engine/util/text_file.h"
#include "engine/util/visible_text.h"

namespace tallix {
namespace {

Status CannotWrite(const std::string& path, int error_number) {
  // strerror's "File too large" says nothing of a limit the user set.
  if (error_number == EFBIG) return Status::Error("cannot write '" + path + "': file too large");
  return Status::Error("cannot write " + DescribeErrno(path, error_number));
}

std::string FolderOf(const std::string& target) {
  const size_t slash = target.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : target.substr(0, slash);
}

// A read-only folder, or a sticky one where the file is not ours, lets the
// file be written but not replaced: say so, rather than a bare "Permission
// denied" about a file the user may write.
Status CannotReplace(const std::string& path, const std::string& target, int error_number) {
  if (error_number != EACCES && error_number != EPERM && error_number != EROFS) {
    return CannotWrite(path, error_number);
  }
  return Status::Error("cannot write '" + path + "': the folder '" + FolderOf(target) +
                       "' does not allow its temporary file (" + std::strerror(error_number) + ")");
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

// The descriptor that a name such as /dev/fd/1 or /proc/self/fd/1 stands
// for. Opening such a name would open the file afresh (from its start, or
// not at all for a pipe or a deleted file), so it is written as it is.
std::optional<int> DescriptorNamed(const std::string& path) {
  const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string& folder : {std::string("/dev/fd/"), std::string("/proc/self/fd/"),
                                    std::string("/proc/thread-self/fd/"), own}) {
    if (path.size() <= folder.size() || path.size() > folder.size() + 9 ||
        path.compare(0, folder.size(), folder) != 0) {
      continue;
    }
    unsigned fd = 0;
    const char* const end = path.data() + path.size();
    if (std::from_chars(path.data() + folder.size(), end, fd).ptr != end) return std::nullopt;
    return static_cast<int>(fd);
  }
  return std::nullopt;
}

// One output being written: a temporary file that replaces an ordinary file
// at Commit(), or a descriptor written in place. Left uncommitted, it removes
// its temporary file.
class OutputTarget {
 public:
  OutputTarget() = default;
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;
  ~OutputTarget() {
    if (fd_ >= 0 && owned_) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }

  Status Open(const std::string& path);
  bool Write(std::string_view bytes);
  Status Commit(const ReplaceCheck& check);

 private:
  bool WriteOut(std::string_view bytes) {
    if (WriteAll(fd_, bytes)) return true;
    error_ = errno;
    return false;
  }
  Status OpenTemporary(const struct stat* old);

  std::string path_;
  std::string target_;
  std::string temp_;  // empty unless an ordinary file is being replaced
  int fd_ = -1;
  bool owned_ = true;
  int error_ = 0;
  std::optional<TerminalText> terminal_;
};

Status OutputTarget::Open(const std::string& path) {
  path_ = path;
  std::optional<int> descriptor;
  std::filesystem::path target(path);
  if (const std::error_code ec = FollowLinks(target, [&descriptor](const auto& name) {
        return (descriptor = DescriptorNamed(name.string())).has_value();
      })) {
    return Status::Error("cannot write '" + path + "': " + ec.message());
  }
  if (descriptor) {
    fd_ = *descriptor;
    owned_ = false;
    if (::fcntl(fd_, F_GETFD) == -1) return CannotWrite(path, errno);
  } else {
    target_ = target.string();
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
      return Status::Error("cannot write '" + path + "': it is a directory");
    }
    if (!exists || S_ISREG(st.st_mode)) return OpenTemporary(exists ? &st : nullptr);
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd_ < 0) return CannotWrite(path, errno);
  }
  if (::isatty(fd_) == 1) terminal_.emplace();
  return {};
}

Status OutputTarget::OpenTemporary(const struct stat* old) {
  // Renaming over a file needs only the folder's permission; a file that was
  // made read-only must not be replaced all the same.
  if (old != nullptr && ::access(target_.c_str(), W_OK) != 0) return CannotWrite(path_, errno);
  // A short name of its own, so that a target whose name is near the
  // system's limit still gets one.
  std::string temp = target_.substr(0, target_.rfind('/') + 1) + ".tallix-XXXXXX";  // npos + 1 is 0
  fd_ = ::mkstemp(temp.data());
  if (fd_ < 0) return CannotReplace(path_, target_, errno);
  temp_ = std::move(temp);
  // Keep the owner, group and permissions of the file being replaced, as far
  // as this process may set them (the owner only as root, the group when the
  // user belongs to it); a new file gets the usual ones for the user's umask.
  // The mode comes after the owner: a change of owner clears setgid.
  mode_t mode = 0;
  if (old != nullptr) {
    if (::fchown(fd_, old->st_uid, old->st_gid) != 0) {
      [[maybe_unused]] const int group_only = ::fchown(fd_, static_cast<uid_t>(-1), old->st_gid);
    }
    mode = old->st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd_, mode) != 0) return CannotWrite(path_, errno);
  return {};
}

bool OutputTarget::Write(std::string_view bytes) {
  if (error_ != 0) return false;
  return terminal_ ? WriteOut(terminal_->Pass(bytes)) : WriteOut(bytes);
}

Status OutputTarget::Commit(const ReplaceCheck& check) {
  if (error_ == 0 && terminal_) WriteOut(terminal_->Rest());
  if (error_ != 0) return CannotWrite(path_, error_);
  if (!owned_) return {};
  if (!temp_.empty() && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
    return CannotWrite(path_, errno);
  }
  // A late write error can surface only at the close.
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) return CannotWrite(path_, errno);
  if (temp_.empty()) return {};
  if (check) {
    if (Status allowed = check(target_); !allowed.ok()) return allowed;
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return CannotReplace(path_, target_, errno);
  temp_.clear();
  return {};
}

}  // namespace

void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction now {};
    // A handler the program set stays; only the default, which ends the
    // process, gives way.
    if (::sigaction(SIGXFSZ, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) {
      ::signal(SIGXFSZ, SIG_IGN);
    }
  });
}

Status WriteOutputFile(const std::string& path, const std::function<void(ReportSink&)>& make,
                       const ReplaceCheck& check) {
  IgnoreFileSizeSignal();
  OutputTarget target;
  if (Status opened = target.Open(path); !opened.ok()) return opened;
  try {
    ReportSink sink([&target](std::string_view bytes) { return target.Write(bytes); });
    make(sink);
    sink.Finish();
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory("cannot write '" + path + "': not enough memory");
  }
  return target.Commit(check);
}

Status WriteWholeFile(const std::string& path, std::string_view contents) {
  return WriteOutputFile(path, [contents](ReportSink& sink) { sink.text().assign(contents); });
}

std::string TerminalText::Pass(std::string_view piece) {
  held_ += piece;
  const size_t end = held_.rfind('\n');
  if (end == std::string::npos) return {};
  std::string shown;
  size_t at = 0;
  for (size_t line_end; (line_end = held_.find_first_of("\r\n", at)) <= end; at = line_end + 1) {
    shown += VisibleText(std::string_view(held_).substr(at, line_end - at));
    shown += held_[line_end];
  }
  held_.erase(0, end + 1);
  return shown;
}

std::string TerminalText::Rest() {
  std::string rest = Pass("\n");
  rest.pop_back();
  return rest;
}

}  // namespace tallix
