#pragma once
// Helpers for the fault injection tests: a snapshot of every file under a
// directory (to prove a failure changed nothing), a file-size limit that makes
// writes fail as on a full disk, and a way to run a permission case as an
// unprivileged user even when the tests run as root.

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace tallix::testing_util {

// Every entry under a directory: a regular file's path maps to its size and a
// hash of its bytes, any other entry to a mark of its kind ("<dir>", "<fifo>").
std::map<std::string, std::string> Snapshot(const std::string& dir);

// While alive, a file written by this process cannot grow beyond `bytes`:
// the write that would pass it fails with EFBIG, root or not (SIGXFSZ is
// ignored meanwhile).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  unsigned long old_soft_;
  void (*old_handler_)(int);
};

// Runs `body` as a user whom permission bits stop: directly when not root,
// otherwise in a child process that has switched to the user "nobody"; the
// paths it uses must be open to that user. Its text result comes back;
// nullopt when running as root and the switch is not allowed here.
// `body` must not use test assertions.
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body);

inline constexpr char kRootSkipReason[] =
    "running as root, whom permission bits do not stop, and switching to the user nobody "
    "is not allowed here";

}  // namespace tallix::testing_util
