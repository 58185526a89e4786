#include "engine/analysis/call_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/analysis/periods.h"
#include "engine/analysis/time_range.h"
#include "engine/reports/periods_csv.h"

namespace tallix {
namespace {

using std::chrono::local_days;
using std::chrono::year_month_day;

// The times of `lines`, each as its time text ("" for none).
std::vector<std::string> TimeTexts(const std::vector<std::string>& lines, const YearRule& rule) {
  std::vector<LineStamp> stamps;
  for (const std::string& line : lines) stamps.push_back(ReadLineStamp(line));
  std::vector<std::string> texts;
  for (const CallTime& time : LineTimes(stamps, rule)) texts.push_back(TimeText(time));
  return texts;
}

// "YYYY-MM-DDThh:mm:ss" as a time without an offset.
CallTime At(const std::string& text) {
  const LineStamp stamp = ReadLineStamp(text + "Z ");
  CallTime time = LineTimes({&stamp, 1}, YearRule{})[0];
  time.has_offset = false;
  return time;
}

struct StampCase {
  const char* line;
  const char* time;         // with --year 2026; "" for none
  const char* mended = "";  // the line with an RFC 3339 stamp in the traditional form
};

class StampTest : public testing::TestWithParam<StampCase> {};

TEST_P(StampTest, ReadsTime) {
  const StampCase& c = GetParam();
  EXPECT_EQ(c.time, TimeTexts({c.line}, YearRule{2026, {}})[0]);
  const LineStamp stamp = ReadLineStamp(c.line);
  if (stamp.form == StampForm::kRfc3339) {
    const std::array<char, 15> text = TraditionalStamp(stamp);
    EXPECT_EQ(c.mended, std::string(text.data(), text.size()) + (c.line + stamp.length));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, StampTest,
    testing::Values(
        StampCase{"Dec  7 10:00:01 isdnrouter isdn: call", "2026-12-07T10:00:01"},
        StampCase{"dEC 07 09:08:07 any case, zero-padded day", "2026-12-07T09:08:07"},
        StampCase{"SEP 30 23:59:59", "2026-09-30T23:59:59"},
        StampCase{"Jun 30 23:59:60 leap second", "2026-06-30T23:59:59"},
        StampCase{"Feb 30 10:00:00 x", ""}, StampCase{"Dec  0 10:00:00 x", ""},
        StampCase{"Dec 32 10:00:00 x", ""}, StampCase{"Dec 7 10:00:01 x", ""},
        StampCase{"Dec 7  10:00:01 x", ""}, StampCase{"Dex  7 10:00:01 x", ""},
        StampCase{"Dec  7 24:00:00 x", ""}, StampCase{"Dec  7 10:60:00 x", ""},
        StampCase{"Dec  7 10:00:61 x", ""}, StampCase{"Dec  7 10:00:0", ""},
        StampCase{"Dec  7 10.00.01 x", ""},
        StampCase{"2026-12-07T10:00:01.123456+01:00 isdn", "2026-12-07T10:00:01+01:00",
                  "Dec  7 10:00:01 isdn"},
        StampCase{"2026-12-07 10:00:01Z isdn", "2026-12-07T10:00:01+00:00", "Dec  7 10:00:01 isdn"},
        StampCase{"2026-12-17t10:00:01z isdn", "2026-12-17T10:00:01+00:00", "Dec 17 10:00:01 isdn"},
        StampCase{"2027-01-05T09:08:07-0530 x", "2027-01-05T09:08:07-05:30", "Jan  5 09:08:07 x"},
        StampCase{"2026-12-07T10:00:01.5+0100 x", "2026-12-07T10:00:01+01:00", "Dec  7 10:00:01 x"},
        StampCase{"2026-12-07T10:00:01-00:00 x", "2026-12-07T10:00:01-00:00", "Dec  7 10:00:01 x"},
        StampCase{"2028-02-29T00:00:00+23:59 x", "2028-02-29T00:00:00+23:59", "Feb 29 00:00:00 x"},
        StampCase{"2026-12-31T23:59:60+00:00 x", "2026-12-31T23:59:59+00:00", "Dec 31 23:59:60 x"},
        StampCase{"2026-12-07T10:00:01 no offset", ""},
        StampCase{"2026-12-07T10:00:01.+01:00 x", ""},
        StampCase{"2026-12-07T10:00:01+01:00isdn", ""}, StampCase{"2026-12-07T10:00:01+01:00", ""},
        StampCase{"2026-12-07T10:00:01+24:00 x", ""}, StampCase{"2026-12-07T10:00:01+01:60 x", ""},
        StampCase{"2026-12-07T10:00:01+1:00 x", ""}, StampCase{"2026-02-29T10:00:00Z x", ""},
        StampCase{"2026-13-07T10:00:00Z x", ""}, StampCase{"0000-12-07T10:00:00Z x", ""},
        StampCase{"2026-12-07_10:00:00Z x", ""}, StampCase{"26-12-07T10:00:00Z x", ""}));

// Lines or times joined by '|'; none in "".
std::vector<std::string> Split(std::string_view joined) {
  std::vector<std::string> parts;
  if (joined.empty()) return parts;
  for (size_t bar; (bar = joined.find('|')) != std::string_view::npos;
       joined.remove_prefix(bar + 1))
    parts.emplace_back(joined.substr(0, bar));
  parts.emplace_back(joined);
  return parts;
}

struct YearCase {
  const char* lines;
  std::optional<int> year;
  const char* reference;  // the last file's time, without --year
  const char* times;
};

class YearTest : public testing::TestWithParam<YearCase> {};

TEST_P(YearTest, GivesYears) {
  const YearCase& c = GetParam();
  const YearRule rule{c.year, At(c.reference ? c.reference : "1970-01-01T00:00:00").wall};
  EXPECT_EQ(Split(c.times), TimeTexts(Split(c.lines), rule)) << c.lines;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, YearTest,
    testing::Values(
        // Dec to Jan starts a year, with --year or the last file's time.
        YearCase{"Dec 31 23:00:00|Jan  1 00:10:00", 2026, nullptr,
                 "2026-12-31T23:00:00|2027-01-01T00:10:00"},
        YearCase{"Dec 31 23:00:00|Jan  1 00:10:00", std::nullopt, "2027-03-01T00:00:00",
                 "2026-12-31T23:00:00|2027-01-01T00:10:00"},
        YearCase{"Dec 31 23:00:00|Jan  1 00:10:00", std::nullopt, "2027-01-01T00:10:00",
                 "2026-12-31T23:00:00|2027-01-01T00:10:00"},
        // The last line would lie after the file's time: the year before.
        YearCase{"Dec 31 23:00:00|Jan  1 00:10:01", std::nullopt, "2027-01-01T00:10:00",
                 "2025-12-31T23:00:00|2026-01-01T00:10:01"},
        // A late line just after New Year goes back a year.
        YearCase{"Jan  1 00:00:01|Dec 31 23:59:59|Jan  1 00:00:02", 2027, nullptr,
                 "2027-01-01T00:00:01|2026-12-31T23:59:59|2027-01-01T00:00:02"},
        YearCase{"Jan  1 00:00:00|Jun  1 00:00:00|Nov  1 00:00:00|Apr  1 00:00:00", 2026, nullptr,
                 "2026-01-01T00:00:00|2026-06-01T00:00:00|2026-11-01T00:00:00|2027-04-01T00:00:00"},
        YearCase{"Jul  1 00:00:00|Jan  1 00:00:00|Jul  1 00:00:00", 2026, nullptr,
                 "2026-07-01T00:00:00|2027-01-01T00:00:00|2026-07-01T00:00:00"},
        // Lines of other forms take no part in the walk.
        YearCase{"Jan  1 00:00:00|2020-05-01T00:00:00Z x|garbage|Oct  1 00:00:00", 2026, nullptr,
                 "2026-01-01T00:00:00|2020-05-01T00:00:00+00:00||2025-10-01T00:00:00"},
        YearCase{"Feb 29 12:00:00|Mar  1 12:00:00", std::nullopt, "2026-12-07T00:00:00",
                 "|2026-03-01T12:00:00"},
        YearCase{"Feb 29 12:00:00", 2028, nullptr, "2028-02-29T12:00:00"},
        YearCase{"Dec 31 00:00:00|Jan  1 00:00:00", 9999, nullptr, "9999-12-31T00:00:00|"}));

struct RangeCase {
  const char* since;  // nullptr: not given
  const char* until;
  std::string caption_or_error;
  const char* inside = "";  // times joined by '|'
  const char* outside = "";
};

class RangeTest : public testing::TestWithParam<RangeCase> {};

TEST_P(RangeTest, ReadsAndSelects) {
  const RangeCase& c = GetParam();
  const auto given = [](const char* text) {
    return text ? std::optional<std::string_view>(text) : std::nullopt;
  };
  TimeRange range;
  const Status status = ReadTimeRange(given(c.since), given(c.until), range);
  EXPECT_EQ(c.caption_or_error, status.ok() ? RangeCaption(range) : status.message());
  for (const bool inside : {true, false}) {
    for (const std::string& time : Split(inside ? c.inside : c.outside))
      EXPECT_EQ(inside, range.Contains(At(time))) << time;
  }
  EXPECT_EQ(!range.limited(), range.Contains(CallTime{}));
}

std::string FormError(const std::string& option, const std::string& text) {
  return option + " '" + text +
         "' is not a date and time: write YYYY-MM-DD, 'YYYY-MM-DD hh:mm' or YYYY-MM-DDThh:mm:ss";
}

INSTANTIATE_TEST_SUITE_P(
    Ends, RangeTest,
    testing::Values(
        RangeCase{"2026-12-07", "2026-12-07", "from 7 Dec 2026 to 7 Dec 2026",
                  "2026-12-07T00:00:00|2026-12-07T23:59:59",
                  "2026-12-06T23:59:59|2026-12-08T00:00:00"},
        RangeCase{"2026-12-01 08:30", nullptr, "since 1 Dec 2026 08:30",
                  "2026-12-01T08:30:00|9999-12-31T23:59:59", "2026-12-01T08:29:59"},
        RangeCase{nullptr, "2026-12-07T10:00:05", "until 7 Dec 2026 10:00:05",
                  "2026-12-07T10:00:05|0001-01-01T00:00:00", "2026-12-07T10:00:06"},
        RangeCase{"2026-12-07 10:00", "2026-12-07", "from 7 Dec 2026 10:00 to 7 Dec 2026"},
        // One moment: since equals until to the second.
        RangeCase{"2026-12-07T10:00:05", "2026-12-07T10:00:05",
                  "from 7 Dec 2026 10:00:05 to 7 Dec 2026 10:00:05", "2026-12-07T10:00:05",
                  "2026-12-07T10:00:04|2026-12-07T10:00:06"},
        RangeCase{nullptr, nullptr, "", "2026-12-07T10:00:00"},
        RangeCase{"2026-12-08", "2026-12-07",
                  "--since '2026-12-08' lies after --until '2026-12-07'"},
        RangeCase{"2026-12-7", nullptr, FormError("--since", "2026-12-7")},
        RangeCase{nullptr, "2026-12-07T10:00", FormError("--until", "2026-12-07T10:00")},
        RangeCase{"2026-12-07 10:00:00", nullptr, FormError("--since", "2026-12-07 10:00:00")},
        RangeCase{"2026-12-07T23:59:60", nullptr, FormError("--since", "2026-12-07T23:59:60")},
        RangeCase{"2026-02-29", nullptr, FormError("--since", "2026-02-29")},
        RangeCase{"0000-01-01", nullptr, FormError("--since", "0000-01-01")},
        RangeCase{"2026-12-01", "2026-12-07 24:00", FormError("--until", "2026-12-07 24:00")}));

// The periods of calls at `times` (joined by '|'), one a line: "label start end".
std::string Walk(PeriodUnit unit, std::string_view times) {
  std::vector<TimedCall> calls;
  for (const std::string& time : Split(times)) calls.push_back(TimedCall{At(time).wall, 0, 1});
  const PeriodTable table(calls, 1, unit);
  std::string walked;
  int64_t index = 0;
  table.ForEach([&](const PeriodRow& period) {
    std::string label;
    std::vector<PeriodSite> sites;
    const PeriodRow alone = table.At(index++, label, sites);
    EXPECT_EQ(period.label, alone.label);
    EXPECT_EQ(period.sites[0].figures.calls, alone.sites[0].figures.calls);
    EXPECT_EQ(period.sites[0].change_calls, alone.sites[0].change_calls);
    walked += period.label;
    walked += ' ';
    AppendDateText(walked, period.first_day);
    walked += ' ';
    AppendDateText(walked, period.last_day);
    walked += '\n';
  });
  EXPECT_EQ(table.size(), std::count(walked.begin(), walked.end(), '\n'));
  return walked;
}

struct WalkCase {
  PeriodUnit unit;
  const char* times;
  const char* periods;
};

class PeriodWalkTest : public testing::TestWithParam<WalkCase> {};

TEST_P(PeriodWalkTest, LabelsEveryPeriod) {
  EXPECT_EQ(GetParam().periods, Walk(GetParam().unit, GetParam().times));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, PeriodWalkTest,
    testing::Values(
        WalkCase{PeriodUnit::kDay, "2028-03-01T00:00:00|2028-02-28T23:59:59",
                 "2028-02-28 2028-02-28 2028-02-28\n2028-02-29 2028-02-29 2028-02-29\n"
                 "2028-03-01 2028-03-01 2028-03-01\n"},
        WalkCase{PeriodUnit::kWeek, "2026-12-05T10:00:00", "2026-W49 2026-11-30 2026-12-06\n"},
        WalkCase{PeriodUnit::kWeek, "2026-12-27T23:59:59|2027-01-04T00:00:00",
                 "2026-W52 2026-12-21 2026-12-27\n2026-W53 2026-12-28 2027-01-03\n"
                 "2027-W01 2027-01-04 2027-01-10\n"},
        WalkCase{PeriodUnit::kWeek, "2025-12-29T00:00:00|2026-01-04T23:59:59",
                 "2026-W01 2025-12-29 2026-01-04\n"},
        WalkCase{PeriodUnit::kWeek, "2021-01-03T00:00:00", "2020-W53 2020-12-28 2021-01-03\n"},
        WalkCase{PeriodUnit::kWeek, "1969-12-31T00:00:00|1970-01-05T00:00:00",
                 "1970-W01 1969-12-29 1970-01-04\n1970-W02 1970-01-05 1970-01-11\n"},
        WalkCase{PeriodUnit::kMonth, "1969-12-31T00:00:00|1970-01-01T00:00:00",
                 "1969-12 1969-12-01 1969-12-31\n1970-01 1970-01-01 1970-01-31\n"},
        WalkCase{PeriodUnit::kMonth, "2028-02-10T00:00:00", "2028-02 2028-02-01 2028-02-29\n"},
        WalkCase{PeriodUnit::kMonth, "", ""}));

struct AverageCase {
  int64_t seconds;
  int64_t calls;
  int64_t average;
};

class AverageTest : public testing::TestWithParam<AverageCase> {};

TEST_P(AverageTest, RoundsHalfUp) {
  const CallFigures figures{GetParam().calls, GetParam().seconds, 0};
  EXPECT_EQ(GetParam().average, figures.AverageSeconds());
}

INSTANTIATE_TEST_SUITE_P(Rounding, AverageTest,
                         testing::Values(AverageCase{151, 2, 76}, AverageCase{150, 2, 75},
                                         AverageCase{5, 3, 2}, AverageCase{4, 3, 1},
                                         AverageCase{-11, 2, -5}, AverageCase{-7, 2, -3},
                                         AverageCase{-5, 3, -2}, AverageCase{0, 0, 0}));

TEST(PeriodsCsvTest, EveryPeriodAndSite) {
  const std::vector<TimedCall> calls = {
      {At("2027-01-02T08:00:00").wall, 0, 30}, {At("2026-11-10T08:00:00").wall, 0, 100},
      {At("2026-11-15T08:00:00").wall, 1, -6}, {At("2026-11-20T08:00:00").wall, 0, 51},
      {At("2026-11-30T23:59:59").wall, 1, -5}, {At("2026-10-01T08:00:00").wall, 2, 9},
      {At("2026-10-01T08:00:00").wall, -1, 9},
  };
  const std::vector<std::string> names = {"Head Office", "=cmd, \"Ltd\""};
  ReportSink csv;
  WritePeriodsCsv(PeriodTable(calls, 2, PeriodUnit::kMonth), names, csv);
  EXPECT_EQ(
      "period,start,end,site,calls,seconds,average_seconds,longest_seconds,change_calls,"
      "change_seconds\r\n"
      "2026-11,2026-11-01,2026-11-30,Head Office,2,151,76,100,,\r\n"
      "2026-11,2026-11-01,2026-11-30,\"'=cmd, \"\"Ltd\"\"\",2,-11,-5,-5,,\r\n"
      "2026-12,2026-12-01,2026-12-31,Head Office,0,0,0,0,-2,-151\r\n"
      "2026-12,2026-12-01,2026-12-31,\"'=cmd, \"\"Ltd\"\"\",0,0,0,0,-2,11\r\n"
      "2027-01,2027-01-01,2027-01-31,Head Office,1,30,30,30,1,30\r\n"
      "2027-01,2027-01-01,2027-01-31,\"'=cmd, \"\"Ltd\"\"\",0,0,0,0,0,0\r\n",
      csv.Take());
}

}  // namespace
}  // namespace tallix
