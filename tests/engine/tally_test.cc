#include "engine/analysis/tally.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "engine/analysis/range_periods.h"
#include "support/fake_log_files.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::LogOf;
using testing_util::SitesOf;

// The kept line behind each counted call, site by site.
std::vector<std::vector<int32_t>> CountedLines(const TallyResult& r) {
  std::vector<std::vector<int32_t>> lines;
  for (const SiteTally& site : r.sites) {
    lines.emplace_back();
    for (const CountedCall& call : site.calls) lines.back().push_back(call.line);
  }
  return lines;
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
  const LoadedLog log = LogOf(
      {Line("Dec  7 10:00:01", "01234123456", "75"), Line("Dec  7 11:00:01", "02079460123", "3661"),
       Line("Dec  8 09:00:00", "09999999999", "7"), Line("Dec  8 09:00:00", "01234123456", "5"),
       Line("Dec  8 09:30:00", "09999999999", "9999999999")});
  const TallyResult r =
      TallyCalls(log, SitesOf({"01234123456", "02079460123", "0123412345", "01234123456"}), " ");
  EXPECT_EQ((std::vector<std::vector<int32_t>>{{0, 3}, {1}, {}, {0, 3}}), CountedLines(r));
  EXPECT_EQ(80 + 3661 + 80, r.counted_seconds);
  EXPECT_EQ(2u, r.reconciliation.unmatched);
  EXPECT_EQ(7, r.unmatched_seconds);  // a duration beyond 32 bits counts 0
  EXPECT_EQ("All Data", r.caption);
  const std::pair<int16_t, int32_t> expected[] = {{2, 80}, {1, 3661}, {0, 0}, {2, 80}};
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(expected[s].first, r.SiteCallCounts(s)) << s;
    EXPECT_EQ(expected[s].second, r.SiteSeconds(s)) << s;
  }
  EXPECT_EQ("Dec  8 09:00:00", r.CallStamps(1, 0));
  EXPECT_EQ(5, r.CallSeconds(1, 0));
  EXPECT_TRUE(r.warnings.empty());
}

TEST(Tally, SelectionMatchesTheStampOnly) {
  const LoadedLog log = LogOf({Line("Dec  7 10:00:01", "01234123456", "1"),
                               Line("Dec  8 10:00:01", "01234123456", "2"),
                               Line("DEC  8 23:00:01", "01234123456", "4"),
                               std::string("NoBlankInStamp!") + " from 01234123456 lasted 8"});
  const SiteConfig config = SitesOf({"01234123456"});
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
    const TallyResult r = TallyCalls(log, config, c.selection);
    EXPECT_EQ(c.caption, r.caption);
    EXPECT_EQ(c.calls, r.SiteCallCounts(0)) << "'" << c.selection << "'";
    EXPECT_EQ(c.seconds, r.SiteSeconds(0)) << "'" << c.selection << "'";
  }
}

TEST(Tally, NumbersCompareExactly) {
  // The second line's number starts past its end: empty, as one site's is.
  const LoadedLog log =
      LogOf({Line("Dec  7 10:00:01", "01234123456", "1"), "Dec  7 10:00:02 from"});
  const TallyResult r = TallyCalls(
      log, SitesOf({"0123412345", "01234123456 ", "01234123456", "O1234123456", ""}), " ");
  EXPECT_EQ((std::array<int16_t, 5>{0, 0, 1, 0, 1}),
            (std::array<int16_t, 5>{r.SiteCallCounts(0), r.SiteCallCounts(1), r.SiteCallCounts(2),
                                    r.SiteCallCounts(3), r.SiteCallCounts(4)}));
}

TEST(Tally, NoSitesOrNoLinesStillCaptions) {
  const LoadedLog one = LogOf({Line("Dec  7 10:00:01", "01234123456", "1")});
  TallyResult r = TallyCalls(one, SitesOf({}), "x");
  EXPECT_EQ("Free Date Search : 'x'", r.caption);
  EXPECT_EQ(1u, r.reconciliation.kept);
  EXPECT_EQ(0u, r.reconciliation.selected);
  EXPECT_TRUE(r.sites.empty());

  const LoadedLog empty = LogOf({});
  r = TallyCalls(empty, SitesOf({"01234123456", "1"}), " ");
  EXPECT_EQ("All Data", r.caption);
  ASSERT_EQ(2u, r.sites.size());
  EXPECT_EQ(0, r.SiteCallCounts(0));
  EXPECT_EQ(0, r.SiteSeconds(0));
}

// A SiteConfig made by hand may hold any count: no site beyond the tenth is read.
TEST(Tally, SiteCountOutsideZeroToTenReadsNoSiteBeyond) {
  const LoadedLog log = LogOf({Line("Dec  7 10:00:01", "01234123456", "1")});
  SiteConfig config = SitesOf({"01234123456"});
  for (const int16_t count : {int16_t{-3}, int16_t{11}, int16_t{32767}}) {
    config.SiteCount = count;
    const TallyResult r = TallyCalls(log, config, " ");
    EXPECT_EQ(count < 0 ? 0u : 1u, r.reconciliation.credits) << count;
    EXPECT_EQ(count < 0 ? 0u : 10u, r.sites.size()) << count;
  }
}

TEST(TallyLimits, CallsPerSiteAtTheEdge) {
  for (const int calls : {10001, 10002, 12000}) {
    std::vector<std::string> lines;
    for (int i = 0; i < calls; ++i) lines.push_back(Line("Dec  7 10:00:01", "01234123456", "2"));
    const LoadedLog log = LogOf(lines);
    const TallyResult r = TallyCalls(log, SitesOf({"01234123456", "01234123456"}), " ");
    EXPECT_EQ(10001, r.SiteCallCounts(0));
    EXPECT_EQ(20002, r.SiteSeconds(0));
    EXPECT_EQ(10001, r.SiteCallCounts(1));
    EXPECT_EQ(2u * static_cast<uint64_t>(calls - 10001), r.reconciliation.beyond_site_limit);
    ASSERT_EQ(10001u, r.sites[1].calls.size());
    EXPECT_EQ(10000, r.sites[1].calls.back().line);
    // One warning per full site, not per call.
    EXPECT_EQ(calls > 10001 ? 2u : 0u, r.warnings.size()) << calls;
  }
}

TEST(TallyLimits, DurationsAndTotalsNeverOverflow) {
  const LoadedLog log = LogOf({Line("Dec  7 10:00:01", "01234123456", "2147483647"),
                               Line("Dec  7 10:00:02", "01234123456", "1"),
                               Line("Dec  7 10:00:03", "01234123456", "2147483648"),
                               Line("Dec  7 10:00:04", "02079460123", "-2e9"),
                               Line("Dec  7 10:00:05", "02079460123", "-2e9"),
                               Line("Dec  7 10:00:06", "02079460123", "5")});
  const TallyResult r = TallyCalls(log, SitesOf({"01234123456", "02079460123"}), " ");
  EXPECT_EQ(3, r.SiteCallCounts(0));
  EXPECT_EQ(2147483647, r.SiteSeconds(0));
  EXPECT_EQ(0, r.CallSeconds(1, 0));  // would overflow the total
  EXPECT_EQ(0, r.CallSeconds(2, 0));  // does not fit 32 bits
  EXPECT_EQ(3, r.SiteCallCounts(1));
  EXPECT_EQ(-1999999995, r.SiteSeconds(1));
  EXPECT_EQ(0, r.CallSeconds(1, 1));
  EXPECT_EQ(2147483647 - 1999999995, r.counted_seconds);
  ASSERT_EQ(3u, r.warnings.size());
  EXPECT_NE(std::string::npos, r.warnings[0].find("Dec  7 10:00:02")) << r.warnings[0];
  EXPECT_NE(std::string::npos, r.warnings[1].find("Dec  7 10:00:03")) << r.warnings[1];
  for (int s = 0; s < 2; ++s) {
    int64_t sum = 0;
    for (int c = 0; c < r.SiteCallCounts(s); ++c) sum += r.CallSeconds(c, s);
    EXPECT_EQ(sum, r.SiteSeconds(s));
  }
}

}  // namespace
}  // namespace tallix

namespace tallix {
namespace {

// The periods of a range come from a tally over it.
TEST(RangePeriodsTest, TalliesTheRange) {
  std::string log = "no time " + Line("", "01111111111", "5").substr(1) + "\n";
  for (const auto& [stamp, number, seconds] :
       {std::tuple{"2026-11-30T23:59:59Z", "01111111111", "10"},
        {"2026-12-01T00:00:00+01:00", "01111111111", "20"},
        {"2026-12-31T23:59:59-0500", "02222222222", "31"},
        {"2027-02-01T00:00:00Z", "01111111111", "40"}}) {
    log += Line(stamp, number, seconds) + "\n";
  }
  const LoadResult loaded = testing_util::LoadText(log);
  ASSERT_TRUE(loaded.status.ok());

  const std::optional<LogDays> days = LogDaysOf(loaded.log);
  ASSERT_TRUE(days);
  EXPECT_EQ(std::tuple(std::chrono::year(2026) / 11 / 30, std::chrono::year(2027) / 2 / 1),
            std::tuple(days->first, days->last));
  // The first site's calls with a time; its line without one is not in any range.
  const RangePeriods periods =
      TallyRangePeriods(loaded.log, SitesOf({"01111111111", "02222222222"}),
                        *DayRange(days->first, days->last), PeriodUnit::kMonth);
  EXPECT_EQ(3, periods.totals[0].calls);
  EXPECT_FALSE(DayRange(std::chrono::year(2026) / 12 / 2, std::chrono::year(2026) / 12 / 1));
}

}  // namespace
}  // namespace tallix
