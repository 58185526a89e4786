#include "engine/analysis/cost.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

#include "engine/analysis/duration.h"

namespace tallix {
namespace {

constexpr int64_t kDay = 24 * 60 * 60;
constexpr int64_t kWeek = 7 * kDay;
// Times a walk may reach, in seconds either side of 1970: far enough inside
// 64 bits that a week or two added never overflows.
constexpr int64_t kTimeLimit = int64_t{1} << 62;
// Monday 1969-12-29 00:00: day 0 of the clock is a Thursday.
constexpr int64_t kMondayBeforeEpoch = -3 * kDay;
// Steps remembered over all tariffs before all are forgotten: a file of many
// tariffs and many holidays keeps memory bounded.
constexpr size_t kMaxRemembered = size_t{1} << 19;

// Mon = 0 .. Sun = 6 of day number `day`.
int Weekday(int64_t day) { return static_cast<int>(day + 3 - FloorDivide(day + 3, 7) * 7); }

int64_t MultiplyMoney(int64_t count, int64_t price) {
  int64_t product = 0;
  return __builtin_mul_overflow(count, price, &product) ? kMaxMoney : product;
}

// A time plus a duration, held at the largest time: a unit that long ends
// after every call.
int64_t AddTime(int64_t time, int64_t seconds) {
  int64_t sum = 0;
  return __builtin_add_overflow(time, seconds, &sum) ? std::numeric_limits<int64_t>::max() : sum;
}

void AppendNumber(std::string& out, uint64_t n, int width) {
  char digits[24];
  int length = 0;
  do {
    digits[length++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0 || length < width);
  while (length > 0) out += digits[--length];
}

}  // namespace

int64_t AddMoney(int64_t a, int64_t b) {
  int64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? kMaxMoney : sum;
}

std::optional<size_t> ChooseTariff(const Tariffs& tariffs, std::string_view number) {
  std::optional<size_t> chosen;
  size_t longest = 0;
  for (size_t t = 0; t < tariffs.tariffs.size(); ++t) {
    for (const std::string& prefix : tariffs.tariffs[t].prefixes) {
      if (!number.starts_with(prefix) || (chosen && prefix.size() <= longest)) continue;
      chosen = t;
      longest = prefix.size();
    }
  }
  return chosen;
}

std::optional<WallTime> CallStart(WallTime time, int64_t seconds) {
  int64_t start = 0;
  if (__builtin_sub_overflow(time.time_since_epoch().count(), seconds, &start) ||
      start < -kTimeLimit || start > kTimeLimit) {
    return std::nullopt;
  }
  return WallTime{std::chrono::seconds{start}};
}

CallCoster::CallCoster(const Tariffs& tariffs) {
  for (const std::chrono::local_days day : tariffs.holidays) {
    holidays_.push_back(day.time_since_epoch().count());
  }
  std::sort(holidays_.begin(), holidays_.end());
  holidays_.erase(std::unique(holidays_.begin(), holidays_.end()), holidays_.end());
  constexpr int kMinutes = 24 * 60;
  for (const Tariff& tariff : tariffs.tariffs) {
    Plan& plan = plans_.emplace_back();
    plan.setup = tariff.setup;
    for (const TariffZone& zone : tariff.zones) {
      plan.zones.push_back({std::max<int64_t>(zone.unit_seconds, 1), zone.unit_price});
    }
    for (int kind = 0; kind < kDayKinds; ++kind) {
      // Each minute takes the first zone that holds it: painted last to first.
      std::array<int32_t, kMinutes> owner;
      owner.fill(-1);
      for (size_t z = tariff.zones.size(); z-- > 0;) {
        const TariffZone& zone = tariff.zones[z];
        if ((zone.days >> kind & 1u) == 0) continue;
        const int from = std::clamp<int>(zone.from_minute, 0, kMinutes);
        const int to = std::clamp<int>(zone.to_minute, from, kMinutes);
        std::fill(owner.begin() + from, owner.begin() + to, static_cast<int32_t>(z));
      }
      std::vector<Segment>& segments = plan.days[kind];
      for (size_t minute = 0; minute < owner.size(); ++minute) {
        const auto end = static_cast<int32_t>((minute + 1) * 60);
        if (!segments.empty() && segments.back().zone == owner[minute]) {
          segments.back().end = end;
        } else {
          segments.push_back({end, owner[minute]});
        }
      }
      const bool in_use = kind != kHoliday || !holidays_.empty();
      if (in_use && std::any_of(owner.begin(), owner.end(), [](int32_t z) { return z < 0; })) {
        plan.usable = false;
      }
    }
  }
}

// Charges the units that begin before `limit`, a zone at a time: holiday
// says whether the days passed are holidays (all of them) or none.
void CallCoster::Plain(const Plan& plan, Walk& walk, int64_t limit, bool holiday) const {
  while (walk.next < limit) {
    const int64_t day = FloorDivide(walk.next, kDay);
    const int64_t second = walk.next - day * kDay;
    const std::vector<Segment>& segments = plan.days[holiday ? kHoliday : Weekday(day)];
    const auto segment =
        std::upper_bound(segments.begin(), segments.end(), second,
                         [](int64_t at, const Segment& candidate) { return at < candidate.end; });
    const Zone& zone = plan.zones[static_cast<size_t>(segment->zone)];
    const int64_t until = std::min(day * kDay + segment->end, limit);
    const int64_t units = (until - walk.next - 1) / zone.unit_seconds + 1;
    walk.cost = AddMoney(walk.cost, MultiplyMoney(units, zone.unit_price));
    int64_t span = 0;
    walk.next = __builtin_mul_overflow(units, zone.unit_seconds, &span)
                    ? std::numeric_limits<int64_t>::max()
                    : AddTime(walk.next, span);
  }
}

// Charges the units that begin before `limit` where no day is a holiday.
// Every week from Monday 00:00 is charged alike for a like phase (when its
// first unit begins after the Monday), so once a phase comes round again
// the weeks between repeat until the limit, and are added up at once. The
// phases are watched as Brent's cycle finding does: one kept at each power
// of two weeks, compared with every later one.
void CallCoster::Free(const Plan& plan, Walk& walk, int64_t limit) const {
  while (walk.next < limit) {
    const int64_t monday =
        kMondayBeforeEpoch + FloorDivide(walk.next - kMondayBeforeEpoch + kWeek - 1, kWeek) * kWeek;
    if (limit - monday < 2 * kWeek) return Plain(plan, walk, limit, false);
    Plain(plan, walk, monday, false);
    int64_t phase = walk.next - monday;
    const int64_t weeks = (limit - monday) / kWeek;
    int64_t done = 0;
    int64_t kept_phase = phase;
    int64_t kept_cost = walk.cost;
    int64_t kept_done = 0;
    int64_t power = 1;
    bool repeated = false;
    while (done < weeks && phase < kWeek) {
      Walk week{kMondayBeforeEpoch + phase, 0};
      Plain(plan, week, kMondayBeforeEpoch + kWeek, false);
      walk.cost = AddMoney(walk.cost, week.cost);
      phase = week.next - (kMondayBeforeEpoch + kWeek);
      ++done;
      if (repeated) continue;
      if (phase == kept_phase) {
        const int64_t period = done - kept_done;
        const int64_t cycles = (weeks - done) / period;
        walk.cost = AddMoney(walk.cost, MultiplyMoney(cycles, walk.cost - kept_cost));
        done += cycles * period;
        repeated = true;
      } else if (done - kept_done == power) {
        power *= 2;
        kept_phase = phase;
        kept_cost = walk.cost;
        kept_done = done;
      }
    }
    walk.next = AddTime(monday + done * kWeek, phase);
  }
}

// The walk from holiday `holiday`'s 00:00, its first unit `phase` seconds
// later (less than a day), to the next holiday's 00:00: remembered, as long
// calls pass the same stretches again and again.
CallCoster::Step CallCoster::Stretch(Plan& plan, size_t holiday, int64_t phase) {
  if (plan.stretches.empty() || remembered_ >= kMaxRemembered) {
    if (remembered_ + holidays_.size() >= kMaxRemembered) {
      for (Plan& other : plans_) {
        std::vector<Step>().swap(other.stretches);
        std::unordered_map<uint64_t, Step>().swap(other.stretch_phases);
      }
      remembered_ = 0;
    }
    plan.stretches.resize(holidays_.size());
    remembered_ += holidays_.size();
  }
  Step& last = plan.stretches[holiday];
  if (last.phase_in == phase) return last;
  const uint64_t key = holiday * static_cast<uint64_t>(kDay) + static_cast<uint64_t>(phase);
  const auto [known, fresh] = plan.stretch_phases.try_emplace(key);
  if (fresh) {
    ++remembered_;
    const int64_t begin = holidays_[holiday] * kDay;
    const int64_t end = holidays_[holiday + 1] * kDay;
    Walk walk{begin + phase, 0};
    Plain(plan, walk, begin + kDay, true);
    Free(plan, walk, end);
    known->second = {phase, walk.next - end, walk.cost};
  }
  last = known->second;
  return last;
}

std::optional<int64_t> CallCoster::Cost(size_t tariff, WallTime start, int64_t seconds) {
  if (tariff >= plans_.size() || !plans_[tariff].usable) return std::nullopt;
  Plan& plan = plans_[tariff];
  if (seconds <= 0) return plan.setup;
  const int64_t begin = start.time_since_epoch().count();
  int64_t end = 0;
  if (begin < -kTimeLimit || __builtin_add_overflow(begin, seconds, &end) || end > kTimeLimit) {
    return std::nullopt;
  }
  Walk walk{begin, plan.setup};
  auto holiday = holidays_.begin();
  while (walk.next < end) {
    // The first holiday that has not ended before the next unit: mostly the
    // one after the last.
    const int64_t day = FloorDivide(walk.next, kDay);
    if (holiday != holidays_.end() && *holiday < day && ++holiday != holidays_.end() &&
        *holiday < day) {
      holiday = std::lower_bound(holiday, holidays_.end(), day);
    }
    if (holiday == holidays_.end()) {
      Free(plan, walk, end);
      break;
    }
    const int64_t holiday_start = *holiday * kDay;
    if (walk.next < holiday_start) {
      Free(plan, walk, std::min(end, holiday_start));
      continue;
    }
    const auto index = static_cast<size_t>(holiday - holidays_.begin());
    if (index + 1 < holidays_.size() && holidays_[index + 1] * kDay <= end) {
      const Step step = Stretch(plan, index, walk.next - holiday_start);
      walk.cost = AddMoney(walk.cost, step.cost);
      walk.next = AddTime(holidays_[index + 1] * kDay, step.phase_out);
      continue;
    }
    Plain(plan, walk, std::min(end, holiday_start + kDay), true);
  }
  return walk.cost;
}

std::optional<int64_t> CostOfCall(const Tariffs& tariffs, size_t tariff, WallTime start,
                                  int64_t seconds) {
  return CallCoster(tariffs).Cost(tariff, start, seconds);
}

void AppendMoney(std::string& out, int64_t amount, int decimals) {
  decimals = std::clamp(decimals, 0, 6);
  int64_t step = 1;
  for (int i = decimals; i < 6; ++i) step *= 10;
  int64_t scaled = FloorDivide(amount, step);
  if (2 * (amount - scaled * step) >= step) ++scaled;
  int64_t unit = 1;
  for (int i = 0; i < decimals; ++i) unit *= 10;
  if (scaled < 0) out += '-';
  const uint64_t magnitude =
      scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  AppendNumber(out, magnitude / static_cast<uint64_t>(unit), 1);
  if (decimals == 0) return;
  out += '.';
  AppendNumber(out, magnitude % static_cast<uint64_t>(unit), decimals);
}

std::string MoneyText(int64_t amount, int decimals) {
  std::string text;
  AppendMoney(text, amount, decimals);
  return text;
}

std::string BudgetPeriodKey(PeriodUnit per, std::chrono::local_days day) {
  using std::chrono::days;
  using std::chrono::local_days;
  using std::chrono::year_month_day;
  std::string key;
  switch (per) {
    case PeriodUnit::kDay:
      AppendDateText(key, year_month_day{day});
      break;
    case PeriodUnit::kWeek: {
      // An ISO week belongs to the year of its Thursday.
      const local_days thursday = day - days{Weekday(day.time_since_epoch().count())} + days{3};
      const std::chrono::year year = year_month_day{thursday}.year();
      AppendDateText(key, year / 1 / 1);
      key.resize(key.size() - 6);
      key += "-W";
      AppendNumber(key,
                   static_cast<uint64_t>((thursday - local_days{year / 1 / 1}).count() / 7 + 1), 2);
      break;
    }
    case PeriodUnit::kMonth:
      AppendDateText(key, year_month_day{day});
      key.resize(key.size() - 3);
      break;
  }
  return key;
}

const Budget* FindBudget(const Tariffs& tariffs, std::string_view number, PeriodUnit per) {
  for (const Budget& budget : tariffs.budgets) {
    if (budget.number == number && budget.per == per) return &budget;
  }
  return nullptr;
}

}  // namespace tallix
