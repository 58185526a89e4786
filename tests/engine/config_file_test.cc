#include "engine/config/config_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::ReadFile;
using testing_util::TempDir;
using testing_util::WriteFile;

constexpr char kExampleConfig[] =
    "\"Version\",1,0,0\r\n"
    "\"NoSites\",2,0,0\r\n"
    "\"ISDNIdentifier\",\"isdnrouter\",0,0\r\n"
    "\"Site\",0,\"Head, Office\",\"01234123456\"\r\n"
    "\"Site\",1,\"Depot\",\"02079460123\"\r\n"
    "\"Site\",2,\"\",\"\"\r\n"
    "\"Site\",3,\"\",\"\"\r\n"
    "\"Site\",4,\"\",\"\"\r\n"
    "\"Site\",5,\"\",\"\"\r\n"
    "\"Site\",6,\"\",\"\"\r\n"
    "\"Site\",7,\"\",\"\"\r\n"
    "\"Site\",8,\"\",\"\"\r\n"
    "\"Site\",9,\"Spare\",\"0999\"\r\n"
    "\"END\",\"END\",\"END\",\"END\"\r\n";

class ConfigFileTest : public testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(ConfigFileTest, MissingFileGivesDefaultsAndWritesNothing) {
  const std::string path = dir_.Path(kConfigFileName);
  const ConfigReadResult result = ReadConfigFile(path);
  EXPECT_TRUE(result.status.ok());
  EXPECT_TRUE(result.warnings.empty());
  EXPECT_EQ(1, result.config.SiteCount);
  EXPECT_EQ("isdnrouter", result.config.RouterIdentifier);
  EXPECT_EQ("site1", result.config.SiteNames[0]);
  EXPECT_EQ("01234123456", result.config.SiteNumbers[0]);
  EXPECT_EQ("", result.config.SiteNames[1]);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ConfigFileTest, DirectoryOfThatNameCountsAsAbsent) {
  const std::string path = dir_.Path(kConfigFileName);
  std::filesystem::create_directory(path);
  const ConfigReadResult result = ReadConfigFile(path);
  EXPECT_TRUE(result.status.ok());
  EXPECT_EQ(1, result.config.SiteCount);
  EXPECT_EQ("site1", result.config.SiteNames[0]);
}

TEST_F(ConfigFileTest, ReadsEveryRecordAndWritesItBackByteForByte) {
  const std::string path = dir_.Path(kConfigFileName);
  WriteFile(path, kExampleConfig);
  const ConfigReadResult result = ReadConfigFile(path);
  ASSERT_TRUE(result.status.ok());
  EXPECT_EQ(2, result.config.SiteCount);
  EXPECT_EQ("Head, Office", result.config.SiteNames[0]);
  EXPECT_EQ("Spare", result.config.SiteNames[9]);
  EXPECT_EQ("0999", result.config.SiteNumbers[9]);
  EXPECT_EQ(kExampleConfig, ConfigFileText(result.config));
}

TEST_F(ConfigFileTest, OnlyEndRecordLeavesStartValues) {
  SiteConfig config;
  EXPECT_TRUE(ReadConfigText(config, "\"END\",\"END\",\"END\",\"END\"\r\n").empty());
  EXPECT_EQ(SiteConfig{}, config);
}

// Each row: file text, then the values it must give.
struct FieldCase {
  const char* name;
  const char* text;
  int16_t site_count;
  const char* identifier;
  const char* name0;
  const char* number0;
};

class ConfigFieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(ConfigFieldTest, Reads) {
  const FieldCase& c = GetParam();
  SiteConfig config;
  ReadConfigText(config, c.text);
  EXPECT_EQ(c.site_count, config.SiteCount);
  EXPECT_EQ(c.identifier, config.RouterIdentifier);
  EXPECT_EQ(c.name0, config.SiteNames[0]);
  EXPECT_EQ(c.number0, config.SiteNumbers[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigFieldTest,
    testing::Values(
        FieldCase{"LaterNoSitesWins", "\"NoSites\",3,0,0\n\"NoSites\",5,0,0\n\"END\",1,2,3\n", 5,
                  "", "", ""},
        FieldCase{"HalfToEven", "\"NoSites\",2.5,0,0\r\n\"END\",\"END\",\"END\",\"END\"", 2, "", "",
                  ""},
        FieldCase{"HalfToEvenUp", "\"NoSites\",3.5,0,0\r\n\"END\",0,0,0", 4, "", "", ""},
        FieldCase{"KindsAreCaseSensitive",
                  "\"site\",0,\"a\",\"b\"\n\"end\",0,0,0\n\"Site\",0,\"c\",\"d\"\n\"END\",0,0,0\n",
                  0, "", "c", "d"},
        FieldCase{"SitesBeforeNoSites",
                  "\"Site\",0,\"a\",\"1\"\n\"NoSites\",1,0,0\n\"END\",0,0,0\n", 1, "", "a", "1"},
        FieldCase{"NothingAfterEndIsRead",
                  "\"END\",0,0,0\n\"NoSites\",3,0,0\n\"Site\",0,\"a\",\"1\"\n", 0, "", "", ""},
        FieldCase{"MissingEndKeepsWhatWasRead", "\"NoSites\",2,0,0\n\"Site\",0,\"a\",\"1\"\n", 2,
                  "", "a", "1"},
        FieldCase{"PartialRecordAtEndIsNotApplied", "\"NoSites\",2,0,0\n\"Site\",0,\"a\"", 2, "",
                  "", ""},
        FieldCase{"ShortRecordTakesFieldsFromNextLine",
                  "\"ISDNIdentifier\",\"rtr\"\n0,0\n\"END\",0,0,0\n", 0, "rtr", "", ""},
        FieldCase{"QuotedFieldKeepsCommasAndDropsTail",
                  "\"Site\",0,\"a,b\"xyz,\"01\"\n\"END\",0,0,0\n", 0, "", "a,b", "01"},
        FieldCase{"UnquotedFieldAsWritten", "Site,0,  plain name ,0123\nEND,0,0,0\n", 0, "",
                  "plain name ", "0123"},
        FieldCase{"BlanksBeforeFieldsSkipped", "  \"NoSites\", 7 ,0,0\n\"END\",0,0,0\n", 7, "", "",
                  ""},
        FieldCase{"VersionAndUnknownKindsSkipped",
                  "\"Version\",1,0,0\n\"Colour\",\"red\",0,0\n\"NoSites\",1,0,0\n\"END\",0,0,0\n",
                  1, "", "", ""},
        FieldCase{"IndexRoundsHalfToEven", "\"Site\",0.5,\"x\",\"y\"\n\"END\",0,0,0\n", 0, "", "x",
                  "y"},
        FieldCase{"LineEndsCrOnly",
                  "\"NoSites\",3,0,0\r\"ISDNIdentifier\",\"r\",0,0\r\"END\",0,0,0", 3, "r", "", ""},
        FieldCase{"UnclosedQuoteRunsToEnd", "\"ISDNIdentifier\",\"abc", 0, "", "", ""}),
    [](const testing::TestParamInfo<FieldCase>& row) { return row.param.name; });

// Entry 10, which older files may hold, is read without a warning and
// passed over.
TEST(ConfigIndexes, HalvesAndTheEleventhEntry) {
  SiteConfig config;
  const auto warnings = ReadConfigText(config,
                                       "\"Site\",2.5,\"two\",\"2\"\n\"Site\",3.5,\"four\",\"4\"\n"
                                       "\"Site\",10,\"eleventh\",\"10\"\n\"END\",0,0,0\n");
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ("two", config.SiteNames[2]);
  EXPECT_EQ("four", config.SiteNames[4]);
  EXPECT_EQ("", config.SiteNames[3]);
  EXPECT_EQ(std::string::npos, ConfigFileText(config).find("eleventh"));
}

TEST(ConfigLimits, OutOfRangeValuesAreBoundedWithWarnings) {
  const struct {
    const char* text;
    int16_t site_count;
    size_t warnings;
  } cases[] = {
      {"\"NoSites\",11,0,0\n", 10, 1},       {"\"NoSites\",-1,0,0\n", 0, 1},
      {"\"NoSites\",99999,0,0\n", 10, 1},    {"\"NoSites\",1e300,0,0\n", 10, 1},
      {"\"NoSites\",10,0,0\n", 10, 0},       {"\"NoSites\",0,0,0\n", 0, 0},
      {"\"Site\",11,\"x\",\"y\"\n", 0, 1},   {"\"Site\",-1,\"x\",\"y\"\n", 0, 1},
      {"\"Site\",1e10,\"x\",\"y\"\n", 0, 1},
  };
  for (const auto& c : cases) {
    SiteConfig config;
    const auto warnings = ReadConfigText(config, c.text);
    EXPECT_EQ(c.site_count, config.SiteCount) << c.text;
    EXPECT_EQ(c.warnings, warnings.size()) << c.text;
    for (const auto& name : config.SiteNames) EXPECT_EQ("", name) << c.text;
  }
}

// A damaged file cut at every length loads what it can and never reads past
// its end.
TEST(ConfigTruncation, EveryPrefixLoads) {
  const std::string text = kExampleConfig;
  for (size_t n = 0; n <= text.size(); ++n) {
    SiteConfig config;
    ReadConfigText(config, std::string_view(text).substr(0, n));
    EXPECT_LE(config.SiteCount, 10);
  }
}

TEST(SiteCountText, AcceptsOnlyWholeCountsFromZeroToTen) {
  const struct {
    const char* text;
    int expected;  // -1: refused
  } cases[] = {{"0", 0},      {"10", 10},  {" 4 ", 4},   {"2.5", 2},    {"3.5", 4},  {"10.5", 10},
               {"", -1},      {"  ", -1},  {"abc", -1},  {"4x", -1},    {"11", -1},  {"-1", -1},
               {"99999", -1}, {"1e1", -1}, {"10.6", -1}, {"\t3", 3},    {"1 0", -1}, {"3d0", -1},
               {"+3", 3},     {" 5. ", 5}, {".5", 0},    {"1.2.3", -1}, {"--1", -1}, {"+", -1}};
  for (const auto& c : cases) {
    const auto count = ParseSiteCountText(c.text);
    EXPECT_EQ(c.expected, count ? *count : -1) << "'" << c.text << "'";
  }
}

TEST_F(ConfigFileTest, WriteThenReadGivesBackEveryRow) {
  SiteConfig config;
  config.SiteCount = 3;
  config.RouterIdentifier = "gw-1";
  for (size_t i = 0; i < 10; ++i) {
    config.SiteNames[i] = "name " + std::to_string(i) + ", with comma";
    config.SiteNumbers[i] = "0" + std::to_string(1000 + i);
  }
  const std::string path = dir_.Path(kConfigFileName);
  ASSERT_TRUE(WriteConfigFile(config, path).ok());
  const std::string written = ReadFile(path);
  EXPECT_EQ(ConfigFileText(config), written);
  EXPECT_EQ(14, std::count(written.begin(), written.end(), '\n'));

  const ConfigReadResult back = ReadConfigFile(path);
  ASSERT_TRUE(back.status.ok());
  EXPECT_EQ(config, back.config);
}

TEST_F(ConfigFileTest, UnstorableTextIsRefusedAndFileKept) {
  const std::string path = dir_.Path(kConfigFileName);
  WriteFile(path, kExampleConfig);
  using Kind = UnstorableField::Kind;
  const struct {
    Kind kind;
    size_t site;
    const char* field;
  } rows[] = {{Kind::kIdentifier, 0, "The ISDN identifier"},
              {Kind::kName, 4, "The name of Site 5"},
              {Kind::kNumber, 9, "The ISDN number of Site 10"}};
  EXPECT_FALSE(FindUnstorableField(SiteConfig{}));
  for (const char* bad : {"a\"b", "line\nbreak", "cr\rhere"}) {
    for (const auto& row : rows) {
      SiteConfig config;
      (row.kind == Kind::kIdentifier ? config.RouterIdentifier
       : row.kind == Kind::kName     ? config.SiteNames[row.site]
                                     : config.SiteNumbers[row.site]) = bad;
      const auto found = FindUnstorableField(config);
      ASSERT_TRUE(found) << row.field;
      EXPECT_EQ(row.kind, found->kind);
      EXPECT_EQ(row.site, found->site);
      const std::string message = std::string(row.field) +
                                  " holds a double quote or a line break, which the "
                                  "configuration file cannot store";
      EXPECT_EQ(message, found->message);
      const Status r = WriteConfigFile(config, path);
      EXPECT_FALSE(r.ok());
      EXPECT_EQ("cannot write configuration file '" + path + "': " + message, r.message());
    }
  }
  EXPECT_EQ(kExampleConfig, ReadFile(path));
}

TEST_F(ConfigFileTest, UnwritablePlaceIsReportedAndNothingLeftBehind) {
  // A path through an ordinary file fails for root as well.
  WriteFile(dir_.Path("plain"), "x");
  SiteConfig config;
  config.SiteCount = 1;
  const Status r = WriteConfigFile(config, dir_.Path("plain/Tallix.cfg"));
  EXPECT_FALSE(r.ok());
  EXPECT_NE(std::string::npos, r.message().find("plain/Tallix.cfg")) << r.message();
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir_.path()),
                             std::filesystem::directory_iterator()));
}

}  // namespace
}  // namespace tallix
