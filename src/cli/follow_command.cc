#include "cli/follow_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ostream>
#include <vector>

#include "cli/report_command.h"
#include "engine/analysis/tally.h"
#include "engine/log/log_follower.h"
#include "engine/output/output_file.h"
#include "engine/reports/report_text.h"
#include "engine/util/usage_message.h"
#include "engine/util/visible_text.h"

namespace tallix {
namespace {

constexpr char kProgram[] = "tallix-report";
constexpr char kBeyondKeptLimit[] = "beyond kept limit";

// The log read at most at one look, and the rows held at most for a slow
// reader: past that the log waits, so memory stays bounded and a stop
// signal is seen between reads.
constexpr uint64_t kLookBytes = 1u << 20;
constexpr size_t kHeldRowBytes = 1u << 20;

// How long a row begun when a stop signal comes may take to be finished.
constexpr int kFinishRowMs = 500;

int Fail(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << VisibleText(message) << '\n';
  return kExitFailure;
}

void Warn(std::ostream& err, const std::string& message) {
  err << kProgram << ": warning: " << VisibleText(message) << '\n';
  err.flush();
}

// Holds SIGINT and SIGTERM back for as long as it lives, to be read from
// fd(); the mask is given back when it goes. Both are taken even when the
// process was started to ignore them: a shell script's background job
// ignores SIGINT, and `kill -INT` is still how such a script stops a follow.
class StopSignals {
 public:
  StopSignals() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    if (::sigprocmask(SIG_BLOCK, &set_, &old_) != 0) return;
    masked_ = true;
    fd_ = ::signalfd(-1, &set_, SFD_CLOEXEC | SFD_NONBLOCK);
  }
  ~StopSignals() {
    if (fd_ >= 0) ::close(fd_);
    if (masked_) ::sigprocmask(SIG_SETMASK, &old_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Readable once a stop signal has come; -1 when none can be waited for.
  int fd() const { return fd_; }

  // Takes the signals that came, so that they do not end the process once
  // unblocked.
  void Take() const {
    signalfd_siginfo taken;
    while (::read(fd_, &taken, sizeof taken) > 0) {
    }
  }

 private:
  sigset_t set_;
  sigset_t old_;
  bool masked_ = false;
  int fd_ = -1;
};

// The rows on their way to standard output. A descriptor that can block (a
// pipe, a terminal, a socket) is written without blocking: by a description
// of its own where the system gives one, so that the shell's is left as it
// is, else by setting its flag, put back at the end. An ordinary file is
// written as it is. Without a descriptor the rows go to the stream.
class RowOutput {
 public:
  RowOutput(int fd, std::ostream& out) : out_(out) {
    if (fd < 0) return;
    fd_ = fd;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) return;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (const int own = ::open(self.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        own >= 0) {
      fd_ = own;
      own_fd_ = true;
      return;
    }
    if (const int flags = ::fcntl(fd, F_GETFL);
        flags >= 0 && (flags & O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) {
      old_flags_ = flags;
    }
  }
  ~RowOutput() {
    if (own_fd_) ::close(fd_);
    if (old_flags_ >= 0) ::fcntl(fd_, F_SETFL, old_flags_);
  }
  RowOutput(const RowOutput&) = delete;
  RowOutput& operator=(const RowOutput&) = delete;

  int fd() const { return fd_; }
  bool waiting() const { return done_ < held_.size(); }
  bool full() const { return held_.size() - done_ >= kHeldRowBytes; }

  // Whole rows, written as far as the output takes them now. False when it
  // cannot be written.
  bool Add(const std::string& rows) {
    if (fd_ < 0) {
      out_ << rows;
      out_.flush();
      return static_cast<bool>(out_);
    }
    held_ += rows;
    return WriteSome();
  }

  bool WriteSome() {
    while (waiting()) {
      const ssize_t n = ::write(fd_, held_.data() + done_, NextWrite());
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        // A reader that never quite catches up must not make what was
        // written pile up before the rows still held.
        if (done_ >= kHeldRowBytes) {
          held_.erase(0, done_);
          done_ = 0;
        }
        return true;
      }
      done_ += static_cast<size_t>(n);
      mid_row_ = held_[done_ - 1] != '\n';
    }
    held_.clear();
    done_ = 0;
    return true;
  }

  // Whole rows of at most PIPE_BUF bytes together, which a pipe takes whole
  // or not at all, so that a reader that stops reading is left no part of a
  // row; a longer row on its own.
  size_t NextWrite() const {
    const size_t left = held_.size() - done_;
    if (left <= PIPE_BUF) return left;
    const size_t last = held_.rfind('\n', done_ + PIPE_BUF - 1);
    if (last != std::string::npos && last >= done_) return last + 1 - done_;
    const size_t end = held_.find('\n', done_);
    return (end == std::string::npos ? held_.size() : end + 1) - done_;
  }

  // On a stop: the row begun, if any, is finished if the reader takes it
  // within kFinishRowMs; the rows not begun are dropped.
  void FinishRow() {
    if (!mid_row_) return;
    const size_t end = held_.find('\n', done_);
    if (end == std::string::npos) return;
    held_.resize(end + 1);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFinishRowMs);
    for (;;) {
      if (!WriteSome() || !waiting()) return;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      pollfd wait{fd_, POLLOUT, 0};
      if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) return;
    }
  }

 private:
  std::ostream& out_;
  int fd_ = -1;
  bool own_fd_ = false;
  int old_flags_ = -1;
  std::string held_;
  size_t done_ = 0;
  bool mid_row_ = false;
};

}  // namespace

FollowRefusal RefuseToFollow(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return {};
  if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) {
    return {std::string("--follow cannot follow ") +
                (S_ISFIFO(st.st_mode) ? "the named pipe " : "the device ") + QuotedValue(path),
            true};
  }
  if (const Status followable = FollowableLog(path); followable.code() == Status::Code::kRefused) {
    return {followable.message()};
  }
  return {};
}

int FollowLastLog(const FollowRequest& request, bool terminal, std::ostream& out,
                  std::ostream& err) {
  const StopSignals stop;
  const std::string& path = request.path;
  LoadedLog& log = request.log;
  if (stop.fd() < 0) return Fail(err, "cannot follow '" + path + "': no signal can end it");
  FolderWatch watch;
  LogFollower follower;
  if (Status started = watch.Start(path); !started.ok()) return Fail(err, started.message());
  if (Status started = follower.Start(path, log.resume, request.config.RouterIdentifier);
      !started.ok()) {
    return Fail(err, started.message());
  }
  out.flush();
  RowOutput output(request.out_fd, out);
  FollowedLineKeeper keeper(log);
  bool warned = false;
  bool written = true;
  std::vector<int32_t> rows;
  auto on_lines = [&](std::span<const FollowedLine> lines) {
    rows.clear();
    std::string beyond;
    for (const FollowedLine& line : lines) {
      CallTime time;
      if (const int32_t r = keeper.Keep(line, &time); r >= 0) {
        rows.push_back(r);
        continue;
      }
      // Past the kept lines: still given its row.
      const CallFields fields = ReadCallFields(line.text);
      LineResult result;
      result.stamp = fields.stamp;
      result.number = fields.number;
      result.seconds = fields.seconds;
      result.seconds_read = fields.seconds_read;
      beyond += AuditCsvRow(path, line.line, result, kBeyondKeptLimit, time, request.tariffs);
    }
    std::string text;
    if (!rows.empty()) {
      // The kept lines come first: once the log is full, every line is past
      // it. One tally for the batch, over every line so far.
      const TallyResult tally =
          TallyCalls(log, request.config, request.selection, request.range, request.tariffs);
      text = AuditRowsText({log, request.config, tally, request.tariffs}, rows, AuditTextForm::kCsv,
                           true);
      text.erase(0, text.find('\n') + 1);  // the header, written with the audit
    }
    text += beyond;
    if (terminal) {
      // Whole rows: nothing is held back for the next batch.
      TerminalText shown;
      text = shown.Pass(text) + shown.Rest();
    }
    written = output.Add(text) && written;
    if (!beyond.empty() && !warned) {
      warned = true;
      Warn(err, KeptLimitWarning(std::nullopt, std::string("their rows say \"") + kBeyondKeptLimit +
                                                   "\" and they are not tallied"));
    }
  };

  // Lines may have come between the load and the start.
  bool look = true;
  for (;;) {
    if (look && !output.full()) {
      if (Status read = follower.Poll(on_lines, kLookBytes); !read.ok()) {
        return Fail(err, read.message());
      }
      look = follower.behind();
      for (const std::string& warning : follower.TakeWarnings()) Warn(err, warning);
    }
    if (!written || !output.WriteSome()) {
      return Fail(err, "cannot write the report to standard output");
    }
    // The log is looked at again only once the reader has taken most rows.
    pollfd waits[3] = {{stop.fd(), POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLOUT, 0}};
    if (!output.full()) waits[1].fd = watch.fd();
    if (output.waiting()) waits[2].fd = output.fd();
    if (::poll(waits, 3, look && !output.full() ? 0 : -1) < 0) {
      if (errno == EINTR) continue;
      return Fail(err, std::string("cannot wait for the log: ") + std::strerror(errno));
    }
    if (waits[0].revents != 0) {
      stop.Take();
      output.FinishRow();
      return kExitOk;
    }
    if (waits[1].revents != 0 && watch.TakeEvents()) look = true;
    if (const std::string lost = watch.TakeLostFolderWarning(); !lost.empty()) Warn(err, lost);
  }
}

}  // namespace tallix
