#include "engine/output/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::ReadFile;
using testing_util::TempDir;
using testing_util::WriteFile;

// Execute, setgid and sticky bits too: the mode is set after the owner,
// whose change would clear setgid.
TEST(WriteWholeFile, ReplacesAndKeepsPermissions) {
  for (const mode_t mode : {0640u, 0755u, 02750u, 01644u}) {
    TempDir dir;
    const std::string path = dir.Path("report.txt");
    WriteFile(path, "old contents that are longer");
    ASSERT_EQ(0, ::chmod(path.c_str(), mode));
    ASSERT_TRUE(WriteWholeFile(path, "new").ok());
    EXPECT_EQ("new", ReadFile(path));
    struct stat st {};
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(mode, st.st_mode & 07777) << std::oct << mode;
  }
}

// The output's name made a link to an input while the report was made: the
// rename would replace the input, and is refused. Nothing is left behind.
TEST(WriteOutputFile, ChecksWhatTheRenameReplaces) {
  TempDir dir;
  const std::string input = dir.Path("victim.log");
  const std::string output = dir.Path("out.txt");
  WriteFile(input, "the log");
  const auto not_the_input = [&](const std::string& replaced) {
    return std::filesystem::equivalent(replaced, input) ? Status::Error("refused") : Status();
  };
  const Status written = WriteOutputFile(
      output,
      [&](ReportSink& sink) {
        sink.text() = "report";
        std::filesystem::create_symlink(input, output);
      },
      not_the_input);
  EXPECT_EQ("refused", written.message());
  EXPECT_EQ("the log", ReadFile(input));
  EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()));
}

// Control characters reach a terminal as escapes, line ends and TAB as they
// are, whatever pieces the text comes in.
TEST(TerminalText, EscapesControlsButLineEnds) {
  const struct {
    std::vector<std::string> pieces;
    std::string shown;
  } rows[] = {
      {{"a\x1b]0;X\x07\tb\r\n"}, "a\\x1B]0;X\\x07\tb\r\n"},
      {{"one\r", "\ntw", "o\n", "three"}, "one\r\ntwo\nthree"},
      {{"c1 \xc2", "\x9b!\n"}, "c1 \\xC2\\x9B!\n"},
      {{"\xc3", "\xa9\n"}, "\xc3\xa9\n"},
  };
  for (const auto& row : rows) {
    TerminalText terminal;
    std::string shown;
    for (const std::string& piece : row.pieces) shown += terminal.Pass(piece);
    shown += terminal.Rest();
    EXPECT_EQ(row.shown, shown);
  }
}

// As the shell's ">": a link is followed, its target written and the link
// kept; a dangling link creates its target. The temporary name is short, so a
// name at the system's limit works; as root, a file of another user stays his.
TEST(WriteWholeFile, FollowsLinksAndKeepsTheOwner) {
  const std::string longest(255, 'a');
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link, where it points
    std::string target;                                      // holds "old" when `exists`
    bool exists;
  } rows[] = {
      {"absolute", {{"link", "@target"}}, "target", true},
      {"relative", {{"link", "target"}}, "target", true},
      {"chain", {{"link", "next"}, {"next", "sub/target"}}, "sub/target", true},
      {"dangling", {{"link", "target"}}, "target", false},
      {"dangling, into a folder", {{"link", "sub/target"}}, "sub/target", false},
      {"longest name", {{"link", longest}}, longest, true},
  };
  for (const auto& row : rows) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path("sub"));
    const std::string target = dir.Path(row.target);
    if (row.exists) WriteFile(target, "old");
    const bool other_owner =
        row.exists && ::geteuid() == 0 && ::chown(target.c_str(), 65534, 65534) == 0;
    for (const auto& [link, to] : row.links) {
      std::filesystem::create_symlink(to[0] == '@' ? dir.Path(to.substr(1)) : to, dir.Path(link));
    }
    ASSERT_TRUE(WriteWholeFile(dir.Path("link"), "new").ok()) << row.name;
    for (const auto& [link, to] : row.links) {
      EXPECT_TRUE(std::filesystem::is_symlink(dir.Path(link))) << row.name;
    }
    EXPECT_EQ("new", ReadFile(target)) << row.name;
    struct stat st {};
    ASSERT_EQ(0, ::stat(target.c_str(), &st));
    EXPECT_EQ(other_owner ? 65534u : ::geteuid(), st.st_uid) << row.name;
  }
}

TEST(WriteWholeFile, FailuresNameTheFileAndLeaveNothingBehind) {
  TempDir dir;
  WriteFile(dir.Path("plain"), "keep");
  std::filesystem::create_directory(dir.Path("folder"));
  const std::string cases[] = {dir.Path("plain/inside"), dir.Path("missing/out.txt"),
                               dir.Path("folder"), "/dev/full"};
  for (const std::string& path : cases) {
    const Status r = WriteWholeFile(path, std::string(100000, 'x'));
    EXPECT_FALSE(r.ok()) << path;
    EXPECT_NE(std::string::npos, r.message().find("'" + path + "'")) << r.message();
  }
  EXPECT_EQ("keep", ReadFile(dir.Path("plain")));
  EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()));
}

}  // namespace
}  // namespace tallix
