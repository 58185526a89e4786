#pragma once
// What calls cost under a tariff file (config/tariff_file.h): which tariff a
// number takes, the charge of one call in units by weekday and time of day,
// the periods budgets are kept by, and amounts as text. Amounts are int64
// millionths of the currency's unit and nothing here uses floating point.
// An amount that would pass kMaxMoney (a call of billions of expensive
// units, or a sum of such calls) is held at kMaxMoney instead: costs
// saturate, they never wrap.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/analysis/call_time.h"
#include "engine/analysis/periods.h"
#include "engine/config/tariff_file.h"

namespace tallix {

inline constexpr int64_t kMaxMoney = std::numeric_limits<int64_t>::max();

// a + b, held at kMaxMoney. REQUIRES: a, b >= 0 (costs and their sums).
int64_t AddMoney(int64_t a, int64_t b);

// The tariff (an index into tariffs.tariffs) of the longest prefix that
// `number` starts with, the first in file order among equally long ones ("",
// the shortest, matches every number); none when no prefix matches.
// `number` is the line's 11-character number field as the tally reads it.
std::optional<size_t> ChooseTariff(const Tariffs& tariffs, std::string_view number);

// When a call that ended at `time` after `seconds` began: time - seconds.
// None when that lies outside the times costing handles (about 146 billion
// years either side of 1970), which no line's time less a 64-bit number of
// seconds can reach unless the seconds are absurd.
std::optional<WallTime> CallStart(WallTime time, int64_t seconds);

// Costs calls, many of them: built once from a tariff file, it keeps the
// tariffs' zones by day and remembers stretches between holidays that long
// calls pass whole, so that costing never walks a unit at a time. Not for
// use from two threads at once (Cost updates what it remembers).
//
// The time a call takes is bounded by the zone changes it passes in the
// weeks that hold a holiday, plus, between holidays, the weeks until the
// phase of the units at Monday 00:00 repeats: one week when the units fill
// their zones evenly (always with 1-second units), and never more weeks than
// the tariff's longest unit has seconds.
class CallCoster {
 public:
  explicit CallCoster(const Tariffs& tariffs);

  // The cost of a call under tariff `tariff` that began at `start` (wall
  // clock, as the line's own offset wrote it) and lasted `seconds`: the
  // tariff's setup plus the price of each unit. The first unit begins at
  // `start`, each next one where the one before ends; each takes the length
  // and price of the first zone, in file order, whose days hold that date's
  // day (Hol on a holiday, in place of its weekday) and whose [from, to)
  // holds the time it begins; a unit begun is paid whole. A call of 0 s or
  // fewer pays the setup only. None when `tariff` is no index of the file,
  // when the call ends outside the times CallStart gives, or when the tariff
  // leaves a time without a zone (a file ReadTariffText refuses).
  std::optional<int64_t> Cost(size_t tariff, WallTime start, int64_t seconds);

 private:
  struct Zone {
    int64_t unit_seconds;
    int64_t unit_price;
  };
  struct Segment {
    int32_t end;   // second of the day the segment ends at
    int32_t zone;  // index into zones
  };
  // The phase and the cost a walk leaves a stretch with.
  struct Step {
    int64_t phase_in = -1;  // the phase the step was made for; -1: none yet
    int64_t phase_out = 0;
    int64_t cost = 0;
  };
  struct Walk {
    int64_t next;  // when the next unit begins, seconds of the wall clock
    int64_t cost;
  };
  struct Plan {
    bool usable = true;
    int64_t setup = 0;
    std::vector<Zone> zones;
    std::vector<Segment> days[kDayKinds];  // each day kind in segments of one zone
    // Walks from holiday i's 00:00 to the next holiday's: the one last made
    // for each i, and every one made, by i * (seconds of a day) + phase.
    std::vector<Step> stretches;
    std::unordered_map<uint64_t, Step> stretch_phases;
  };

  void Plain(const Plan& plan, Walk& walk, int64_t limit, bool holiday) const;
  void Free(const Plan& plan, Walk& walk, int64_t limit) const;
  Step Stretch(Plan& plan, size_t holiday, int64_t phase);

  std::vector<int64_t> holidays_;  // day numbers, ascending
  std::vector<Plan> plans_;        // one per tariff
  size_t remembered_ = 0;          // Steps held, over all plans
};

// One call's cost with a coster made for it: for a single line or a test.
std::optional<int64_t> CostOfCall(const Tariffs& tariffs, size_t tariff, WallTime start,
                                  int64_t seconds);

// `amount` with `decimals` places (0..6), rounded half up: 355000 (0.355)
// with 2 places is "0.36", with 0 places "0". A negative amount has a
// leading "-" and rounds toward the next larger value (-0.355 -> "-0.35").
void AppendMoney(std::string& out, int64_t amount, int decimals);
std::string MoneyText(int64_t amount, int decimals);

// The period of `per` that holds `day`, named as the periods report names
// it: "2026-12-05", "2026-W49" (ISO 8601 week) or "2026-12".
std::string BudgetPeriodKey(PeriodUnit per, std::chrono::local_days day);

// The budget of the site with `number` per `per`; null when it has none.
const Budget* FindBudget(const Tariffs& tariffs, std::string_view number, PeriodUnit per);

// A period's cost is over its budget when it passes the amount.
inline bool OverBudget(int64_t cost, const Budget& budget) { return cost > budget.amount; }

}  // namespace tallix
