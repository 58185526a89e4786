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

TEST(WriteWholeFile, ReplacesAndKeepsPermissions) {
  TempDir dir;
  const std::string path = dir.Path("report.txt");
  WriteFile(path, "old contents that are longer");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteWholeFile(path, "new").ok());
  EXPECT_EQ("new", ReadFile(path));
  struct stat st {};
  ASSERT_EQ(0, ::stat(path.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777);
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
