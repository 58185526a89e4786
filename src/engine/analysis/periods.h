#pragma once
// The counted calls grouped by day, ISO 8601 week (Monday to Sunday) or
// month, per site, each period compared with the one before. The periods run
// from that of the earliest call to that of the latest, empty ones included.
// Only the periods that hold calls are stored: a log whose times lie
// centuries apart costs memory by its calls, and the empty periods between
// are made as they are walked.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analysis/call_time.h"

namespace tallix {

enum class PeriodUnit { kDay, kWeek, kMonth };

// "day", "week" or "month", and back; none for any other name.
std::string_view PeriodUnitName(PeriodUnit unit);
std::optional<PeriodUnit> ReadPeriodUnit(std::string_view name);

// A counted call with a time: the input the periods are made from.
struct TimedCall {
  WallTime time{};
  int site = 0;         // 0 <= site < the table's sites; others are left out
  int64_t seconds = 0;  // as added to the site's total
  int64_t cost = 0;     // millionths, 0 without one
};

// The figures of some calls.
struct CallFigures {
  int64_t calls = 0;
  int64_t seconds = 0;
  int64_t longest_seconds = 0;  // 0 with no calls
  int64_t cost = 0;             // millionths: the calls' costs together, held at its maximum

  void Add(int64_t call_seconds, int64_t call_cost = 0);
  // The seconds per call, rounded half up to a whole second; 0 with no calls.
  int64_t AverageSeconds() const;
};

// One site in one period.
struct PeriodSite {
  CallFigures figures;
  // This period's calls and seconds less the period before's; none for the
  // first period.
  std::optional<int64_t> change_calls;
  std::optional<int64_t> change_seconds;
};

// One period as it is walked; the views last until the next one.
struct PeriodRow {
  std::string_view label;  // "2026-12-05", "2026-W49" or "2026-12"
  std::chrono::year_month_day first_day;
  std::chrono::year_month_day last_day;
  std::span<const PeriodSite> sites;  // one per site, in order
};

class PeriodTable {
 public:
  PeriodTable(std::span<const TimedCall> calls, int sites, PeriodUnit unit);

  int sites() const { return sites_; }
  // The periods from the first to the last, empty ones included; 0 with no
  // call.
  int64_t size() const { return used_.empty() ? 0 : used_.back() - used_.front() + 1; }

  // Calls `visit` for every period, in time order.
  void ForEach(const std::function<void(const PeriodRow&)>& visit) const;
  // Period `index` as ForEach gives it, made alone: for a view that shows a
  // few of many periods. Its views last while `label` and `sites` do.
  // REQUIRES: 0 <= index < size().
  PeriodRow At(int64_t index, std::string& label, std::vector<PeriodSite>& sites) const;
  // Calls `visit` with the index and the sites' figures of each period that
  // has a call, in time order: for a view that adds periods up without
  // walking the empty ones.
  void ForEachWithCalls(
      const std::function<void(int64_t index, std::span<const CallFigures>)>& visit) const;

 private:
  PeriodUnit unit_;
  int sites_;
  std::vector<int64_t> used_;         // the numbers of the periods with calls, ascending
  std::vector<CallFigures> figures_;  // sites_ per entry of used_
};

}  // namespace tallix
