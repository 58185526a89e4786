#pragma once
// The outcome of something that can fail: reading the configuration, loading
// a log, writing an output. A failed Status carries one message for a person,
// which names the file and says what went wrong; an ok one carries nothing.

#include <string>
#include <utility>

namespace tallix {

class Status {
 public:
  Status() = default;  // ok

  static Status Ok() { return Status(); }
  static Status Error(std::string message) { return Status(std::move(message)); }

  bool ok() const { return !failed_; }
  // Empty when ok().
  const std::string& message() const { return message_; }

 private:
  explicit Status(std::string message) : failed_(true), message_(std::move(message)) {}

  bool failed_ = false;
  std::string message_;
};

}  // namespace tallix
