#pragma once
// The outcome of something that can fail: reading the configuration, loading
// a log, writing an output. A failed Status carries a code, for the caller
// to decide by, and one message for a person, which names the file and says
// what went wrong; an ok one carries nothing. No caller reads the message to
// decide anything.

#include <string>
#include <utility>

namespace tallix {

class Status {
 public:
  enum class Code {
    kOk,
    kCancelled,    // the caller asked for it to stop
    kNotFound,     // no such file
    kRefused,      // the input or the request is not acceptable as it is
    kOutOfMemory,  // memory ran out on the way
    kIoError,      // reading or writing failed
  };

  Status() = default;  // ok

  static Status Ok() { return Status(); }
  static Status Error(std::string message, Code code = Code::kIoError) {
    return Status(code, std::move(message));
  }
  static Status Cancelled(std::string message) {
    return Status(Code::kCancelled, std::move(message));
  }
  static Status NotFound(std::string message) {
    return Status(Code::kNotFound, std::move(message));
  }
  static Status Refused(std::string message) { return Status(Code::kRefused, std::move(message)); }
  static Status OutOfMemory(std::string message) {
    return Status(Code::kOutOfMemory, std::move(message));
  }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  bool cancelled() const { return code_ == Code::kCancelled; }
  // Empty when ok().
  const std::string& message() const { return message_; }

  // The same outcome with `context` before its message ("log file: ").
  Status Within(const std::string& context) const {
    return ok() ? *this : Status(code_, context + message_);
  }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace tallix
