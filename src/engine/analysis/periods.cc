#include "engine/analysis/periods.h"

#include <algorithm>

#include "engine/analysis/cost.h"
#include "engine/analysis/duration.h"

namespace tallix {
namespace {

using std::chrono::days;
using std::chrono::local_days;
using std::chrono::year_month_day;

// Day 0 of the clock's epoch, 1970-01-01, is a Thursday: week 0 runs from
// Monday 1969-12-29, three days before.
constexpr int64_t kDaysFromMondayToEpoch = 3;

local_days WeekMonday(int64_t week) { return local_days{days{week * 7 - kDaysFromMondayToEpoch}}; }

struct PeriodDays {
  local_days first;
  local_days last;
};

PeriodDays DaysOf(PeriodUnit unit, int64_t number) {
  switch (unit) {
    case PeriodUnit::kDay:
      return {local_days{days{number}}, local_days{days{number}}};
    case PeriodUnit::kWeek:
      return {WeekMonday(number), WeekMonday(number) + days{6}};
    case PeriodUnit::kMonth: {
      const std::chrono::year_month month{
          std::chrono::year{static_cast<int>(FloorDivide(number, 12))},
          std::chrono::month{static_cast<unsigned>(number - FloorDivide(number, 12) * 12 + 1)}};
      return {local_days{month / 1}, local_days{month / std::chrono::last}};
    }
  }
  return {};
}

// The label of the period that spans `span`: its day, ISO week or month.
void WriteLabel(std::string& out, PeriodUnit unit, const PeriodDays& span) {
  out.clear();
  if (unit != PeriodUnit::kWeek) {
    AppendDateText(out, year_month_day{span.first});
    if (unit == PeriodUnit::kMonth) out.resize(out.size() - 3);  // keep the year and month
    return;
  }
  // An ISO week belongs to the year of its Thursday, and is numbered from
  // that year's first week with a Thursday.
  const local_days thursday = span.first + days{3};
  const std::chrono::year iso_year = year_month_day{thursday}.year();
  const auto week = (thursday - local_days{iso_year / 1 / 1}).count() / 7 + 1;
  AppendDateText(out, iso_year / 1 / 1);
  out.resize(out.size() - 6);  // keep the year
  out += "-W";
  AppendDigits(out, static_cast<unsigned>(week), 2);
}

// The number of the period that holds `date`: days, weeks or months counted
// from an epoch, so that consecutive periods have consecutive numbers.
int64_t PeriodNumber(PeriodUnit unit, local_days date) {
  const int64_t day = date.time_since_epoch().count();
  switch (unit) {
    case PeriodUnit::kDay:
      return day;
    case PeriodUnit::kWeek:
      return FloorDivide(day + kDaysFromMondayToEpoch, 7);
    case PeriodUnit::kMonth: {
      const year_month_day ymd{date};
      return int64_t{static_cast<int>(ymd.year())} * 12 + static_cast<unsigned>(ymd.month()) - 1;
    }
  }
  return 0;
}

}  // namespace

std::string_view PeriodUnitName(PeriodUnit unit) {
  return unit == PeriodUnit::kDay ? "day" : unit == PeriodUnit::kWeek ? "week" : "month";
}

std::optional<PeriodUnit> ReadPeriodUnit(std::string_view name) {
  for (const PeriodUnit unit : {PeriodUnit::kDay, PeriodUnit::kWeek, PeriodUnit::kMonth}) {
    if (name == PeriodUnitName(unit)) return unit;
  }
  return std::nullopt;
}

void CallFigures::Add(int64_t call_seconds, int64_t call_cost) {
  longest_seconds = calls == 0 ? call_seconds : std::max(longest_seconds, call_seconds);
  ++calls;
  seconds += call_seconds;
  cost = AddMoney(cost, call_cost);
}

int64_t CallFigures::AverageSeconds() const {
  // seconds / calls + 1/2, rounded down: a half goes up, for negative sums too.
  return calls == 0 ? 0 : FloorDivide(2 * seconds + calls, 2 * calls);
}

PeriodTable::PeriodTable(std::span<const TimedCall> calls, int sites, PeriodUnit unit)
    : unit_(unit), sites_(std::max(sites, 0)) {
  const auto in_table = [this](const TimedCall& call) {
    return call.site >= 0 && call.site < sites_;
  };
  std::vector<int64_t> numbers;  // the period of each call in the table, in order
  numbers.reserve(calls.size());
  for (const TimedCall& call : calls) {
    if (in_table(call)) numbers.push_back(PeriodNumber(unit, std::chrono::floor<days>(call.time)));
  }
  // The periods with calls, ascending; a log in time order gives them so.
  used_ = numbers;
  if (!std::is_sorted(used_.begin(), used_.end())) std::sort(used_.begin(), used_.end());
  used_.erase(std::unique(used_.begin(), used_.end()), used_.end());
  used_.shrink_to_fit();
  // Each call added to its period in the order given.
  const auto stride = static_cast<size_t>(sites_);
  figures_.resize(used_.size() * stride);
  size_t slot = 0;
  size_t n = 0;
  for (const TimedCall& call : calls) {
    if (!in_table(call)) continue;
    const int64_t number = numbers[n++];
    if (used_[slot] != number) {
      slot =
          static_cast<size_t>(std::lower_bound(used_.begin(), used_.end(), number) - used_.begin());
    }
    figures_[slot * stride + static_cast<size_t>(call.site)].Add(call.seconds, call.cost);
  }
}

void PeriodTable::ForEach(const std::function<void(const PeriodRow&)>& visit) const {
  std::string label;
  std::vector<PeriodSite> sites;
  for (int64_t index = 0; index < size(); ++index) visit(At(index, label, sites));
}

void PeriodTable::ForEachWithCalls(
    const std::function<void(int64_t, std::span<const CallFigures>)>& visit) const {
  const auto stride = static_cast<size_t>(sites_);
  for (size_t i = 0; i < used_.size(); ++i) {
    visit(used_[i] - used_.front(), std::span(figures_).subspan(i * stride, stride));
  }
}

PeriodRow PeriodTable::At(int64_t index, std::string& label, std::vector<PeriodSite>& sites) const {
  const auto stride = static_cast<size_t>(sites_);
  const auto figures_of = [&](int64_t number) -> const CallFigures* {
    const auto at = std::lower_bound(used_.begin(), used_.end(), number);
    if (at == used_.end() || *at != number) return nullptr;
    return &figures_[static_cast<size_t>(at - used_.begin()) * stride];
  };
  const int64_t number = used_.front() + index;
  const CallFigures* now = figures_of(number);
  const CallFigures* before = index > 0 ? figures_of(number - 1) : nullptr;
  sites.assign(stride, PeriodSite{});
  for (size_t s = 0; s < stride; ++s) {
    if (now != nullptr) sites[s].figures = now[s];
    if (index == 0) continue;
    const CallFigures prior = before != nullptr ? before[s] : CallFigures{};
    sites[s].change_calls = sites[s].figures.calls - prior.calls;
    sites[s].change_seconds = sites[s].figures.seconds - prior.seconds;
  }
  const PeriodDays span = DaysOf(unit_, number);
  WriteLabel(label, unit_, span);
  return PeriodRow{label, year_month_day{span.first}, year_month_day{span.last}, sites};
}

}  // namespace tallix
