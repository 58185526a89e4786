#include "engine/config/config_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "support/test_util.h"

namespace tallix {
namespace {

constexpr char kAnnsFile[] = "/home/ann/.config/Tallix/Tallix.cfg";
constexpr char kBesideUsrBin[] = "/usr/bin/Tallix.cfg";
constexpr char kBesideBuild[] = "/home/ann/tallix/build/Tallix.cfg";

struct LocationCase {
  const char* name;
  const char* xdg_config_home;  // nullptr: unset
  const char* home;             // nullptr: unset
  const char* program_dir;
  std::set<std::string> existing;  // ordinary files that are there
  std::set<std::string> writable;  // files that can be replaced or created
  std::string read;
  std::string write;
};

const LocationCase kLocationCases[] = {
    {"own folder, no file: beside, as before",
     nullptr,
     "/home/ann",
     "/home/ann/tallix/build",
     {},
     {kBesideBuild},
     kBesideBuild,
     kBesideBuild},
    {"own folder, file beside",
     nullptr,
     "/home/ann",
     "/home/ann/tallix/build",
     {kBesideBuild},
     {kBesideBuild},
     kBesideBuild,
     kBesideBuild},
    {"installed, no file: defaults, first write per user",
     nullptr,
     "/home/ann",
     "/usr/bin",
     {},
     {},
     kBesideUsrBin,
     kAnnsFile},
    {"installed, per-user file",
     nullptr,
     "/home/ann",
     "/usr/bin",
     {kAnnsFile},
     {kAnnsFile},
     kAnnsFile,
     kAnnsFile},
    {"installed, machine-wide file read, written per user",
     nullptr,
     "/home/ann",
     "/usr/bin",
     {kBesideUsrBin},
     {},
     kBesideUsrBin,
     kAnnsFile},
    {"per-user file wins over one beside",
     nullptr,
     "/home/ann",
     "/home/ann/tallix/build",
     {kAnnsFile, kBesideBuild},
     {kAnnsFile, kBesideBuild},
     kAnnsFile,
     kAnnsFile},
    {"per-user file that cannot be written stays the target",
     nullptr,
     "/home/ann",
     "/usr/bin",
     {kAnnsFile, kBesideUsrBin},
     {},
     kAnnsFile,
     kAnnsFile},
    {"XDG_CONFIG_HOME",
     "/srv/ann-config",
     "/home/ann",
     "/usr/bin",
     {},
     {},
     kBesideUsrBin,
     "/srv/ann-config/Tallix/Tallix.cfg"},
    {"XDG_CONFIG_HOME file read",
     "/srv/ann-config/",
     "/home/ann",
     "/usr/bin",
     {"/srv/ann-config/Tallix/Tallix.cfg", kAnnsFile},
     {},
     "/srv/ann-config/Tallix/Tallix.cfg",
     "/srv/ann-config/Tallix/Tallix.cfg"},
    {"relative XDG_CONFIG_HOME is ignored",
     "ann-config",
     "/home/ann",
     "/usr/bin",
     {},
     {},
     kBesideUsrBin,
     kAnnsFile},
    {"empty XDG_CONFIG_HOME is ignored",
     "",
     "/home/ann",
     "/usr/bin",
     {},
     {},
     kBesideUsrBin,
     kAnnsFile},
    {"no HOME: beside the program only",
     nullptr,
     nullptr,
     "/usr/bin",
     {},
     {},
     kBesideUsrBin,
     kBesideUsrBin},
    {"relative HOME counts as none",
     nullptr,
     "ann",
     "/usr/bin",
     {"ann/.config/Tallix/Tallix.cfg"},
     {},
     kBesideUsrBin,
     kBesideUsrBin},
};

TEST(ConfigLocationTest, ChoosesReadAndWritePaths) {
  for (const LocationCase& c : kLocationCases) {
    const ConfigFileChecks checks{
        [&c](const std::string& path) { return c.existing.count(path) != 0; },
        [&c](const std::string& path) { return c.writable.count(path) != 0; }};
    const ConfigLocation location =
        ChooseConfigLocation(ConfigPlacesFor(c.xdg_config_home, c.home, c.program_dir), checks);
    EXPECT_EQ(c.read, location.read_path) << c.name;
    EXPECT_EQ(c.write, location.write_path) << c.name;
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
