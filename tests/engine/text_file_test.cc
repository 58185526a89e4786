#include "engine/util/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

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
  ASSERT_TRUE(WriteWholeFile(path, "new").ok);
  EXPECT_EQ("new", ReadFile(path));
  struct stat st {};
  ASSERT_EQ(0, ::stat(path.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777);
}

TEST(WriteWholeFile, FollowsALinkToItsTarget) {
  TempDir dir;
  WriteFile(dir.Path("target"), "old");
  std::filesystem::create_symlink(dir.Path("target"), dir.Path("link"));
  ASSERT_TRUE(WriteWholeFile(dir.Path("link"), "new").ok);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("link")));
  EXPECT_EQ("new", ReadFile(dir.Path("target")));
}

TEST(WriteWholeFile, FailuresNameTheFileAndLeaveNothingBehind) {
  TempDir dir;
  WriteFile(dir.Path("plain"), "keep");
  std::filesystem::create_directory(dir.Path("folder"));
  const std::string cases[] = {dir.Path("plain/inside"), dir.Path("missing/out.txt"),
                               dir.Path("folder"), "/dev/full"};
  for (const std::string& path : cases) {
    const FileResult r = WriteWholeFile(path, std::string(100000, 'x'));
    EXPECT_FALSE(r.ok) << path;
    EXPECT_NE(std::string::npos, r.error.find("'" + path + "'")) << r.error;
  }
  EXPECT_EQ("keep", ReadFile(dir.Path("plain")));
  EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()));
}

TEST(ReadWholeFile, RefusesWhatIsNotAnOrdinaryFileAndKeepsContents) {
  TempDir dir;
  WriteFile(dir.Path("big"), std::string(11, 'x'));
  ASSERT_EQ(0, ::mkfifo(dir.Path("pipe").c_str(), 0600));
  std::filesystem::create_directory(dir.Path("folder"));
  const std::string cases[] = {dir.Path("missing"), dir.Path("folder"), dir.Path("pipe"),
                               dir.Path("big")};
  for (const std::string& path : cases) {
    std::string contents = "unchanged";
    const FileResult r = ReadWholeFile(path, 10, contents);
    EXPECT_FALSE(r.ok) << path;
    EXPECT_NE(std::string::npos, r.error.find("'" + path + "'")) << r.error;
    EXPECT_EQ("unchanged", contents);
  }
  std::string contents;
  WriteFile(dir.Path("ok"), std::string("a\0b", 3));
  ASSERT_TRUE(ReadWholeFile(dir.Path("ok"), 10, contents).ok);
  EXPECT_EQ(std::string("a\0b", 3), contents);
}

}  // namespace
}  // namespace tallix
