#include "engine/analysis/tally.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "engine/analysis/range_periods.h"
#include "support/fake_log_files.h"

namespace tallix {
namespace {

// Shared data with the given kept lines and site numbers.
std::unique_ptr<TallixData> DataWith(const std::vector<std::string>& lines,
                                     const std::vector<std::string>& numbers) {
  auto data = std::make_unique<TallixData>();
  for (size_t i = 0; i < lines.size(); ++i) data->LogLines.Assign(i, lines[i]);
  data->LineCount = static_cast<int32_t>(lines.size());
  for (size_t s = 0; s < numbers.size(); ++s) {
    data->SiteNames[s] = "site" + std::to_string(s + 1);
    data->SiteNumbers[s] = numbers[s];
  }
  data->SiteCount = static_cast<int16_t>(numbers.size());
  return data;
}

std::string Line(const std::string& stamp, const std::string& number, const std::string& seconds) {
  return stamp + " isdnrouter isdn: call from " + number + " disconnected, lasted " + seconds +
         " seconds";
}

struct FieldCase {
  const char* name;
  const char* line;
  const char* stamp;
  const char* number;
  int64_t seconds;
  bool fits;
};

class CallFieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(CallFieldTest, Reads) {
  const FieldCase& c = GetParam();
  const CallFields f = ReadCallFields(c.line);
  EXPECT_EQ(c.stamp, f.stamp);
  EXPECT_EQ(c.number, f.number);
  EXPECT_EQ(c.seconds, f.seconds);
  EXPECT_EQ(c.fits, f.seconds_fit);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, CallFieldTest,
    testing::Values(
        FieldCase{"Usual",
                  "Dec  7 10:00:01 isdnrouter isdn: call from 01234123456 disconnected, lasted 75 "
                  "seconds",
                  "Dec  7 10:00:01", "01234123456", 75, true},
        FieldCase{"KeywordsInCapitals", "Dec  7 10:00:01 X FROM 01234123456 x LASTED 9",
                  "Dec  7 10:00:01", "01234123456", 9, true},
        FieldCase{"FirstFromCounts", "Dec  7 10:00:01 from 11111111111 From 22222222222 lasted 1",
                  "Dec  7 10:00:01", "11111111111", 1, true},
        FieldCase{"FromInsideAWord", "Dec  7 10:00:01 fromage 12345678901 lasted 3",
                  "Dec  7 10:00:01", "ge 12345678", 3, true},
        FieldCase{"NoFromTakesStampTail", "Dec  7 10:00:01 x lasted 4", "Dec  7 10:00:01",
                  " 7 10:00:01", 4, true},
        FieldCase{"NoLastedReadsChars7To16", "Dec  7 10:00:01 from 01234123456", "Dec  7 10:00:01",
                  "01234123456", 10, true},
        FieldCase{"NumberCutByLineEnd", "Dec  7 10:00:01 from 0123", "Dec  7 10:00:01", "0123", 10,
                  true},
        FieldCase{"NumberPastEnd", "Dec  7 10:00:01 from", "Dec  7 10:00:01", "", 10, true},
        FieldCase{"ShortLine", "short", "short", "t", 0, true},
        FieldCase{"HalfDown", "Dec  7 10:00:01 lasted 12.5s", "Dec  7 10:00:01", " 7 10:00:01", 12,
                  true},
        FieldCase{"HalfUp", "Dec  7 10:00:01 lasted 13.5s", "Dec  7 10:00:01", " 7 10:00:01", 14,
                  true},
        FieldCase{"Letter", "Dec  7 10:00:01 lasted x5", "Dec  7 10:00:01", " 7 10:00:01", 0, true},
        FieldCase{"Negative", "Dec  7 10:00:01 lasted -5", "Dec  7 10:00:01", " 7 10:00:01", -5,
                  true},
        FieldCase{"BlanksInside", "Dec  7 10:00:01 lasted 1 2 3", "Dec  7 10:00:01", " 7 10:00:01",
                  123, true},
        FieldCase{"OnlyTenCharacters", "Dec  7 10:00:01 lasted 123456789012", "Dec  7 10:00:01",
                  " 7 10:00:01", 1234567890, true},
        FieldCase{"Int32Max", "Dec  7 10:00:01 lasted 2147483647", "Dec  7 10:00:01", " 7 10:00:01",
                  2147483647, true},
        FieldCase{"BeyondInt32", "Dec  7 10:00:01 lasted 2147483648", "Dec  7 10:00:01",
                  " 7 10:00:01", 2147483648, false},
        FieldCase{"HugeExponent", "Dec  7 10:00:01 lasted 9e99", "Dec  7 10:00:01", " 7 10:00:01",
                  0, false}),
    [](const testing::TestParamInfo<FieldCase>& row) { return row.param.name; });

TEST(Tally, CreditsEveryMatchingSite) {
  auto data = DataWith(
      {Line("Dec  7 10:00:01", "01234123456", "75"), Line("Dec  7 11:00:01", "02079460123", "3661"),
       Line("Dec  8 09:00:00", "09999999999", "7"), Line("Dec  8 09:00:00", "01234123456", "5"),
       Line("Dec  8 09:30:00", "09999999999", "9999999999")},
      {"01234123456", "02079460123", "0123412345", "01234123456"});
  const TallyResult r = TallyCalls(*data, " ");
  // The kept line behind each counted call, as CallStamps holds them.
  EXPECT_EQ((std::vector<std::vector<int32_t>>{{0, 3}, {1}, {}, {0, 3}}), r.counted_lines);
  EXPECT_EQ(80 + 3661 + 80, r.counted_seconds);
  EXPECT_EQ(2u, r.reconciliation.unmatched);
  EXPECT_EQ(7, r.unmatched_seconds);  // a duration beyond 32 bits counts 0
  EXPECT_EQ("All Data", r.caption);
  const std::pair<int16_t, int32_t> expected[] = {{2, 80}, {1, 3661}, {0, 0}, {2, 80}};
  for (size_t s = 0; s < 4; ++s) {
    EXPECT_EQ(expected[s].first, data->SiteCallCounts[s]) << s;
    EXPECT_EQ(expected[s].second, data->SiteSeconds[s]) << s;
  }
  EXPECT_EQ("Dec  8 09:00:00", data->CallStamps(1, 0).view());
  EXPECT_EQ(5, data->CallSeconds(1, 0));
  EXPECT_EQ(80, data->SiteSeconds[3]);
  EXPECT_TRUE(r.warnings.empty());
}

TEST(Tally, SelectionMatchesTheStampOnly) {
  auto data = DataWith(
      {Line("Dec  7 10:00:01", "01234123456", "1"), Line("Dec  8 10:00:01", "01234123456", "2"),
       Line("DEC  8 23:00:01", "01234123456", "4"),
       std::string("NoBlankInStamp!") + " from 01234123456 lasted 8"},
      {"01234123456"});
  const struct {
    const char* selection;
    const char* caption;
    int16_t calls;
    int32_t seconds;
  } cases[] = {{" ", "All Data", 3, 7},
               {"", "Free Date Search : ''", 4, 15},
               {"dec  8", "Free Date Search : 'dec  8'", 2, 6},
               {" 8 ", "Free Date Search : ' 8 '", 2, 6},
               {"isdnrouter", "Free Date Search : 'isdnrouter'", 0, 0},
               {"Dec  7 10:00:01", "Free Date Search : 'Dec  7 10:00:01'", 1, 1},
               {"Dec  7 10:00:01 ", "Free Date Search : 'Dec  7 10:00:01 '", 0, 0},
               {"*", "Free Date Search : '*'", 0, 0},
               {"!", "Free Date Search : '!'", 1, 8}};
  for (const auto& c : cases) {
    const TallyResult r = TallyCalls(*data, c.selection);
    EXPECT_EQ(c.caption, r.caption);
    EXPECT_EQ(c.calls, data->SiteCallCounts[0]) << "'" << c.selection << "'";
    EXPECT_EQ(c.seconds, data->SiteSeconds[0]) << "'" << c.selection << "'";
  }
}

TEST(Tally, NumbersCompareExactly) {
  // The second line's number starts past its end: empty, as one site's is.
  auto data = DataWith({Line("Dec  7 10:00:01", "01234123456", "1"), "Dec  7 10:00:02 from"},
                       {"0123412345", "01234123456 ", "01234123456", "O1234123456", ""});
  TallyCalls(*data, " ");
  EXPECT_EQ((std::array<int16_t, 5>{0, 0, 1, 0, 1}),
            (std::array<int16_t, 5>{data->SiteCallCounts[0], data->SiteCallCounts[1],
                                    data->SiteCallCounts[2], data->SiteCallCounts[3],
                                    data->SiteCallCounts[4]}));
}

TEST(Tally, NoSitesOrNoLinesStillCaptions) {
  auto none = DataWith({Line("Dec  7 10:00:01", "01234123456", "1")}, {});
  TallyResult r = TallyCalls(*none, "x");
  EXPECT_EQ("Free Date Search : 'x'", r.caption);
  EXPECT_EQ(1u, r.reconciliation.kept);
  EXPECT_EQ(0u, r.reconciliation.selected);

  auto empty = DataWith({}, {"01234123456", "1"});
  empty->SiteCallCounts[0] = 7;  // left from an earlier tally
  empty->SiteSeconds[0] = 9;
  r = TallyCalls(*empty, " ");
  EXPECT_EQ(0, empty->SiteCallCounts[0]);
  EXPECT_EQ(0, empty->SiteSeconds[0]);
}

TEST(Tally, SiteCountOutsideTheTablesReadsNothingBeyond) {
  auto data = DataWith({Line("Dec  7 10:00:01", "01234123456", "1")}, {"01234123456"});
  for (const int16_t count : {int16_t{-3}, int16_t{11}, int16_t{32767}}) {
    data->SiteCount = count;
    const TallyResult r = TallyCalls(*data, " ");
    EXPECT_EQ(count < 0 ? 0u : 1u, r.reconciliation.credits);
  }
}

TEST(TallyLimits, CallsPerSiteAtTheEdge) {
  for (const int calls : {10001, 10002, 12000}) {
    std::vector<std::string> lines;
    for (int i = 0; i < calls; ++i) lines.push_back(Line("Dec  7 10:00:01", "01234123456", "2"));
    auto data = DataWith(lines, {"01234123456", "01234123456"});
    const TallyResult r = TallyCalls(*data, " ");
    EXPECT_EQ(10001, data->SiteCallCounts[0]);
    EXPECT_EQ(20002, data->SiteSeconds[0]);
    EXPECT_EQ(10001, data->SiteCallCounts[1]);
    EXPECT_EQ(2u * static_cast<uint64_t>(calls - 10001), r.reconciliation.beyond_site_limit);
    ASSERT_EQ(10001u, r.counted_lines[1].size());
    EXPECT_EQ(10000, r.counted_lines[1].back());
    // One warning per full site, not per call.
    EXPECT_EQ(calls > 10001 ? 2u : 0u, r.warnings.size()) << calls;
  }
}

TEST(TallyLimits, DurationsAndTotalsNeverOverflow) {
  auto data = DataWith(
      {Line("Dec  7 10:00:01", "01234123456", "2147483647"),
       Line("Dec  7 10:00:02", "01234123456", "1"),
       Line("Dec  7 10:00:03", "01234123456", "2147483648"),
       Line("Dec  7 10:00:04", "02079460123", "-2e9"),
       Line("Dec  7 10:00:05", "02079460123", "-2e9"), Line("Dec  7 10:00:06", "02079460123", "5")},
      {"01234123456", "02079460123"});
  const TallyResult r = TallyCalls(*data, " ");
  EXPECT_EQ(3, data->SiteCallCounts[0]);
  EXPECT_EQ(2147483647, data->SiteSeconds[0]);
  EXPECT_EQ(0, data->CallSeconds(1, 0));  // would overflow the total
  EXPECT_EQ(0, data->CallSeconds(2, 0));  // does not fit 32 bits
  EXPECT_EQ(3, data->SiteCallCounts[1]);
  EXPECT_EQ(-1999999995, data->SiteSeconds[1]);
  EXPECT_EQ(0, data->CallSeconds(1, 1));
  EXPECT_EQ(2147483647 - 1999999995, r.counted_seconds);
  ASSERT_EQ(3u, r.warnings.size());
  EXPECT_NE(std::string::npos, r.warnings[0].find("Dec  7 10:00:02")) << r.warnings[0];
  EXPECT_NE(std::string::npos, r.warnings[1].find("Dec  7 10:00:03")) << r.warnings[1];
  for (int s = 0; s < 2; ++s) {
    int64_t sum = 0;
    for (int c = 0; c < data->SiteCallCounts[s]; ++c) sum += data->CallSeconds(c, s);
    EXPECT_EQ(sum, data->SiteSeconds[s]);
  }
}

}  // namespace
}  // namespace tallix

namespace tallix {
namespace {

// The periods of a range come from a tally over it, and the tally shown
// before keeps its tables: the main window's reports still read them.
TEST(RangePeriodsTest, TalliesTheRangeAndKeepsTheLastTally) {
  auto data = DataWith({}, {"01111111111", "02222222222"});
  data->RouterIdentifier = "isdnrouter";
  std::string log = "no time " + Line("", "01111111111", "5").substr(1) + "\n";
  for (const auto& [stamp, number, seconds] :
       {std::tuple{"2026-11-30T23:59:59Z", "01111111111", "10"},
        {"2026-12-01T00:00:00+01:00", "01111111111", "20"},
        {"2026-12-31T23:59:59-0500", "02222222222", "31"},
        {"2027-02-01T00:00:00Z", "01111111111", "40"}}) {
    log += Line(stamp, number, seconds) + "\n";
  }
  ASSERT_TRUE(testing_util::LoadText(*data, log).status.ok());
  TallyCalls(*data, "Dec");
  const auto counts = data->SiteCallCounts;

  const std::optional<LogDays> days = LogDaysOf(*data);
  ASSERT_TRUE(days);
  EXPECT_EQ(std::tuple(std::chrono::year(2026) / 11 / 30, std::chrono::year(2027) / 2 / 1),
            std::tuple(days->first, days->last));
  // The first site's calls with a time, two of them beyond the tally shown.
  const RangePeriods periods =
      TallyRangePeriods(*data, *DayRange(days->first, days->last), PeriodUnit::kMonth);
  EXPECT_EQ(3, periods.totals[0].calls);
  EXPECT_EQ(counts, data->SiteCallCounts);
  EXPECT_EQ(20, data->CallSeconds(0, 0));
  EXPECT_FALSE(DayRange(std::chrono::year(2026) / 12 / 2, std::chrono::year(2026) / 12 / 1));
}

}  // namespace
}  // namespace tallix
