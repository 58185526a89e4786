#include "support/fault_util.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/test_util.h"

namespace tallix::testing_util {

namespace fs = std::filesystem;

namespace {

// A file's size and a hash of its bytes; a file too large to read quickly
// (a sparse test file) by its size and modification time.
std::string Fingerprint(const std::string& path) {
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (size > (16u << 20)) {
    const auto stamp = fs::last_write_time(path, ec).time_since_epoch().count();
    return std::to_string(size) + " bytes, written at " + std::to_string(stamp);
  }
  uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const char c : ReadFile(path)) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  }
  return std::to_string(size) + " bytes, hash " + std::to_string(hash);
}

}  // namespace

std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> entries;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::none, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::file_status status = it->symlink_status();
    std::string& entry = entries[it->path().string()];
    if (fs::is_regular_file(status)) {
      entry = Fingerprint(it->path().string());
    } else if (fs::is_directory(status)) {
      entry = "<dir>";
    } else if (fs::is_fifo(status)) {
      entry = "<fifo>";
    } else if (fs::is_symlink(status)) {
      entry = "<link>";
    } else {
      entry = "<other>";
    }
  }
  return entries;
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
  old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  old_soft_ = limit.rlim_cur;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = old_soft_;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::signal(SIGXFSZ, old_handler_);
}

namespace {
constexpr uid_t kNobody = 65534;
constexpr int kCannotSwitch = 77;
}  // namespace

std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body) {
  if (::geteuid() != 0) return body();
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      _exit(kCannotSwitch);
    }
    const std::string result = body();
    size_t done = 0;
    while (done < result.size()) {
      const ssize_t n = ::write(pipe_fds[1], result.data() + done, result.size() - done);
      if (n <= 0) _exit(1);
      done += static_cast<size_t>(n);
    }
    _exit(0);
  }
  ::close(pipe_fds[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
    result.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotSwitch) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "<the unprivileged run failed>";
  return result;
}

}  // namespace tallix::testing_util
