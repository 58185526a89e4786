#include "engine/config/config_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_util.h"

namespace tallix {
namespace {

// Places in the rows, by letter: u = Ann's per-user file under HOME, x = the
// one under XDG_CONFIG_HOME, b = the one beside the program.
std::string Place(char code, const std::string& program_dir) {
  switch (code) {
    case 'u':
      return "/home/ann/.config/Tallix/Tallix.cfg";
    case 'x':
      return "/srv/ann-config/Tallix/Tallix.cfg";
    default:
      return program_dir + "/Tallix.cfg";
  }
}

struct LocationCase {
  const char* name;
  const char* xdg_config_home;  // nullptr: unset
  const char* home;             // nullptr: unset
  const char* program_dir;
  const char* existing;  // places where an ordinary file is
  const char* writable;  // places that can be replaced or created
  char read;
  char write;
};

constexpr char kOwn[] = "/home/ann/tallix/build";
constexpr char kBin[] = "/usr/bin";

const LocationCase kLocationCases[] = {
    {"own folder, no file: beside, as before", nullptr, "/home/ann", kOwn, "", "b", 'b', 'b'},
    {"own folder, file beside", nullptr, "/home/ann", kOwn, "b", "b", 'b', 'b'},
    {"installed, no file: defaults, first write per user", nullptr, "/home/ann", kBin, "", "", 'b',
     'u'},
    {"installed, per-user file", nullptr, "/home/ann", kBin, "u", "u", 'u', 'u'},
    {"installed, machine-wide file read, written per user", nullptr, "/home/ann", kBin, "b", "",
     'b', 'u'},
    {"per-user file wins over one beside", nullptr, "/home/ann", kOwn, "ub", "ub", 'u', 'u'},
    {"per-user file that cannot be written stays the target", nullptr, "/home/ann", kBin, "ub", "",
     'u', 'u'},
    {"XDG_CONFIG_HOME", "/srv/ann-config", "/home/ann", kBin, "", "", 'b', 'x'},
    {"XDG_CONFIG_HOME file read, HOME's ignored", "/srv/ann-config/", "/home/ann", kBin, "xu", "",
     'x', 'x'},
    {"relative XDG_CONFIG_HOME is ignored", "ann-config", "/home/ann", kBin, "", "", 'b', 'u'},
    {"empty XDG_CONFIG_HOME is ignored", "", "/home/ann", kBin, "", "", 'b', 'u'},
    {"no HOME: beside the program only", nullptr, nullptr, kBin, "", "", 'b', 'b'},
    {"relative HOME counts as none", nullptr, "ann", kBin, "", "", 'b', 'b'},
};

TEST(ConfigLocationTest, ChoosesReadAndWritePaths) {
  for (const LocationCase& c : kLocationCases) {
    auto among = [&c](const char* codes) {
      return [&c, codes](const std::string& path) {
        for (const char* code = codes; *code != '\0'; ++code) {
          if (Place(*code, c.program_dir) == path) return true;
        }
        return false;
      };
    };
    const ConfigLocation location =
        ChooseConfigLocation(ConfigPlacesFor(c.xdg_config_home, c.home, c.program_dir),
                             {among(c.existing), among(c.writable)});
    EXPECT_EQ(Place(c.read, c.program_dir), location.read_path) << c.name;
    EXPECT_EQ(Place(c.write, c.program_dir), location.write_path) << c.name;
  }
}

// The real checks: a file can be written where its folder can, and a link is
// written at its target; the per-user folder is created private.
TEST(ConfigLocationTest, SystemChecksAndFolderCreation) {
  testing_util::TempDir dir;
  const ConfigFileChecks checks = SystemConfigFileChecks();
  testing_util::WriteFile(dir.Path("Tallix.cfg"), "\"END\",0,0,0\r\n");
  std::filesystem::create_directory(dir.Path("folder.cfg"));
  EXPECT_TRUE(checks.exists(dir.Path("Tallix.cfg")));
  EXPECT_FALSE(checks.exists(dir.Path("folder.cfg")));
  EXPECT_TRUE(checks.writable(dir.Path("new.cfg")));
  EXPECT_FALSE(checks.writable(dir.Path("missing/Tallix.cfg")));
  std::filesystem::create_symlink(dir.Path("missing/Tallix.cfg"), dir.Path("link.cfg"));
  EXPECT_FALSE(checks.writable(dir.Path("link.cfg")));

  const std::string per_user = dir.Path("home/.config/Tallix/Tallix.cfg");
  CreateConfigFolder(per_user);
  EXPECT_TRUE(checks.writable(per_user));
  struct stat info {};
  ASSERT_EQ(0, ::stat(dir.Path("home/.config/Tallix").c_str(), &info));
  EXPECT_EQ(0700u, info.st_mode & 0777u);
}

}  // namespace
}  // namespace tallix
