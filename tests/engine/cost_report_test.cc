// The reports of a tally with a tariff file, whole, over a log whose costs
// were worked out by hand: a unit that starts at 17:59 in the day zone and
// runs into the night, a holiday, a line credited to two sites, a number no
// site has, one no tariff covers, and a monthly budget passed.

#include <gtest/gtest.h>

#include "engine/analysis/cost.h"
#include "engine/reports/periods_csv.h"
#include "support/fake_log_files.h"
#include "support/test_util.h"

namespace tallix {
namespace {

constexpr char kTariffs[] = R"(currency = "EUR"
holidays = ["2026-12-25"]
[[tariff]]
name = "Local"
prefixes = ["0123"]
  [[tariff.zone]]
  days = ["Mon", "Tue", "Wed", "Thu", "Fri"]
  from = "08:00"
  to = "18:00"
  unit_seconds = 90
  unit_price = "0.06"
  [[tariff.zone]]
  days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun", "Hol"]
  from = "00:00"
  to = "24:00"
  unit_seconds = 240
  unit_price = "0.06"
[[tariff]]
name = "Long distance"
prefixes = ["0"]
setup = "0.10"
  [[tariff.zone]]
  days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun", "Hol"]
  from = "00:00"
  to = "24:00"
  unit_seconds = 60
  unit_price = "0.12"
[[budget]]
number = "01234123456"
per = "month"
amount = "0.20"
)";

std::string Call(const std::string& stamp, const std::string& number, int seconds) {
  return stamp + " isdnrouter isdn: call from " + number + " disconnected, lasted " +
         std::to_string(seconds) + " seconds";
}

struct CostCase {
  const char* name;
  std::string (*text)(const ReportRequest& request);
  const char* expected;
};

class CostReportTest : public testing::TestWithParam<CostCase> {};

TEST_P(CostReportTest, WholeText) {
  const TariffRead tariffs = ReadTariffText(kTariffs, "Tariffs.toml");
  ASSERT_TRUE(tariffs.ok()) << tariffs.error;
  SiteConfig config = testing_util::SitesOf({"01234123456", "02079460123", "01234123456"});
  config.SiteNames = {"Head Office", "Depot", "Shared"};
  const testing_util::Tallied tallied(
      testing_util::LogOf(
          {Call("Dec  7 18:01:00", "01234123456", 120), Call("Dec  8 09:00:00", "07777000001", 0),
           Call("Dec  8 09:00:00", "99999", 5), Call("Dec 25 10:00:00", "02079460123", 61),
           Call("Dec 25 12:00:00", "01234123456", 300)}),
      config, " ", {}, &tariffs.tariffs);
  ReportRequest request = tallied.request();
  request.by = PeriodUnit::kMonth;
  EXPECT_EQ(GetParam().expected, GetParam().text(request));
}

INSTANTIATE_TEST_SUITE_P(
    Reports, CostReportTest,
    testing::Values(
        CostCase{"Tariffs", [](const ReportRequest& r) { return ReportTextOf(WriteTariffsCsv, r); },
                 "tariff,calls,seconds,cost\r\n"
                 "Local,5,486,0.36\r\n"
                 "Long distance,5,486,1.70\r\n"
                 "as charged,4,481,0.68\r\n"},
        CostCase{"Calls", [](const ReportRequest& r) { return ReportTextOf(WriteCallsCsv, r); },
                 "site,number,stamp,seconds,time,cost\r\n"
                 "Head Office,01234123456,Dec  7 18:01:00,120,2026-12-07T18:01:00,0.12\r\n"
                 "Head Office,01234123456,Dec 25 12:00:00,300,2026-12-25T12:00:00,0.12\r\n"
                 "Depot,02079460123,Dec 25 10:00:00,61,2026-12-25T10:00:00,0.34\r\n"
                 "Shared,01234123456,Dec  7 18:01:00,120,2026-12-07T18:01:00,0.12\r\n"
                 "Shared,01234123456,Dec 25 12:00:00,300,2026-12-25T12:00:00,0.12\r\n"},
        CostCase{"PeriodsAndBudgets",
                 [](const ReportRequest& r) {
                   const PeriodTable table(CountedTimedCalls(r.log, r.tally), 3,
                                           PeriodUnit::kMonth);
                   const PeriodCosts costs{*r.tariffs, r.config.SiteNumbers, PeriodUnit::kMonth};
                   return PeriodsCsvText(table, r.config.SiteNames, &costs);
                 },
                 "period,start,end,site,calls,seconds,average_seconds,longest_seconds,"
                 "change_calls,change_seconds,cost,budget,over_budget\r\n"
                 "2026-12,2026-12-01,2026-12-31,Head Office,2,420,210,300,,,0.24,0.20,yes\r\n"
                 "2026-12,2026-12-01,2026-12-31,Depot,1,61,61,61,,,0.34,,\r\n"
                 "2026-12,2026-12-01,2026-12-31,Shared,2,420,210,300,,,0.24,0.20,yes\r\n"},
        CostCase{"Overruns",
                 [](const ReportRequest& r) {
                   return JoinCrLf(BudgetOverruns(r.log, r.config, r.tally, *r.tariffs));
                 },
                 "site \"Head Office\" is over its budget in 2026-12: 0.24 of 0.20 EUR\r\n"
                 "site \"Shared\" is over its budget in 2026-12: 0.24 of 0.20 EUR\r\n"},
        // The audit's cost is the line's, once, whatever its sites; the line
        // no tariff covers has none.
        CostCase{"Audit", [](const ReportRequest& r) { return ReportTextOf(WriteAuditCsv, r); },
                 "file,line,stamp,number,seconds,result,time,cost\r\n"
                 "/log,1,Dec  7 18:01:00,01234123456,120,Head Office + Shared,"
                 "2026-12-07T18:01:00,0.12\r\n"
                 "/log,2,Dec  8 09:00:00,07777000001,0,unmatched,2026-12-08T09:00:00,0.10\r\n"
                 "/log,3,Dec  8 09:00:00,99999 disco,5,unmatched,2026-12-08T09:00:00,\r\n"
                 "/log,4,Dec 25 10:00:00,02079460123,61,Depot,2026-12-25T10:00:00,0.34\r\n"
                 "/log,5,Dec 25 12:00:00,01234123456,300,Head Office + Shared,"
                 "2026-12-25T12:00:00,0.12\r\n"},
        CostCase{"JsonUnmatchedAndWithoutCost",
                 [](const ReportRequest& r) {
                   const std::string json = ReportTextOf(WriteJsonReport, r);
                   const size_t at = json.find("\"unmatched\":[");
                   return json.substr(at, json.find(']', at) - at + 1) +
                          json.substr(json.find("\n    \"without_cost\""));
                 },
                 "\"unmatched\":[\n"
                 "    {\"number\":\"07777000001\",\"calls\":1,\"seconds\":0,\"cost\":\"0.10\"},\n"
                 "    {\"number\":\"99999 disco\",\"calls\":1,\"seconds\":5,\"cost\":null}]"
                 "\n    \"without_cost\":1}}\n"}),
    [](const testing::TestParamInfo<CostCase>& row) { return row.param.name; });

// Calls ten years apart, by day: 3654 periods make at most 300 bars, the
// last holding what is left.
TEST(HtmlChart, BarsStayFewOnALongSpan) {
  LoadResult load = testing_util::LoadText(Call("2016-01-01T00:00:00Z", "01234123456", 5) + "\n" +
                                           Call("2026-01-01T00:00:00Z", "01234123456", 7) + "\n");
  const testing_util::Tallied tallied(std::move(load.log), testing_util::SitesOf({"01234123456"}),
                                      " ");
  ReportRequest request = tallied.request();
  request.by = PeriodUnit::kDay;
  const std::string page = ReportTextOf(WriteHtmlReport, request);
  EXPECT_NE(std::string::npos,
            page.find("Each bar holds 13 days (the last bar 1), named after the first of them."));
}

}  // namespace
}  // namespace tallix
