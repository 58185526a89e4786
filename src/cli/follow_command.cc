#include "cli/follow_command.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <vector>

#include "engine/analysis/tally.h"
#include "engine/log/log_follower.h"
#include "engine/output/output_file.h"
#include "engine/reports/report_text.h"
#include "engine/util/visible_text.h"

namespace tallix {
namespace {

constexpr char kBeyondKeptLimit[] = "beyond kept limit";

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

int Fail(std::ostream& err, const std::string& message) {
  err << "tallix-report: " << VisibleText(message) << '\n';
  return 1;
}

}  // namespace

StopSignals::StopSignals() {
  static_assert(sizeof old_mask_ >= sizeof(sigset_t));
  const sigset_t set = StopSet();
  sigset_t old;
  if (::sigprocmask(SIG_BLOCK, &set, &old) != 0) return;
  std::memcpy(old_mask_, &old, sizeof old);
  masked_ = true;
  fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

StopSignals::~StopSignals() {
  if (fd_ >= 0) ::close(fd_);
  if (masked_) {
    sigset_t old;
    std::memcpy(&old, old_mask_, sizeof old);
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
  }
}

int FollowLastLog(const FollowRequest& request, const StopSignals& stop, bool terminal,
                  std::ostream& out, std::ostream& err) {
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
  FollowedLineKeeper keeper(log);
  bool warned = false;
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
    out << text;
    out.flush();
    if (!beyond.empty() && !warned) {
      warned = true;
      err << "tallix-report: warning: "
          << KeptLimitWarning(std::nullopt, std::string("their rows say \"") + kBeyondKeptLimit +
                                                "\" and they are not tallied")
          << '\n';
      err.flush();
    }
  };

  const auto read_new = [&]() -> int {
    if (Status read = follower.Poll(on_lines); !read.ok()) return Fail(err, read.message());
    if (!out) return Fail(err, "cannot write the report to standard output");
    return 0;
  };
  // Lines may have come between the load and the start.
  if (const int failed = read_new(); failed != 0) return failed;
  pollfd waits[2] = {{watch.fd(), POLLIN, 0}, {stop.fd(), POLLIN, 0}};
  for (;;) {
    if (::poll(waits, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return Fail(err, std::string("cannot wait for the log: ") + std::strerror(errno));
    }
    if (waits[1].revents != 0) {
      // Taken here, the signal does not end the process once unblocked.
      signalfd_siginfo taken;
      while (::read(stop.fd(), &taken, sizeof taken) > 0) {
      }
      break;
    }
    if (!watch.TakeEvents()) continue;
    if (const int failed = read_new(); failed != 0) return failed;
  }
  out.flush();
  return 0;
}

}  // namespace tallix
