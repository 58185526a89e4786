#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/analysis/cost.h"
#include "engine/analysis/periods.h"
#include "engine/config/tariff_file.h"
#include "engine/config/tariff_location.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using std::chrono::days;
using std::chrono::local_days;
using std::chrono::year_month_day;

const std::string kExample = std::string(TALLIX_EXAMPLES_DIR) + "/Tariffs.toml";

// Every day, every hour: the smallest zone that passes the gap check.
constexpr std::string_view kZone =
    "[[tariff.zone]]\ndays = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\", \"Sat\", \"Sun\", "
    "\"Hol\"]\nfrom = \"00:00\"\nto = \"24:00\"\nunit_seconds = 60\nunit_price = \"0.10\"\n";

// A tariff "A" without prefixes, three lines.
constexpr std::string_view kTariff = "[[tariff]]\nname = \"A\"\nprefixes = []\n";

// `text` with each "TARIFF" replaced by kTariff and each "ZONE" by kZone.
std::string Expand(std::string text) {
  for (size_t at; (at = text.find("TARIFF")) != std::string::npos;) text.replace(at, 6, kTariff);
  for (size_t at; (at = text.find("ZONE")) != std::string::npos;) text.replace(at, 4, kZone);
  return text;
}

struct RefusalCase {
  const char* text;
  const char* message;
};

class RefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesFileAndPlace) {
  const TariffRead read = ReadTariffText(Expand(GetParam().text), "Tariffs.toml");
  EXPECT_EQ(GetParam().message, read.error) << GetParam().text;
  EXPECT_TRUE(read.tariffs.tariffs.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Tariffs, RefusalTest,
    testing::Values(
        RefusalCase{
            "currency = \n",
            "Tariffs.toml:1:12: Error while parsing key-value pair: expected value, saw '\\n'"},
        RefusalCase{"currancy = \"EUR\"\n", "Tariffs.toml:1:1: unknown key \"currancy\""},
        RefusalCase{"[[tariff]]\nname = \"A\"\nprefix = [\"0\"]\nprefixes = []\nZONE",
                    "Tariffs.toml:3:1: unknown key \"prefix\" in [[tariff]]"},
        // A misspelt key is told as such, not as the one missing.
        RefusalCase{"TARIFF[[tariff.zone]]\ndays = [\"Mon\"]\nform = \"00:00\"\n"
                    "to = \"24:00\"\nunit_seconds = 1\nunit_price = 1\n",
                    "Tariffs.toml:6:1: unknown key \"form\" in [[tariff.zone]]"},
        RefusalCase{"[[budget]]\nnumber = \"1\"\nper = \"day\"\namount = 1\nsum = 2\n",
                    "Tariffs.toml:5:1: unknown key \"sum\" in [[budget]]"},
        RefusalCase{"[[tariff]]\nprefixes = [\"0\"]\nZONE",
                    "Tariffs.toml:1:1: [[tariff]] has no \"name\""},
        RefusalCase{"[[tariff]]\nname = \"A\"\nZONE",
                    "Tariffs.toml:1:1: [[tariff]] has no \"prefixes\""},
        RefusalCase{"TARIFF", "Tariffs.toml:1:1: tariff \"A\" has no [[tariff.zone]]"},
        RefusalCase{"TARIFFsetup = \"0.0000001\"\nZONE",
                    "Tariffs.toml:4:9: \"setup\" has more than 6 decimal places: \"0.0000001\""},
        RefusalCase{"TARIFFsetup = \"-0.10\"\nZONE",
                    "Tariffs.toml:4:9: \"setup\" is negative: \"-0.10\""},
        RefusalCase{"TARIFFsetup = -1\nZONE", "Tariffs.toml:4:9: \"setup\" is negative: -1"},
        RefusalCase{"TARIFFsetup = 0.1\nZONE",
                    "Tariffs.toml:4:9: \"setup\" must be a string such as \"0.10\" or an integer, "
                    "not a float"},
        RefusalCase{"TARIFFsetup = \"1,5\"\nZONE",
                    "Tariffs.toml:4:9: \"setup\" is not an amount such as \"0.10\": \"1,5\""},
        RefusalCase{"TARIFFsetup = \"1000000000000\"\nZONE",
                    "Tariffs.toml:4:9: \"setup\" is too large: \"1000000000000\""},
        RefusalCase{"TARIFF[[tariff.zone]]\ndays = []\n"
                    "from = \"00:00\"\nto = \"24:00\"\nunit_seconds = 0\nunit_price = 1\n",
                    "Tariffs.toml:8:16: \"unit_seconds\" must be at least 1, not 0"},
        RefusalCase{"TARIFF[[tariff.zone]]\ndays = []\n"
                    "from = \"18:00\"\nto = \"08:00\"\nunit_seconds = 0\nunit_price = 1\n",
                    "Tariffs.toml:6:8: \"from\" 18:00 is not before \"to\" 08:00"},
        RefusalCase{"TARIFF[[tariff.zone]]\ndays = []\n"
                    "from = \"8:00\"\nto = \"24:01\"\nunit_seconds = 1\nunit_price = 1\n",
                    "Tariffs.toml:6:8: \"from\" must be a time \"hh:mm\", not \"8:00\""},
        RefusalCase{"TARIFF[[tariff.zone]]\ndays = []\n"
                    "from = \"08:00\"\nto = \"24:01\"\nunit_seconds = 1\nunit_price = 1\n",
                    "Tariffs.toml:7:6: \"to\" must be a time \"hh:mm\", not \"24:01\""},
        RefusalCase{"TARIFF[[tariff.zone]]\ndays = [\"Mon\", \"Monday\"]\nfrom = \"00:00\"\n"
                    "to = \"24:00\"\nunit_seconds = 1\nunit_price = 1\n",
                    "Tariffs.toml:5:16: unknown day \"Monday\": days are Mon, Tue, Wed, Thu, Fri, "
                    "Sat, Sun and Hol"},
        RefusalCase{"holidays = [\"2026-12-25\", \"2026-02-30\"]\n",
                    "Tariffs.toml:1:27: bad holiday date \"2026-02-30\": dates are written "
                    "YYYY-MM-DD"},
        RefusalCase{"[[budget]]\nnumber = \"1\"\nper = \"year\"\namount = 1\n",
                    "Tariffs.toml:3:7: \"per\" must be day, week or month, not \"year\""},
        RefusalCase{"[[budget]]\nnumber = \"1\"\nper = \"day\"\namount = 1\n"
                    "[[budget]]\nnumber = \"1\"\nper = \"day\"\namount = 2\n",
                    "Tariffs.toml:5:1: two budgets for number \"1\" per day"},
        RefusalCase{"TARIFFZONETARIFFZONE", "Tariffs.toml:11:8: two tariffs are named \"A\""},
        RefusalCase{"currency = \"EUR-CENTS\"\n",
                    "Tariffs.toml:1:12: \"currency\" is longer than 8 characters: \"EUR-CENTS\""},
        RefusalCase{"decimals = 7\n", "Tariffs.toml:1:12: \"decimals\" must be from 0 to 6, not 7"},
        RefusalCase{"tariff = 1\n",
                    "Tariffs.toml:1:10: \"tariff\" must be written as [[tariff]] tables"},
        // Keys are held sorted; the first fault in the text is still the one told.
        RefusalCase{"[[tariff]]\nname = 1\nprefixes = []\nZONE[[budget]]\nper = \"year\"\n",
                    "Tariffs.toml:2:8: \"name\" must be a string"},
        // Gaps, once nothing else is wrong.
        RefusalCase{"[[tariff]]\nname = \"Local\"\nprefixes = []\n[[tariff.zone]]\n"
                    "days = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\", \"Sun\"]\n"
                    "from = \"00:00\"\nto = \"24:00\"\nunit_seconds = 1\nunit_price = 1\n",
                    "Tariffs.toml: tariff \"Local\" covers no zone on Sat at 00:00"},
        RefusalCase{
            "TARIFF[[tariff.zone]]\n"
            "days = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\", \"Sat\", \"Sun\"]\n"
            "from = \"00:00\"\nto = \"18:00\"\nunit_seconds = 1\nunit_price = 1\n"
            "[[tariff.zone]]\ndays = [\"Tue\", \"Wed\", \"Thu\", \"Fri\", \"Sat\", \"Sun\"]\n"
            "from = \"17:00\"\nto = \"24:00\"\nunit_seconds = 1\nunit_price = 1\n",
            "Tariffs.toml: tariff \"A\" covers no zone on Mon at 18:00"},
        RefusalCase{"holidays = [2026-12-25]\nTARIFF[[tariff.zone]]\n"
                    "days = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\", \"Sat\", \"Sun\"]\n"
                    "from = \"00:00\"\nto = \"24:00\"\nunit_seconds = 1\nunit_price = 1\n",
                    "Tariffs.toml: tariff \"A\" covers no zone on Hol at 00:00"}));

// The example's zones, holidays and setups are checked by the costs below.
TEST(TariffFileTest, ReadsTheExampleAndWarnsOfBudgetsWithoutSite) {
  const TariffRead read = ReadTariffFile(kExample);
  ASSERT_TRUE(read.ok()) << read.error;
  EXPECT_EQ("EUR", read.tariffs.currency);
  const std::vector<std::string> sites = {"02079460123", "01234123456"};
  EXPECT_TRUE(BudgetWarnings(read.tariffs, sites, "T.toml").empty());
  EXPECT_EQ(std::vector<std::string>{"T.toml: budget for number \"01234123456\" names no site"},
            BudgetWarnings(read.tariffs, {sites.data(), 1}, "T.toml"));
  const Budget* budget = FindBudget(read.tariffs, "01234123456", PeriodUnit::kMonth);
  ASSERT_NE(nullptr, budget);
  EXPECT_FALSE(OverBudget(40'000'000, *budget));
  EXPECT_TRUE(OverBudget(40'000'001, *budget));
  EXPECT_EQ(nullptr, FindBudget(read.tariffs, "01234123456", PeriodUnit::kWeek));
  EXPECT_EQ("tariff file: cannot open '/nonexistent/T.toml': No such file or directory",
            ReadTariffFile("/nonexistent/T.toml").error);
}

// Cut anywhere, the example is read or refused in one message naming it.
TEST(TariffFileTest, ExampleCutAtEveryLength) {
  const std::string text = testing_util::ReadFile(kExample);
  for (size_t length = 0; length <= text.size(); ++length) {
    const TariffRead read = ReadTariffText(text.substr(0, length), "T");
    EXPECT_TRUE(read.ok() ||
                (read.error.starts_with("T:") && read.error.find('\n') == std::string::npos))
        << read.error;
  }
}

TEST(TariffLocationTest, GivenThenPerUserThenBesideProgram) {
  const ConfigPlaces places = TariffPlacesFor(nullptr, "/home/ann", "/usr/bin");
  const auto among = [](std::vector<std::string> files) {
    return [files](const std::string& path) {
      return std::find(files.begin(), files.end(), path) != files.end();
    };
  };
  const std::string user = "/home/ann/.config/Tallix/Tariffs.toml";
  EXPECT_EQ("t.toml", ChooseTariffPath("t.toml", places, among({user})));
  EXPECT_EQ(user, ChooseTariffPath("", places, among({user, "/usr/bin/Tariffs.toml"})));
  EXPECT_EQ("/usr/bin/Tariffs.toml",
            ChooseTariffPath("", places, among({"/usr/bin/Tariffs.toml"})));
  EXPECT_EQ("", ChooseTariffPath("", places, among({})));
  EXPECT_EQ("no tariff file: give one with --tariff FILE, or put one at '" + user +
                "' or '/usr/bin/Tariffs.toml'",
            TariffSearchText(places));
}

// Zones by kind of day, 1-minute units, a setup of half a thousandth (so
// that totals end in 5 and round up), holidays on a Friday and a Saturday.
constexpr char kByDay[] =
    "decimals = 3\nholidays = [\"2026-12-25\", \"2026-12-26\"]\n"
    "[[tariff]]\nname = \"Days\"\nprefixes = [\"\"]\nsetup = \"0.0005\"\n"
    "[[tariff.zone]]\ndays = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\"]\nfrom = \"00:00\"\n"
    "to = \"24:00\"\nunit_seconds = 60\nunit_price = \"0.01\"\n"
    "[[tariff.zone]]\ndays = [\"Sat\", \"Sun\"]\nfrom = \"00:00\"\nto = \"24:00\"\n"
    "unit_seconds = 60\nunit_price = \"0.02\"\n"
    "[[tariff.zone]]\ndays = [\"Hol\"]\nfrom = \"00:00\"\nto = \"24:00\"\n"
    "unit_seconds = 60\nunit_price = \"0.05\"\n"
    "[[tariff]]\nname = \"Seconds\"\nprefixes = [\"8\"]\n"
    "[[tariff.zone]]\ndays = [\"Hol\"]\nfrom = \"00:00\"\nto = \"24:00\"\n"
    "unit_seconds = 1\nunit_price = \"0.000002\"\n"
    "[[tariff.zone]]\ndays = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\", \"Sat\", \"Sun\"]\n"
    "from = \"00:00\"\nto = \"24:00\"\nunit_seconds = 1\nunit_price = \"0.000001\"\n"
    "[[tariff]]\nname = \"Dear\"\nprefixes = [\"9\"]\n"
    "[[tariff.zone]]\ndays = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\", \"Sat\", \"Sun\", "
    "\"Hol\"]\nfrom = \"00:00\"\nto = \"24:00\"\nunit_seconds = 1\n"
    "unit_price = \"999999999999.999999\"\n";

// "2026-12-07T10:00:00" as a wall time.
WallTime At(const std::string& text) {
  const year_month_day date{std::chrono::year{std::stoi(text.substr(0, 4))},
                            std::chrono::month{static_cast<unsigned>(std::stoi(text.substr(5, 2)))},
                            std::chrono::day{static_cast<unsigned>(std::stoi(text.substr(8, 2)))}};
  return local_days{date} + std::chrono::hours{std::stoi(text.substr(11, 2))} +
         std::chrono::minutes{std::stoi(text.substr(14, 2))} +
         std::chrono::seconds{std::stoi(text.substr(17, 2))};
}

struct CostCase {
  bool example;  // the example file, else kByDay
  const char* number;
  const char* start;
  int64_t seconds;
  const char* cost;  // "" for none
};

class CostTest : public testing::TestWithParam<CostCase> {};

TEST_P(CostTest, ChargesUnitsByZone) {
  const CostCase& c = GetParam();
  const TariffRead read = c.example ? ReadTariffFile(kExample) : ReadTariffText(kByDay, "");
  ASSERT_TRUE(read.ok()) << read.error;
  const std::optional<size_t> tariff = ChooseTariff(read.tariffs, c.number);
  const std::optional<int64_t> cost =
      tariff ? CostOfCall(read.tariffs, *tariff, At(c.start), c.seconds) : std::nullopt;
  EXPECT_EQ(c.cost, cost ? MoneyText(*cost, read.tariffs.decimals) : "")
      << c.number << " " << c.start << " " << c.seconds;
}

INSTANTIATE_TEST_SUITE_P(Rules, CostTest,
                         testing::Values(
                             // Monday 2026-12-07: 90-s units by day, 240-s ones from 18:00.
                             CostCase{true, "01234123456", "2026-12-07T10:00:00", 0, "0.00"},
                             CostCase{true, "02079460123", "2026-12-07T10:00:00", 0, "0.10"},
                             CostCase{true, "01234123456", "2026-12-07T10:00:00", 90, "0.06"},
                             CostCase{true, "01234123456", "2026-12-07T10:00:00", 91, "0.12"},
                             CostCase{true, "01234123456", "2026-12-07T17:59:00", 90, "0.06"},
                             CostCase{true, "01234123456", "2026-12-07T17:58:40", 330, "0.12"},
                             CostCase{true, "01234123456", "2026-12-07T17:58:40", 331, "0.18"},
                             CostCase{true, "01234123456", "2026-12-07T07:59:59", 241, "0.12"},
                             CostCase{true, "01234123456", "2026-12-12T10:00:00", 240, "0.06"},
                             CostCase{true, "01234123456", "2026-12-18T10:00:00", 240, "0.18"},
                             CostCase{true, "01234123456", "2026-12-25T10:00:00", 240, "0.06"},
                             CostCase{true, "02079460123", "2026-12-25T10:00:00", 61, "0.34"},
                             CostCase{true, "1234", "2026-12-07T10:00:00", 60, ""},
                             // Half a thousandth of setup rounds up; midnight into a holiday.
                             CostCase{false, "0", "2026-12-07T10:00:00", 0, "0.001"},
                             CostCase{false, "0", "2026-12-24T23:59:00", 120, "0.061"},
                             CostCase{false, "0", "2026-12-26T10:00:00", 60, "0.051"},
                             CostCase{false, "0", "2026-12-27T23:59:30", 60, "0.021"},
                             CostCase{false, "0", "2026-12-27T23:59:30", 61, "0.031"},
                             CostCase{false, "0", "2026-12-27T23:59:30", -5, "0.001"},
                             // 2^31 - 1 one-second units ending 2027-01-01, both holidays whole.
                             CostCase{false, "8", "1958-12-13T20:45:53", 2147483647, "2147.656"},
                             CostCase{false, "9", "2026-12-07T10:00:00", 2147483647,
                                      "9223372036854.776"}));

// Unit by unit, as the rules are written: the reference for long calls.
int64_t ReferenceCost(const Tariffs& tariffs, const Tariff& tariff, int64_t start,
                      int64_t seconds) {
  int64_t cost = tariff.setup;
  for (int64_t at = start; at < start + seconds;) {
    const local_days day{days{(at - (at % 86400 + 86400) % 86400) / 86400}};
    const int minute = static_cast<int>((at - day.time_since_epoch().count() * 86400) / 60);
    const bool holiday = std::binary_search(tariffs.holidays.begin(), tariffs.holidays.end(), day);
    const int kind = holiday ? kHoliday : std::chrono::weekday{day}.iso_encoding() - 1;
    const auto zone = std::find_if(tariff.zones.begin(), tariff.zones.end(), [&](auto& z) {
      return (z.days >> kind & 1) && z.from_minute <= minute && minute < z.to_minute;
    });
    cost += zone->unit_price;
    at += zone->unit_seconds;
  }
  return cost;
}

// Calls of up to seven weeks over holidays close together and far apart,
// under units that fill their zones evenly ("Even": the weeks between
// holidays repeat and are jumped) and units that do not ("Odd"): the coster
// adds up what the units walked one by one cost.
TEST(CallCosterTest, LongCallsCostWhatTheirUnitsCost) {
  const TariffRead read = ReadTariffText(
      Expand(
          "holidays = [\"2026-12-24\", \"2026-12-25\", \"2027-01-01\", \"2027-01-29\", "
          "\"2027-03-04\"]\n"
          "[[tariff]]\nname = \"Odd\"\nprefixes = []\nsetup = 3\n"
          "[[tariff.zone]]\ndays = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\"]\n"
          "from = \"08:00\"\nto = \"18:07\"\nunit_seconds = 7\nunit_price = \"0.000007\"\n"
          "[[tariff.zone]]\ndays = [\"Sat\", \"Sun\", \"Hol\"]\nfrom = \"00:00\"\nto = \"24:00\"\n"
          "unit_seconds = 1000\nunit_price = \"0.01\"\n"
          "[[tariff.zone]]\ndays = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\", \"Hol\"]\n"
          "from = \"00:00\"\nto = \"24:00\"\nunit_seconds = 251\nunit_price = \"0.000251\"\n"
          "[[tariff]]\nname = \"Even\"\nprefixes = []\n"
          "[[tariff.zone]]\ndays = [\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\"]\n"
          "from = \"08:00\"\nto = \"18:00\"\nunit_seconds = 90\nunit_price = \"0.06\"\n"
          "[[tariff.zone]]\ndays = [\"Hol\"]\nfrom = \"00:00\"\nto = \"24:00\"\n"
          "unit_seconds = 60\nunit_price = \"0.5\"\nZONE"),
      "");
  ASSERT_TRUE(read.ok()) << read.error;
  CallCoster coster(read.tariffs);
  const int64_t base = At("2026-12-01T00:00:00").time_since_epoch().count();
  uint64_t seed = 12345;
  int64_t start = base;
  for (int call = 0; call < 48; ++call) {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    // Every other call starts as the one before: stretches remembered are
    // used as well as made.
    if (call % 4 < 2) start = base + static_cast<int64_t>(seed >> 40) % (60 * 86400);
    const int64_t seconds = static_cast<int64_t>(seed >> 20) % (49 * 86400);
    const size_t tariff = static_cast<size_t>(call) / 2 % 2;
    EXPECT_EQ(ReferenceCost(read.tariffs, read.tariffs.tariffs[tariff], start, seconds),
              coster.Cost(tariff, WallTime{std::chrono::seconds{start}}, seconds))
        << call;
  }
}

TEST(ChooseTariffTest, LongestPrefixFirstOfEqual) {
  Tariffs tariffs;
  tariffs.tariffs = {{"All", {""}, 0, {}},
                     {"Zero", {"0"}, 0, {}},
                     {"Zero too", {"0"}, 0, {}},
                     {"Local", {"9", "0123"}, 0, {}}};
  const auto chosen = [&](std::string_view number) {
    const std::optional<size_t> t = ChooseTariff(tariffs, number);
    return t ? tariffs.tariffs[*t].name : "none";
  };
  EXPECT_EQ("Local", chosen("01234123456"));
  EXPECT_EQ("Zero", chosen("01204123456"));
  EXPECT_EQ("Local", chosen("9"));
  EXPECT_EQ("All", chosen("1"));
}

TEST(MoneyTextTest, RoundsHalfUp) {
  EXPECT_EQ("0.36", MoneyText(355'000, 2));
  EXPECT_EQ("0.35", MoneyText(354'999, 2));
  EXPECT_EQ("-0.35", MoneyText(-355'000, 2));
  EXPECT_EQ("2", MoneyText(1'500'000, 0));
  EXPECT_EQ("0.000007", MoneyText(7, 6));
  EXPECT_EQ("12.0", MoneyText(12'040'000, 1));
  EXPECT_EQ("9223372036854.78", MoneyText(kMaxMoney, 2));
  EXPECT_EQ(kMaxMoney, AddMoney(kMaxMoney - 1, 2));
}

struct PeriodKeyCase {
  const char* date;  // also the day's key
  const char* week;
  const char* month;
};

class PeriodKeyTest : public testing::TestWithParam<PeriodKeyCase> {};

// The keys are the periods report's labels, which are checked alongside.
TEST_P(PeriodKeyTest, NamesPeriodsAsTheReport) {
  const PeriodKeyCase& c = GetParam();
  const local_days day = std::chrono::floor<days>(At(std::string(c.date) + "T12:00:00"));
  const std::pair<PeriodUnit, const char*> units[] = {
      {PeriodUnit::kDay, c.date}, {PeriodUnit::kWeek, c.week}, {PeriodUnit::kMonth, c.month}};
  for (const auto& [unit, key] : units) {
    EXPECT_EQ(key, BudgetPeriodKey(unit, day));
    const TimedCall call{day + std::chrono::hours{12}, 0, 1};
    PeriodTable({&call, 1}, 1, unit).ForEach([&](const PeriodRow& row) {
      EXPECT_EQ(key, row.label);
    });
  }
}

INSTANTIATE_TEST_SUITE_P(Budgets, PeriodKeyTest,
                         testing::Values(PeriodKeyCase{"2026-12-05", "2026-W49", "2026-12"},
                                         PeriodKeyCase{"2027-01-01", "2026-W53", "2027-01"},
                                         PeriodKeyCase{"2024-12-30", "2025-W01", "2024-12"},
                                         PeriodKeyCase{"2021-01-03", "2020-W53", "2021-01"},
                                         PeriodKeyCase{"0001-01-01", "0001-W01", "0001-01"}));

}  // namespace
}  // namespace tallix
