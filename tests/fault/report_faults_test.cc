// tallix-report against every way its files can fail: a log that cannot be
// read, an output or configuration that cannot be written or read, a full
// disk, a short read. Each must end in one clear line naming the file, exit
// status 1, and leave every file in its folder as it was.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/report_command.h"
#include "support/command_runner.h"
#include "support/fault_util.h"
#include "support/test_util.h"

namespace tallix {
namespace {

namespace fs = std::filesystem;
using testing_util::CommandRun;
using testing_util::ReadFile;
using testing_util::RunReport;
using testing_util::RunUnprivileged;
using testing_util::Snapshot;
using testing_util::TempDir;
using testing_util::WriteFile;

const std::string kExamples = TALLIX_EXAMPLES_DIR;

CommandRun Exec(const std::vector<std::string>& args, const std::string& dir) {
  return RunReport(args, dir + "/bin", dir);
}

// A folder with the example log, its configuration, a plain file, a folder
// and an earlier report, open to every user so that a permission case can
// run as an unprivileged one.
class ReportFaultTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::permissions(dir_.path(), fs::perms::all);
    fs::copy_file(kExamples + "/router.log", Path("router.log"));
    fs::copy_file(kExamples + "/Tallix.cfg", Path("Tallix.cfg"));
    WriteFile(Path("plain"), "an ordinary file");
    fs::create_directory(Path("folder"));
    WriteFile(Path("report.txt"), "the report of last week");
  }

  std::string Path(const std::string& name) const { return dir_.Path(name); }

  // Runs the command, expects failure with a single line that holds
  // `message`, and that no file in the folder changed and none was added.
  void ExpectFailure(const std::string& what, const std::vector<std::string>& args,
                     const std::string& message) {
    SCOPED_TRACE(what);
    const auto before = Snapshot(dir_.path().string());
    const CommandRun run = Exec(args, dir_.path().string());
    EXPECT_EQ(kExitFailure, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(0u, run.err.find("tallix-report: ")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find(message)) << run.err;
    EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
    EXPECT_EQ(before, Snapshot(dir_.path().string()));
  }

  TempDir dir_;
};

TEST_F(ReportFaultTest, LogThatCannotBeRead) {
  // Pipes and devices are read as streams; a socket is no log.
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = Path("socket.log");
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(0, ::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address));
  const std::string cfg = Path("Tallix.cfg");
  const struct {
    const char* what;
    std::string log;
    std::string message;
  } cases[] = {
      {"missing", Path("missing.log"),
       "log file: cannot open '" + Path("missing.log") + "': No such file or directory"},
      {"a folder", Path("folder"),
       "log file: cannot read '" + Path("folder") + "': it is a directory"},
      {"below an ordinary file", Path("plain/router.log"),
       "log file: cannot open '" + Path("plain/router.log") + "': Not a directory"},
      {"a socket", socket_path, "log file: cannot read '" + socket_path + "': it is a socket"},
      {"relative and missing", "nothing/here.log",
       "log file: cannot open '" + Path("nothing/here.log") + "': No such file or directory"},
  };
  for (const auto& c : cases) ExpectFailure(c.what, {"--config", cfg, c.log}, c.message);
  ::close(sock);
}

// A file that says it holds more than it gives: sysfs files report a size of
// a page and return a short text.
TEST_F(ReportFaultTest, LogThatReadsShorterThanItsSize) {
  const std::string sys_file = "/sys/kernel/mm/transparent_hugepage/enabled";
  struct stat st {};
  if (::stat(sys_file.c_str(), &st) != 0 || st.st_size != 4096) {
    GTEST_SKIP() << "no sysfs file here that reports more bytes than it holds";
  }
  ExpectFailure("short read", {"--config", Path("Tallix.cfg"), sys_file},
                "log file: cannot read '" + sys_file + "': it became shorter while it was read");
}

TEST_F(ReportFaultTest, LogLargerThanItsSizeFieldCanHold) {
  {
    // Sparse: takes no room on disk.
    std::ofstream big(Path("huge.log"), std::ios::binary);
  }
  fs::resize_file(Path("huge.log"), 2147483648ULL);
  ExpectFailure("2 GiB", {"--config", Path("Tallix.cfg"), Path("huge.log")},
                "log file: cannot read '" + Path("huge.log") +
                    "': it is 2147483648 bytes long, more than the 2147483647 bytes that can be "
                    "loaded");
}

TEST_F(ReportFaultTest, OutputThatCannotBeWritten) {
  const std::string cfg = Path("Tallix.cfg");
  const struct {
    const char* what;
    std::string output;
    std::string message;
  } cases[] = {
      {"in a missing folder", Path("missing/out.txt"),
       "output file: cannot write '" + Path("missing/out.txt") + "': No such file or directory"},
      {"below an ordinary file", Path("plain/out.txt"),
       "output file: cannot write '" + Path("plain/out.txt") + "': Not a directory"},
      {"a folder", Path("folder"),
       "output file: cannot write '" + Path("folder") + "': it is a directory"},
      {"a full disk", "/dev/full",
       "output file: cannot write '/dev/full': No space left on device"},
  };
  for (const auto& c : cases) {
    ExpectFailure(c.what, {"--config", cfg, "--output", c.output, "router.log"}, c.message);
  }
}

// The disk fills up while an earlier report is being replaced: the earlier
// report stays whole and no half-written file is left beside it.
TEST_F(ReportFaultTest, DiskFullWhileReplacingAReport) {
  const std::vector<std::string> args = {"--config", Path("Tallix.cfg"), "--output",
                                         Path("report.txt"), "router.log"};
  testing_util::FileSizeLimit limit(1000);
  ExpectFailure("file size limit", args,
                "output file: cannot write '" + Path("report.txt") + "': file too large");
}

TEST_F(ReportFaultTest, ConfigurationThatCannotBeRead) {
  const struct {
    const char* what;
    std::string config;
    std::string message;
  } cases[] = {
      {"missing", Path("missing.cfg"), "cannot read '" + Path("missing.cfg") + "'"},
      {"a folder", Path("folder"), "cannot read '" + Path("folder") + "': no such ordinary file"},
      {"below an ordinary file", Path("plain/Tallix.cfg"),
       "cannot read '" + Path("plain/Tallix.cfg") + "': no such ordinary file"},
      {"a device", "/dev/null", "cannot read '/dev/null': no such ordinary file"},
  };
  for (const auto& c : cases) {
    ExpectFailure(c.what, {"--config", c.config, "router.log"}, "configuration file: " + c.message);
  }
}

// Beside the program, a folder in the place of the configuration file counts
// as no file: the built-in site is used and nothing is created.
TEST_F(ReportFaultTest, FolderBesideTheProgramCountsAsNoConfiguration) {
  fs::create_directories(Path("bin/Tallix.cfg"));
  const auto before = Snapshot(dir_.path().string());
  const CommandRun run = Exec({"--format", "config", "router.log"}, dir_.path().string());
  EXPECT_EQ(kExitOk, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("\"Site\",0,\"site1\",\"01234123456\"\r\n"));
  EXPECT_EQ(before, Snapshot(dir_.path().string()));
}

// Permission bits: run as an unprivileged user, since CI runs as root.
class ReportPermissionTest : public ReportFaultTest {
 protected:
  // The command's status and messages as the unprivileged user sees them.
  void ExpectRefused(const std::string& what, const std::vector<std::string>& args,
                     const std::string& message) {
    SCOPED_TRACE(what);
    const auto before = Snapshot(dir_.path().string());
    const std::string dir = dir_.path().string();
    const auto result = RunUnprivileged([&] {
      const CommandRun run = Exec(args, dir);
      return std::to_string(run.status) + "\n" + run.out + run.err;
    });
    if (!result) GTEST_SKIP() << testing_util::kRootSkipReason;
    EXPECT_EQ("1\ntallix-report: " + message + "\n", *result);
    EXPECT_EQ(before, Snapshot(dir));
  }
};

// Each row takes one permission away, runs, and gives it back.
TEST_F(ReportPermissionTest, RefusedWhereTheUserHasNoPermission) {
  fs::create_directory(Path("locked"));
  // Another's file that anyone may write, in a sticky folder: written, yes;
  // replaced, no.
  fs::create_directory(Path("sticky"));
  WriteFile(Path("sticky/out.txt"), "another's");
  ASSERT_EQ(0, ::chmod(Path("sticky/out.txt").c_str(), 0666));
  const std::string cfg = Path("Tallix.cfg");
  const struct {
    const char* what;
    std::string locked;
    mode_t mode;
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {"log without read permission",
       Path("router.log"),
       0,
       {"--config", cfg, "router.log"},
       "log file: cannot open '" + Path("router.log") + "': Permission denied"},
      {"configuration without read permission",
       cfg,
       0,
       {"--config", cfg, "router.log"},
       "configuration file: cannot open '" + cfg + "': Permission denied"},
      {"read-only folder",
       Path("locked"),
       0555,
       {"--config", cfg, "--output", Path("locked/out.txt"), "router.log"},
       "output file: cannot write '" + Path("locked/out.txt") + "': the folder '" + Path("locked") +
           "' does not allow its temporary file (Permission denied)"},
      {"sticky folder, another's file",
       Path("sticky"),
       01777,
       {"--config", cfg, "--output", Path("sticky/out.txt"), "router.log"},
       "output file: cannot write '" + Path("sticky/out.txt") + "': the folder '" + Path("sticky") +
           "' does not allow its temporary file (Operation not permitted)"},
      // A report the user made read-only is not replaced behind their back,
      // though the folder would allow a new file in its place.
      {"read-only report",
       Path("report.txt"),
       0444,
       {"--config", cfg, "--output", Path("report.txt"), "router.log"},
       "output file: cannot write '" + Path("report.txt") + "': Permission denied"},
  };
  for (const auto& c : cases) {
    struct stat st {};
    ASSERT_EQ(0, ::stat(c.locked.c_str(), &st));
    ASSERT_EQ(0, ::chmod(c.locked.c_str(), c.mode));
    ExpectRefused(c.what, c.args, c.message);
    ASSERT_EQ(0, ::chmod(c.locked.c_str(), st.st_mode & 07777));
    if (IsSkipped()) return;
  }
}

// The program itself, with its standard output on a full disk or closed.
TEST(ReportStandardOutput, FullOrClosedIsAFailure) {
  const std::string exe = TALLIX_REPORT_EXE;
  TempDir dir;
  const std::string err = dir.Path("err.txt");
  const std::string run = "'" + exe + "' --config '" + kExamples + "/Tallix.cfg' '" + kExamples +
                          "/router.log' 2>'" + err + "'";
  for (const std::string& redirect : {std::string(" >/dev/full"), std::string(" >&-")}) {
    SCOPED_TRACE(redirect);
    const int status = std::system((run + redirect).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(1, WEXITSTATUS(status));
    EXPECT_EQ("tallix-report: cannot write the report to standard output\n", ReadFile(err));
  }
}

}  // namespace
}  // namespace tallix
