#pragma once
// tallix-report's progress line while a log loads: written to standard error
// only when that is a terminal (the caller decides) and only once the load has
// run for more than a second, so that quick runs and scripts see nothing new.
// The line is rewritten in place at most every tenth of a second and wiped
// when the load ends.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>

namespace tallix {

class LoadProgressLine {
 public:
  // `what` names the files; `seconds` tells the time since the load started.
  LoadProgressLine(std::ostream& err, std::string what, std::function<double()> seconds);

  // The loader's progress callback: `done` of `total` bytes read. Never
  // cancels. May be called from any thread.
  bool Report(uint64_t done, uint64_t total);

  // Wipes the line when one was written.
  void Finish();

 private:
  std::ostream& err_;
  std::string what_;
  std::function<double()> seconds_;
  std::mutex mutex_;
  double last_written_ = -1;
};

}  // namespace tallix
