// tallix-report --follow as a program: rows as lines are appended, across
// both kinds of rotation, ended by SIGTERM. Every wait is for output, under
// one time limit; nothing sleeps for a fixed time.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/command_runner.h"
#include "support/test_util.h"

extern char** environ;

namespace tallix {
namespace {

using testing_util::RunReport;
using testing_util::TempDir;
using testing_util::WriteFile;
using Clock = std::chrono::steady_clock;

const std::string kExamples = TALLIX_EXAMPLES_DIR;

std::string CallLine(int second, const char* number = "01234123456", int seconds = 75) {
  char line[128];
  std::snprintf(line, sizeof line,
                "Dec  7 10:00:%02d isdnrouter isdn: call from %s disconnected, lasted %d seconds\n",
                second, number, seconds);
  return line;
}

// The audit row of the line CallLine(second, number, seconds) at `line` of `log`.
std::string Row(const std::string& log, int line, int second, const char* number = "01234123456",
                int seconds = 75, const char* result = "Head Office") {
  const std::string ss = (second < 10 ? "0" : "") + std::to_string(second);
  return log + "," + std::to_string(line) + ",Dec  7 10:00:" + ss + "," + number + "," +
         std::to_string(seconds) + "," + result + ",2026-12-07T10:00:" + ss + "\r\n";
}

void Append(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::app | std::ios::binary) << text;
}

// The command's standard output, read as it comes.
class Follow {
 public:
  // Standard error is read with the output when `with_errors`; `pipe_bytes`,
  // when given, is the room of the output's pipe.
  explicit Follow(const std::vector<std::string>& args, bool with_errors = false,
                  int pipe_bytes = 0) {
    int fds[2];
    EXPECT_EQ(0, ::pipe2(fds, O_CLOEXEC));
    if (pipe_bytes > 0) {
      EXPECT_EQ(pipe_bytes, ::fcntl(fds[1], F_SETPIPE_SZ, pipe_bytes));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (with_errors) posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    EXPECT_EQ(0, ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ));
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~Follow() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }

  // The next `count` lines of output, or fewer when the time limit ends first.
  std::vector<std::string> Lines(size_t count) {
    std::vector<std::string> lines;
    while (lines.size() < count) {
      const size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        lines.push_back(buffer_.substr(0, end + 1));
        buffer_.erase(0, end + 1);
        continue;
      }
      if (!ReadMore()) break;
    }
    return lines;
  }

  // Ends it with `signal`; its exit status and what it wrote after the rows read.
  int Stop(int signal, std::string* rest) {
    ::kill(pid_, signal);
    *rest = Rest();
    return Ended();
  }

  // What is left to read, up to the end of the output.
  std::string Rest() {
    while (ReadMore()) {
    }
    return buffer_;
  }

  // Its exit status (128 + the signal that ended it) once it has ended, its
  // output left unread; -1 when the time limit ends first.
  int Ended() {
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    pollfd wait{ended, POLLIN, 0};
    const bool done = ::poll(&wait, 1, static_cast<int>(left.count())) == 1;
    ::close(ended);
    int status = 0;
    if (!done || ::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  int out() const { return out_; }
  pid_t pid() const { return pid_; }

 private:
  bool ReadMore() {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    pollfd wait{out_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) return false;
    char block[4096];
    const ssize_t n = ::read(out_, block, sizeof block);
    if (n <= 0) return false;
    buffer_.append(block, static_cast<size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
  const Clock::time_point deadline_ = Clock::now() + std::chrono::seconds(60);
};

TEST(ReportFollow, AppendsRotationsAndSignal) {
  TempDir dir;
  const std::string log = dir.Path("router.log");
  WriteFile(log, "boot\n" + CallLine(1));
  Follow follow({TALLIX_REPORT_EXE, "--config", kExamples + "/Tallix.cfg", "--year", "2026",
                 "--follow", log});
  const std::string head = "file,line,stamp,number,seconds,result,time\r\n";
  EXPECT_EQ((std::vector<std::string>{head, Row(log, 2, 1)}), follow.Lines(2));

  // Appended, a line written in two pieces, and a line that is not kept.
  const std::string call = CallLine(2, "02079460123", 30);
  Append(log, "noise\n" + call.substr(0, 20));
  Append(log, call.substr(20) + CallLine(3, "09999999999", 5));
  EXPECT_EQ((std::vector<std::string>{Row(log, 4, 2, "02079460123", 30, "London Depot"),
                                      Row(log, 5, 3, "09999999999", 5, "unmatched")}),
            follow.Lines(2));

  // Renamed away: a line still written to the old file before the new one
  // appears is read, then the new file from its first line.
  const std::string old_log = dir.Path("router.log.1");
  std::filesystem::rename(log, old_log);
  Append(old_log, CallLine(4, "01234123456", 10));
  WriteFile(log, CallLine(5, "01132496017", 20));
  EXPECT_EQ((std::vector<std::string>{Row(log, 6, 4, "01234123456", 10),
                                      Row(log, 1, 5, "01132496017", 20, "Leeds Branch")}),
            follow.Lines(2));
  Append(log, CallLine(6, "01234123457", 40));
  EXPECT_EQ(std::vector<std::string>{Row(log, 2, 6, "01234123457", 40, "Backup Line")},
            follow.Lines(1));

  // Truncated in place: read again from its start.
  std::filesystem::resize_file(log, 0);
  Append(log, CallLine(7, "01234123456", 1));
  EXPECT_EQ(std::vector<std::string>{Row(log, 1, 7, "01234123456", 1)}, follow.Lines(1));

  // An RFC 3339 line keeps the year and offset it gave.
  Append(log,
         "2024-03-05T10:11:12.5+02:00 isdnrouter isdn: call from 02079460123 "
         "disconnected, lasted 30 seconds\n");
  EXPECT_EQ(std::vector<std::string>{log + ",2,Mar  5 10:11:12,02079460123,30,London Depot,"
                                           "2024-03-05T10:11:12+02:00\r\n"},
            follow.Lines(1));

  std::string rest;
  EXPECT_EQ(0, follow.Stop(SIGTERM, &rest));
  EXPECT_EQ("", rest);
}

// A symbolic link leads to the file followed, in another folder, and is
// pointed at the next one; that folder is removed and made again.
TEST(ReportFollow, LinksAndFoldersThatGo) {
  TempDir dir;
  const std::string real = dir.Path("real");
  const std::string link = dir.Path("links/log");
  std::filesystem::create_directories(real);
  std::filesystem::create_directories(dir.Path("links"));
  WriteFile(real + "/log", CallLine(1));
  std::filesystem::create_symlink("../real/log", link);
  // Started as a script's background job is, ignoring SIGINT: it still
  // stops at SIGINT once it follows.
  struct sigaction ignore = {};
  struct sigaction old = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(0, ::sigaction(SIGINT, &ignore, &old));
  Follow follow({TALLIX_REPORT_EXE, "--config", kExamples + "/Tallix.cfg", "--year", "2026",
                 "--follow", link},
                true);
  ::sigaction(SIGINT, &old, nullptr);
  EXPECT_EQ(2u, follow.Lines(2).size());
  Append(real + "/log", CallLine(2));
  EXPECT_EQ(std::vector<std::string>{Row(link, 2, 2)}, follow.Lines(1));

  WriteFile(real + "/next", CallLine(3));
  std::filesystem::create_symlink("../real/next", dir.Path("links/new"));
  std::filesystem::rename(dir.Path("links/new"), link);
  EXPECT_EQ(std::vector<std::string>{Row(link, 1, 3)}, follow.Lines(1));

  // Told once, before or after the new file's row.
  std::filesystem::remove_all(real);
  std::filesystem::create_directories(real);
  WriteFile(real + "/next", CallLine(4));
  std::vector<std::string> lines = follow.Lines(2);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ((std::vector<std::string>{
                Row(link, 1, 4), "tallix-report: warning: the folder '" +
                                     dir.Path("links/../real") + "' was removed or renamed; '" +
                                     link + "' is followed again when it is back\n"}),
            lines);
  std::string rest;
  EXPECT_EQ(0, follow.Stop(SIGINT, &rest));
  EXPECT_EQ("", rest);
}

TEST(ReportFollow, StopSignals) {
  TempDir dir;
  const std::string log = dir.Path("router.log");
  WriteFile(log, CallLine(1));
  const std::string config = kExamples + "/Tallix.cfg";
  // Loading a named pipe that nothing writes to: ended as usual.
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  Follow loading({TALLIX_REPORT_EXE, "--config", config, "--follow", fifo, log});
  const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);  // once it reads
  ::kill(loading.pid(), SIGINT);
  EXPECT_EQ(128 + SIGINT, loading.Ended());
  ::close(writer);

  // Following into a pipe that fills and is not read: SIGTERM ends it, and
  // what it wrote is whole rows.
  Follow follow({TALLIX_REPORT_EXE, "--config", config, "--year", "2026", "--follow", log}, false,
                4096);
  ASSERT_EQ(2u, follow.Lines(2).size());  // the audit
  Append(log, CallLine(2));
  ASSERT_EQ(std::vector<std::string>{Row(log, 2, 2)}, follow.Lines(1));  // following now
  std::string expected;
  for (int line = 3; line <= 100; ++line) {
    Append(log, CallLine(line % 60));
    expected += Row(log, line, line % 60);
  }
  pollfd rows{follow.out(), POLLIN, 0};
  ASSERT_EQ(1, ::poll(&rows, 1, 60000));
  ::kill(follow.pid(), SIGTERM);
  EXPECT_EQ(0, follow.Ended());
  const std::string written = follow.Rest();
  EXPECT_EQ(expected.substr(0, written.size()), written);
  EXPECT_TRUE(written.ends_with('\n'));
}

// What cannot be followed is refused before anything is loaded.
TEST(ReportFollow, Refused) {
  TempDir dir;
  WriteFile(dir.Path("log.gz"), std::string("\x1f\x8b\x08\x00\x00\x00", 6));
  ASSERT_EQ(0, ::mkfifo(dir.Path("fifo").c_str(), 0600));
  const std::string usage = "'\nTry 'tallix-report --help'.\n";
  const struct {
    std::string log;
    int status;
    std::string err;
  } cases[] = {
      {"log.gz", 1,
       "tallix-report: cannot follow '" + dir.Path("log.gz") +
           "': it is gzip-compressed; follow the plain file the router writes\n"},
      {"fifo", 2,
       "tallix-report: --follow cannot follow the named pipe '" + dir.Path("fifo") + usage},
      {"/dev/null", 2, "tallix-report: --follow cannot follow the device '/dev/null" + usage},
  };
  for (const auto& c : cases) {
    const testing_util::CommandRun run = RunReport(
        {"--config", kExamples + "/Tallix.cfg", "--follow", c.log}, dir.Path(""), dir.Path(""));
    EXPECT_EQ(c.status, run.status) << c.log;
    EXPECT_EQ(c.err, run.err) << c.log;
  }
}

}  // namespace
}  // namespace tallix
