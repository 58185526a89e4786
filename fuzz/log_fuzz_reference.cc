#include "log_fuzz_reference.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/analysis/call_time.h"
#include "engine/analysis/lenient_number.h"
#include "engine/log/line_scanner.h"
#include "fuzz_check.h"

namespace tallix::fuzz {
namespace {

size_t Position(std::string_view line, std::string_view keyword) {
  const size_t at = PlainFind(line, keyword);
  return at == std::string::npos ? 0 : at + 1;
}

// What the loader keeps of a line longer than kLongLineBytes: its first 16
// bytes, the 16 from its first "from" and the 17 from its first "lasted", in
// line order, merged where they overlap or touch, else joined by one blank.
// Written out here, apart from line_fields.h, as a check on it.
std::string PlainCompact(std::string_view line) {
  std::vector<std::pair<size_t, size_t>> pieces = {{0, 16}};
  if (const size_t from = Position(line, "from"); from > 0) pieces.emplace_back(from - 1, 16);
  if (const size_t lasted = Position(line, "lasted"); lasted > 0) {
    pieces.emplace_back(lasted - 1, 17);
  }
  std::sort(pieces.begin(), pieces.end());
  std::string kept;
  size_t end = 0;
  for (const auto& [at, length] : pieces) {
    const size_t stop = std::min(at + length, line.size());
    if (at > end) kept += ' ';
    if (stop > std::max(at, end)) kept += line.substr(std::max(at, end), stop - std::max(at, end));
    end = std::max(end, stop);
  }
  return kept;
}

struct PlainLoad {
  std::vector<std::string> kept;
  std::vector<std::string> days;
  size_t dropped_lines = 0;
  size_t dropped_days = 0;
};

// The loader done the obvious way: cut at every line feed, the piece after
// the last one included, and keep what holds both texts.
PlainLoad LoadPlainly(std::string_view text, std::string_view identifier) {
  PlainLoad load;
  size_t start = 0;
  while (start <= text.size()) {
    size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) lf = text.size();
    const std::string_view line = text.substr(start, lf - start);
    if (PlainContains(line, "disconnected") && PlainContains(line, identifier)) {
      if (load.kept.size() < static_cast<size_t>(LoadedLog::kLogLineEntries)) {
        std::string kept = line.size() > kLongLineBytes ? PlainCompact(line) : std::string(line);
        const LineStamp stamp = ReadLineStamp(kept);
        if (stamp.form == StampForm::kRfc3339) {
          const std::array<char, 15> traditional = TraditionalStamp(stamp);
          kept = std::string(traditional.data(), traditional.size()) + kept.substr(stamp.length);
        }
        load.kept.push_back(kept);
        const std::string_view day = std::string_view(load.kept.back()).substr(0, 6);
        if (load.days.empty() || load.days.back() != day) {
          if (load.days.size() < static_cast<size_t>(LoadedLog::kLogDateEntries)) {
            load.days.emplace_back(day);
          } else {
            ++load.dropped_days;
          }
        }
      } else {
        ++load.dropped_lines;
      }
    }
    start = lf + 1;
  }
  return load;
}

// Mid(line, start, length) with a 1-based start; empty past the end.
std::string_view Mid(std::string_view line, size_t start, size_t length) {
  return start > line.size() ? std::string_view() : line.substr(start - 1, length);
}

}  // namespace

void CheckLoad(const Input& in, const LoadResult& result) {
  Require(result.status.ok(), "loading text in memory failed", result.status.message());
  const LoadedLog& log = result.log;
  const PlainLoad plain = LoadPlainly(in.log, in.identifier);
  Require(log.LineCount() == static_cast<int32_t>(plain.kept.size()), "kept line count differs",
          std::to_string(log.LineCount()) + " vs " + std::to_string(plain.kept.size()));
  for (size_t r = 0; r < plain.kept.size(); ++r) {
    Require(log.LogLines()[r].text == plain.kept[r], "a kept line differs",
            "line " + std::to_string(r));
  }
  Require(log.LogDates().size() == plain.days.size(), "day count differs",
          std::to_string(log.LogDates().size()) + " vs " + std::to_string(plain.days.size()));
  for (size_t d = 0; d < plain.days.size(); ++d) {
    Require(log.LogDates()[d] == plain.days[d], "a day entry differs", "day " + std::to_string(d));
  }
  const size_t expected_warnings = (plain.dropped_lines > 0) + (plain.dropped_days > 0);
  Require(log.LimitWarnings().size() == expected_warnings, "loader warnings",
          std::to_string(log.LimitWarnings().size()) + " vs " + std::to_string(expected_warnings));
  Require(log.LogFileSize == static_cast<int32_t>(in.log.size()), "LogFileSize");

  const LogBounds bounds = LogStartAndEnd(log);
  if (!plain.kept.empty()) {
    Require(bounds.start == plain.kept.front().substr(0, 12), "LogStart text");
    Require(bounds.end == plain.kept.back().substr(0, 12), "LogEnd text");
  }
}

size_t CheckTally(const LoadedLog& log, const SiteConfig& config, const Input& in,
                  const TallyResult& result) {
  size_t unmatched = 0;
  const int sites = std::clamp<int>(in.site_count, 0, static_cast<int>(SiteConfig::kSites));
  std::vector<std::vector<std::pair<std::string_view, int32_t>>> calls(static_cast<size_t>(sites));
  std::vector<int64_t> totals(static_cast<size_t>(sites), 0);
  bool limit_reached = false;
  for (const LogLine& kept : log.LogLines()) {
    const std::string_view line = kept.text;
    const std::string_view stamp = line.substr(0, 15);
    const std::string_view number = Mid(line, Position(line, "from") + 5, 11);
    const std::string_view duration = Mid(line, Position(line, "lasted") + 7, 10);
    const double value = RoundHalfEven(ReadLenientNumber(duration));
    if (!PlainContains(stamp, in.selection)) continue;
    bool matched = false;
    for (size_t s = 0; s < static_cast<size_t>(sites); ++s)
      matched |= number == config.SiteNumbers[s];
    unmatched += !matched;
    for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
      if (number != config.SiteNumbers[s]) continue;
      if (calls[s].size() >= static_cast<size_t>(TallyResult::kMaxCallsPerSite)) {
        limit_reached = true;
        continue;
      }
      int64_t seconds = 0;
      if (value >= std::numeric_limits<int32_t>::min() &&
          value <= std::numeric_limits<int32_t>::max()) {
        seconds = static_cast<int64_t>(value);
      } else {
        limit_reached = true;
      }
      if (totals[s] + seconds < std::numeric_limits<int32_t>::min() ||
          totals[s] + seconds > std::numeric_limits<int32_t>::max()) {
        seconds = 0;
        limit_reached = true;
      }
      totals[s] += seconds;
      calls[s].emplace_back(stamp, static_cast<int32_t>(seconds));
    }
  }
  // The reconciliation's identities, and its counts against this reading.
  const Reconciliation& sums = result.reconciliation;
  Require(sums.selected == sums.credited + sums.unmatched, "selected != credited + unmatched");
  Require(sums.counted == sums.credits - sums.beyond_site_limit,
          "counted != credits - beyond_site_limit");
  Require(sums.unmatched == unmatched, "the reconciliation's unmatched count differs");
  Require(sums.kept == static_cast<uint64_t>(log.LineCount()), "the reconciliation's kept count");
  Require(result.lines.size() == static_cast<size_t>(log.LineCount()), "one result per kept line");
  Require(result.sites.size() == static_cast<size_t>(sites), "one row per site in use");
  uint64_t listed = 0;
  for (const UnmatchedNumber& n : result.unmatched) listed += static_cast<uint64_t>(n.calls);
  Require(listed == sums.unmatched, "the unmatched numbers do not add up to unmatched");
  uint64_t counted = 0;
  Require(result.warnings.empty() == !limit_reached, "tally warnings",
          std::to_string(result.warnings.size()) + " warnings");
  Require(result.caption ==
              (in.selection == " " ? "All Data" : "Free Date Search : '" + in.selection + "'"),
          "caption");
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    const int count = result.SiteCallCounts(static_cast<int>(s));
    Require(count >= 0 && count <= TallyResult::kMaxCallsPerSite, "a count outside its table");
    Require(static_cast<size_t>(count) == calls[s].size(), "a site's count differs",
            "site " + std::to_string(s) + ": " + std::to_string(count) + " vs " +
                std::to_string(calls[s].size()));
    int64_t sum = 0;
    for (int c = 0; c < count; ++c) {
      const CountedCall& call = result.sites[s].calls[static_cast<size_t>(c)];
      Require(call.line >= 0 && call.line < log.LineCount(), "a counted call without its kept line",
              "site " + std::to_string(s) + ", line " + std::to_string(call.line));
      sum += result.CallSeconds(c, static_cast<int>(s));
      Require(result.CallStamps(c, static_cast<int>(s)) == calls[s][static_cast<size_t>(c)].first,
              "a call's stamp differs");
      Require(result.CallSeconds(c, static_cast<int>(s)) == calls[s][static_cast<size_t>(c)].second,
              "a call's seconds differ");
    }
    Require(sum == result.SiteSeconds(static_cast<int>(s)),
            "SiteSeconds is not the sum of CallSeconds", "site " + std::to_string(s));
    counted += static_cast<uint64_t>(count);
  }
  Require(counted == sums.counted, "the reconciliation's counted calls differ");
  return unmatched;
}

}  // namespace tallix::fuzz
