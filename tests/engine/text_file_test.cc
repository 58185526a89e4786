#include "engine/util/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::TempDir;
using testing_util::WriteFile;

TEST(ReadWholeFile, RefusesWhatIsNotAnOrdinaryFileAndKeepsContents) {
  TempDir dir;
  WriteFile(dir.Path("big"), std::string(11, 'x'));
  ASSERT_EQ(0, ::mkfifo(dir.Path("pipe").c_str(), 0600));
  std::filesystem::create_directory(dir.Path("folder"));
  const std::string cases[] = {dir.Path("missing"), dir.Path("folder"), dir.Path("pipe"),
                               dir.Path("big")};
  for (const std::string& path : cases) {
    std::string contents = "unchanged";
    const Status r = ReadWholeFile(path, 10, contents);
    EXPECT_FALSE(r.ok()) << path;
    EXPECT_NE(std::string::npos, r.message().find("'" + path + "'")) << r.message();
    EXPECT_EQ("unchanged", contents);
  }
  std::string contents;
  WriteFile(dir.Path("ok"), std::string("a\0b", 3));
  ASSERT_TRUE(ReadWholeFile(dir.Path("ok"), 10, contents).ok());
  EXPECT_EQ(std::string("a\0b", 3), contents);
}

}  // namespace
}  // namespace tallix
