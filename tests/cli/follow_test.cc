// tallix-report --follow as a program: rows as lines are appended, across
// both kinds of rotation, ended by SIGTERM. Every wait is for output, under
// one time limit; nothing sleeps for a fixed time.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_util.h"

extern char** environ;

namespace tallix {
namespace {

using testing_util::TempDir;
using testing_util::WriteFile;
using Clock = std::chrono::steady_clock;

const std::string kExamples = TALLIX_EXAMPLES_DIR;

std::string CallLine(int second, const char* number, int seconds) {
  char line[128];
  std::snprintf(line, sizeof line,
                "Dec  7 10:00:%02d isdnrouter isdn: call from %s disconnected, lasted %d seconds\n",
                second, number, seconds);
  return line;
}

void Append(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::app | std::ios::binary) << text;
}

// The command's standard output, read as it comes.
class Follow {
 public:
  explicit Follow(const std::vector<std::string>& args) {
    int fds[2];
    EXPECT_EQ(0, ::pipe2(fds, O_CLOEXEC));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
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
    while (ReadMore()) {
    }
    *rest = buffer_;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

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
  WriteFile(log, "boot\n" + CallLine(1, "01234123456", 75));
  Follow follow({TALLIX_REPORT_EXE, "--config", kExamples + "/Tallix.cfg", "--year", "2026",
                 "--follow", log});
  const std::string head = "file,line,stamp,number,seconds,result,time\r\n";
  auto row = [&](int line, int second, const char* number, int seconds, const char* result) {
    const std::string ss = (second < 10 ? "0" : "") + std::to_string(second);
    return log + "," + std::to_string(line) + ",Dec  7 10:00:" + ss + "," + number + "," +
           std::to_string(seconds) + "," + result + ",2026-12-07T10:00:" + ss + "\r\n";
  };
  EXPECT_EQ((std::vector<std::string>{head, row(2, 1, "01234123456", 75, "Head Office")}),
            follow.Lines(2));

  // Appended, a line written in two pieces, and a line that is not kept.
  const std::string call = CallLine(2, "02079460123", 30);
  Append(log, "noise\n" + call.substr(0, 20));
  Append(log, call.substr(20) + CallLine(3, "09999999999", 5));
  EXPECT_EQ((std::vector<std::string>{row(4, 2, "02079460123", 30, "London Depot"),
                                      row(5, 3, "09999999999", 5, "unmatched")}),
            follow.Lines(2));

  // Renamed away: a line still written to the old file before the new one
  // appears is read, then the new file from its first line.
  const std::string old_log = dir.Path("router.log.1");
  std::filesystem::rename(log, old_log);
  Append(old_log, CallLine(4, "01234123456", 10));
  WriteFile(log, CallLine(5, "01132496017", 20));
  EXPECT_EQ((std::vector<std::string>{row(6, 4, "01234123456", 10, "Head Office"),
                                      row(1, 5, "01132496017", 20, "Leeds Branch")}),
            follow.Lines(2));
  Append(log, CallLine(6, "01234123457", 40));
  EXPECT_EQ(std::vector<std::string>{row(2, 6, "01234123457", 40, "Backup Line")}, follow.Lines(1));

  // Truncated in place: read again from its start.
  std::filesystem::resize_file(log, 0);
  Append(log, CallLine(7, "01234123456", 1));
  EXPECT_EQ(std::vector<std::string>{row(1, 7, "01234123456", 1, "Head Office")}, follow.Lines(1));

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

}  // namespace
}  // namespace tallix
