// tallix-report run as a program, the way a shell runs it: redirections,
// pipes, a file size limit, a terminal. Each row gives the exit status, what
// standard error says, and every file of the folder afterwards, bytes and
// inode: a file not named is as it was.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/test_util.h"

namespace tallix {
namespace {

namespace fs = std::filesystem;
using testing_util::ReadFile;
using testing_util::TempDir;
using testing_util::WriteFile;

const std::string kExamples = TALLIX_EXAMPLES_DIR;
const std::string kDays = "Dec  5\r\nDec  6\r\nDec  7\r\nDec  8\r\n";

struct FileState {
  unsigned long long inode = 0;
  std::string bytes;  // "<fifo>" and the like for what is no ordinary file
  friend bool operator==(const FileState&, const FileState&) = default;
};

// Every entry of the folder, hidden ones (a temporary file left) included.
std::map<std::string, FileState> Files(const fs::path& dir) {
  std::map<std::string, FileState> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    struct stat st {};
    ::lstat(entry.path().c_str(), &st);
    FileState& state = files[entry.path().filename().string()];
    state.inode = st.st_ino;
    state.bytes = S_ISREG(st.st_mode) ? ReadFile(entry.path().string()) : "<not a file>";
  }
  return files;
}

struct Outcome {
  std::string file;
  std::string bytes;
  bool same_inode = true;  // false for a new or replaced file
};

struct Row {
  const char* what;
  std::string script;  // bash in the folder; $T is tallix-report
  int status;
  std::string message;  // found in standard error; empty: it is empty
  std::vector<Outcome> outcomes;
};

bool HasProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Escaped(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

TEST(OutputSafety, AsAShellRunsIt) {
  const std::string overflow_line =
      "Dec  7 10:00:01 isdnrouter isdn: call from 01234123456 disconnected, lasted 2000000000 "
      "seconds\n";
  std::string overflow_log;
  for (int i = 0; i < 13; ++i) overflow_log += overflow_line;
  const std::string config = ReadFile(kExamples + "/Tallix.cfg");
  const std::string twelve_times =
      " router.log router.log router.log router.log router.log"
      " router.log router.log router.log router.log router.log"
      " router.log router.log";

  std::vector<Row> rows = {
      {"--output /dev/stdout appends where >> points",
       "$T --output /dev/stdout router.log >> hist.txt",
       0,
       "",
       {{"hist.txt", "old\n" + kDays}}},
      {"--output /proc/self/fd/1 into a pipe",
       "$T --output /proc/self/fd/1 router.log | cat > piped.txt",
       0,
       "",
       {{"piped.txt", kDays, false}}},
      {"--output /dev/fd/1 on a file no longer named",
       "exec 3>gone.txt; rm gone.txt; $T --output /dev/fd/1 router.log >&3",
       0,
       "",
       {}},
      {"a named pipe is written as it is",
       "mkfifo fifo; cat fifo > from-fifo.txt & $T --output fifo router.log; s=$?; wait; exit $s",
       0,
       "",
       {{"fifo", "<not a file>", false}, {"from-fifo.txt", kDays, false}}},
      {"standard output appending to the log",
       "$T router.log >> router.log",
       1,
       "tallix-report: standard output is the log file '@/router.log'; nothing was written",
       {}},
      {"a file size limit",
       "ulimit -f 1; $T --format html --output report.txt router.log",
       1,
       "tallix-report: output file: cannot write 'report.txt': file too large",
       {}},
      {"lines that end with CR alone",
       "printf 'a\\rb\\r' > cr.log; $T cr.log > days.txt",
       0,
       "tallix-report: warning: '@/cr.log' has no line feeds; its lines end with CR alone\n",
       {{"cr.log", "a\rb\r", false}, {"days.txt", "", false}}},
      {"a warning per call, ten given",
       "$T --output report.txt overflow.log",
       3,
       "warning: and 2 more like it\n",
       {{"report.txt", "Dec  7\r\n", false}}},
      {"a file given twelve times, ten notes",
       "$T --format config --output report.txt" + twelve_times,
       0,
       "twice; its calls are counted twice\ntallix-report: warning: and 1 more like it\n",
       {{"report.txt", config, false}}},
  };
  if (HasProgram("script")) {
    rows.push_back({"a terminal sees escapes",
                    "script -qec 'stty -onlcr; $T --format csv escape.log' /dev/null > shown.txt",
                    0,
                    "",
                    {{"shown.txt",
                      "site,number,stamp,seconds\r\n"
                      "Head Office,01234123456,Dec  7 10:\\x1B]0;X,75\r\n",
                      false}}});
  }

  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    const std::string at = dir.path().string();
    fs::copy_file(kExamples + "/router.log", dir.Path("router.log"));
    fs::copy_file(kExamples + "/Tallix.cfg", dir.Path("Tallix.cfg"));
    WriteFile(dir.Path("hist.txt"), "old\n");
    WriteFile(dir.Path("report.txt"), "the report of last week");
    WriteFile(dir.Path("overflow.log"), overflow_log);
    WriteFile(dir.Path("escape.log"),
              "Dec  7 10:\x1b]0;X\x07 isdnrouter isdn: call from 01234123456 disconnected, "
              "lasted 75 seconds\n");
    std::map<std::string, FileState> expected = Files(dir.path());

    const std::string script = "cd " + Escaped(at) + " && export T=" + Escaped(TALLIX_REPORT_EXE) +
                               "' --config Tallix.cfg --format days' && " + row.script;
    const std::string err_path = at + ".err";
    const std::string command =
        "bash -o pipefail -c " + Escaped(script) + " 2> " + Escaped(err_path);
    const int status = std::system(command.c_str());
    const std::string err = ReadFile(err_path);
    fs::remove(err_path);
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(row.status, WEXITSTATUS(status)) << err;
    std::string message = row.message;
    if (const size_t slot = message.find('@'); slot != std::string::npos) {
      message.replace(slot, 1, at);
    }
    if (message.empty()) {
      EXPECT_EQ("", err);
    } else {
      EXPECT_NE(std::string::npos, err.find(message)) << err;
    }

    std::map<std::string, FileState> after = Files(dir.path());
    for (const Outcome& outcome : row.outcomes) {
      FileState& state = expected[outcome.file];
      state.bytes = outcome.bytes;
      if (outcome.same_inode || !after.contains(outcome.file)) continue;
      EXPECT_NE(state.inode, after[outcome.file].inode) << outcome.file;
      state.inode = after[outcome.file].inode;
    }
    for (const auto& [name, state] : after) {
      EXPECT_TRUE(expected.contains(name) && expected[name] == state) << name;
    }
    EXPECT_EQ(expected.size(), after.size());
  }
}

}  // namespace
}  // namespace tallix
