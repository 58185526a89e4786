#include "engine/reports/call_breakdown.h"

#include <algorithm>
#include <unordered_map>

#include "engine/analysis/tally.h"
#include "engine/app/line_fields.h"
#include "engine/util/text_search.h"

namespace tallix {
namespace {

// Calls f(line, fields) for every kept line whose stamp holds the selection.
template <typename F>
void ForEachSelectedCall(const TallixData& data, std::string_view selection, F&& f) {
  const NoCaseFinder finder(selection);
  const int lines = LinesInUse(data);
  for (int r = 0; r < lines; ++r) {
    const std::string_view line = data.LogLines[static_cast<size_t>(r)];
    // The fields of a line that is not selected are never used.
    if (finder.Find(line.substr(0, kStampWidth)) == std::string_view::npos) continue;
    f(line, ReadCallFields(line));
  }
}

}  // namespace

std::vector<UnmatchedNumber> UnmatchedNumbers(const TallixData& data, std::string_view selection) {
  const int sites = SitesInUse(data);
  std::vector<UnmatchedNumber> numbers;
  std::unordered_map<std::string_view, size_t> index;
  ForEachSelectedCall(data, selection, [&](std::string_view, const CallFields& fields) {
    for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
      if (fields.number == data.SiteNumbers[s]) return;
    }
    // The views point into LogLines, which outlives this function.
    const auto [at, added] = index.try_emplace(fields.number, numbers.size());
    if (added) numbers.push_back({std::string(fields.number), 0, 0});
    UnmatchedNumber& entry = numbers[at->second];
    ++entry.calls;
    if (fields.seconds_fit) entry.seconds += fields.seconds;
  });
  std::sort(numbers.begin(), numbers.end(), [](const UnmatchedNumber& a, const UnmatchedNumber& b) {
    return a.calls != b.calls ? a.calls > b.calls : a.number < b.number;
  });
  return numbers;
}

std::vector<DayCalls> CallsPerDay(const TallixData& data, std::string_view selection) {
  const int sites = SitesInUse(data);
  std::vector<int> next_call(static_cast<size_t>(sites), 0);
  std::vector<DayCalls> days;
  std::unordered_map<std::string_view, size_t> index;
  ForEachSelectedCall(data, selection, [&](std::string_view line, const CallFields& fields) {
    for (int s = 0; s < sites; ++s) {
      const auto site = static_cast<size_t>(s);
      // The tally stored a site's first calls in log order and no more.
      if (fields.number != data.SiteNumbers[site] || next_call[site] >= CallsInUse(data, s)) {
        continue;
      }
      const std::string_view day = line.substr(0, kDayWidth);
      const auto [at, added] = index.try_emplace(day, days.size());
      if (added) {
        days.push_back({std::string(day), std::vector<int64_t>(static_cast<size_t>(sites)),
                        std::vector<int64_t>(static_cast<size_t>(sites))});
      }
      DayCalls& entry = days[at->second];
      ++entry.calls[site];
      entry.seconds[site] += data.CallSeconds(next_call[site]++, s);
    }
  });
  return days;
}

}  // namespace tallix
