// The installed tallix-report run as a program: its exit status, and each
// kind of input it reads.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::ReadFile;
using testing_util::TempDir;
using testing_util::WriteFile;

const std::string kExamples = TALLIX_EXAMPLES_DIR;

// The installed program finds its configuration beside itself and exits with
// the status the in-process runs promise.
TEST(ReportCommandBinary, RunsAsAProgram) {
  const std::string exe = TALLIX_REPORT_EXE;
  TempDir dir;
  const std::string out = dir.Path("out.txt");
  const std::string cmd = "'" + exe + "' --config '" + kExamples + "/Tallix.cfg' --format days '" +
                          kExamples + "/router.log' > '" + out + "'";
  EXPECT_EQ(0, std::system(cmd.c_str()));
  EXPECT_EQ("Dec  5\r\nDec  6\r\nDec  7\r\nDec  8\r\n", ReadFile(out));
  const std::string bad = "'" + exe + "' --format nope x 2>/dev/null";
  const int status = std::system(bad.c_str());
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(2, WEXITSTATUS(status));
}

// The program itself reads each kind of input: the same bytes from a file,
// standard input or a named pipe, plain or compressed, give the same report
// but for the name; a device is read as a stream; a folder is refused.
TEST(ReportCommandBinary, EveryInputKind) {
  const std::string exe = TALLIX_REPORT_EXE;
  TempDir dir;
  const std::string log = dir.Path("router.log");
  WriteFile(log, ReadFile(kExamples + "/router.log"));
  WriteFile(dir.Path("empty.log"), "");
  ASSERT_EQ(0, std::system(("gzip -c '" + log + "' > '" + log + ".gz'").c_str()));
  ASSERT_EQ(0, ::mkfifo(dir.Path("pipe").c_str(), 0600));
  const struct {
    const char* kind;
    std::string input;   // shell words after the options
    std::string feeder;  // a shell command run beside, if any
    std::string name;    // as the output names it
    std::string same_as;
    int status;
    const char* err;
  } rows[] = {
      {"file", "'" + log + "'", "", log, log, 0, ""},
      {"stdin", "- < '" + log + "'", "", "-", log, 0, ""},
      {"gzip stdin", "- < '" + log + ".gz'", "", "-", log, 0, ""},
      {"pipe", "'" + dir.Path("pipe") + "'", "cat '" + log + ".gz' > '" + dir.Path("pipe") + "'",
       dir.Path("pipe"), log, 0, ""},
      {"device", "/dev/null", "", "/dev/null", dir.Path("empty.log"), 0, "holds no line"},
      {"folder", "'" + dir.Path("") + "'", "", "", "", 1, "it is a directory"},
  };
  const std::string config = kExamples + "/Tallix.cfg";
  auto run = [&](const std::string& format, const std::string& input, const std::string& feeder,
                 int* status, std::string* err) {
    const std::string cmd = (feeder.empty() ? "" : feeder + " & ") + "'" + exe + "' --config '" +
                            config + "' --format " + format + " " + input + " > '" +
                            dir.Path("out") + "' 2> '" + dir.Path("err") + "'; s=$?; wait; exit $s";
    const int raw = std::system(cmd.c_str());
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    *err = ReadFile(dir.Path("err"));
    return ReadFile(dir.Path("out"));
  };
  for (const auto& row : rows) {
    for (const char* format : {"audit", "json"}) {
      int status = 0;
      std::string err;
      std::string out = run(format, row.input, row.feeder, &status, &err);
      EXPECT_EQ(row.status, status) << row.kind << ": " << err;
      EXPECT_NE(std::string::npos, err.find(row.err)) << row.kind << ": " << err;
      if (row.status != 0) continue;
      int file_status = 0;
      std::string file_err;
      std::string expected = run(format, "'" + row.same_as + "'", "", &file_status, &file_err);
      for (size_t at = 0; (at = expected.find(row.same_as, at)) != std::string::npos;) {
        expected.replace(at, row.same_as.size(), row.name);
        at += row.name.size();
      }
      EXPECT_EQ(expected, out) << row.kind << " " << format;
    }
  }
}

}  // namespace
}  // namespace tallix
