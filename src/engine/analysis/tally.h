#pragma once
// The per-site tally: over the kept lines of a loaded log, the calls whose
// time stamp contains a selection text, credited to every configured site
// whose number equals the line's called number. One pass makes one value,
// which every report and window reads.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analysis/periods.h"
#include "engine/analysis/time_range.h"
#include "engine/config/site_config.h"
#include "engine/config/tariff_file.h"
#include "engine/log/loaded_log.h"

namespace tallix {

// The selection that stands for all data, and the caption it gets.
inline constexpr std::string_view kAllDataSelection = " ";

// The counts that show how the tally's figures add up, over the whole load
// and the selection of the tally. They always satisfy
//   selected = credited + unmatched,   counted = credits - beyond_site_limit,
// and the calls of the unmatched numbers add up to unmatched.
struct Reconciliation {
  uint64_t lines_read = 0;           // lines of all the files loaded
  uint64_t kept = 0;                 // LineCount
  uint64_t beyond_kept_limit = 0;    // call-end lines found past the ones LogLines keeps
  uint64_t selected = 0;             // kept lines whose stamp holds the selection
  uint64_t credited = 0;             // selected lines whose number is some site's
  uint64_t unmatched = 0;            // selected lines whose number is no site's
  uint64_t credits = 0;              // (line, site) pairs
  uint64_t counted = 0;              // the sum of SiteCallCounts over the sites in use
  uint64_t beyond_site_limit = 0;    // credits not counted: the site had kMaxCallsPerSite
  uint64_t seconds_not_counted = 0;  // counted calls that count 0 s: beyond 32 bits
  uint64_t without_from = 0;         // selected lines without "from"
  uint64_t without_lasted = 0;       // selected lines without "lasted"
  uint64_t without_time = 0;         // kept lines without a time (call_time.h)
  // With a tariff file: selected lines without a time or without a tariff.
  uint64_t without_cost = 0;
};

// One figure of Reconciliation as the reports name it: the JSON report's
// member and the HTML page's row label.
struct ReconciliationFigure {
  const char* key;
  const char* label;
  uint64_t Reconciliation::*value;
};

// Every field of Reconciliation, in its order.
std::span<const ReconciliationFigure> ReconciliationFigures();

// What the tally made of one kept line. Site sets are bit masks, bit s for
// site s.
struct LineResult {
  std::string_view stamp;  // the fields the tally read, views into the log's lines
  std::string_view number;
  int64_t seconds = 0;        // the duration as read and rounded
  bool seconds_read = false;  // false when that does not fit 64 bits
  bool selected = false;
  uint16_t credited = 0;      // sites whose number the line's equals
  uint16_t beyond_limit = 0;  // credits not counted: the site was full
  uint16_t zero_seconds = 0;  // counted credits whose seconds count 0
  // With a tariff file, a selected line's cost as one call (millionths);
  // none without a time or a tariff.
  std::optional<int64_t> cost;
};

// A called number that matches no site in use, with its selected calls.
struct UnmatchedNumber {
  std::string number;  // the line's 11-character number field, as it stands
  int64_t calls = 0;
  int64_t seconds = 0;          // a duration beyond 32 bits counts 0, as in the tally
  std::optional<int64_t> cost;  // of its calls that have one; none when none has
};

// The counted calls of one day (6-character day prefix), one entry per site
// in use; each site's days add up to its SiteSeconds.
struct DayCalls {
  std::string day;
  std::vector<int64_t> calls;
  std::vector<int64_t> seconds;
};

// A counted call: its kept line (an index into the log's lines and the
// tally's `lines`) and the seconds it counts.
struct CountedCall {
  int32_t line = 0;
  int32_t seconds = 0;
};

// One site's counted calls, in log order, and their figures.
struct SiteTally {
  std::vector<CountedCall> calls;
  CallFigures figures;
};

// Everything one tally found, for every report and window to read: none of
// them goes back to the kept lines. Its views point into the log tallied,
// which must outlive it.
struct TallyResult {
  static constexpr int16_t kMaxCallsPerSite = 10001;  // calls 0..10000 per site

  std::string selection;                   // the text the tally ran over
  std::string caption;                     // for ResultsRangeDisplay
  std::vector<std::string> warnings;       // limits met, each kind capped (warning_limit.h)
  std::vector<DayCalls> days;              // in log order of each day's first counted call
  std::vector<UnmatchedNumber> unmatched;  // most calls first, then by number
  int64_t unmatched_seconds = 0;           // the seconds of `unmatched` together
  int64_t counted_seconds = 0;             // the sum of SiteSeconds over the sites in use
  Reconciliation reconciliation;
  std::vector<LineResult> lines;  // one per kept line, in log order
  std::vector<SiteTally> sites;   // one per site in use when it ran

  // The figures of site `s`; 0 for a site the tally had no row for (one put
  // in use by Options since).
  int16_t SiteCallCounts(int s) const;
  int32_t SiteSeconds(int s) const;
  // The counted calls of site `s`; none for a site the tally had no row for.
  std::span<const CountedCall> CallsOf(int s) const;
  // Call `k` of site `s`. REQUIRES: k < SiteCallCounts(s).
  std::string_view CallStamps(int k, int s) const;
  int32_t CallSeconds(int k, int s) const;
};

// The seconds a site counts of `line`: its duration, or 0 when that does not
// fit 32 bits. The seconds a line is costed by.
int64_t CountedSeconds(const LineResult& line);

// The fields a kept line is read through.
struct CallFields {
  std::string_view stamp;    // characters 1..15 (the whole line if shorter)
  std::string_view number;   // 11 characters from 5 after "from" (5 when absent)
  int64_t seconds = 0;       // the lenient number of 10 characters from 7 after
                             // "lasted" (7 when absent), rounded half to even
  bool seconds_read = true;  // false when that number does not fit 64 bits
  bool seconds_fit = true;   // false when it does not fit 32 bits
  bool has_from = false;
  bool has_lasted = false;
};
CallFields ReadCallFields(std::string_view line);

// Tallies the kept lines of `log` for the sites in use of `config`, in one
// pass. A line is selected when `selection` occurs in its time stamp, letter
// case ignored (an empty one occurs everywhere) and, when `range` is
// limited, its time lies in the range. Limits, each with a warning: a site's
// calls beyond kMaxCallsPerSite are not counted; a call whose duration does
// not fit 32 bits, or would take its site's total out of 32 bits, counts
// with 0 seconds.
//
// With `tariffs`, every selected line with a time and a tariff is costed as
// one call (cost.h), from its time less its seconds as a site counts them;
// each site it is credited to is credited that cost.
TallyResult TallyCalls(const LoadedLog& log, const SiteConfig& config, std::string_view selection,
                       const TimeRange& range = {}, const Tariffs* tariffs = nullptr);

// The counted calls with a time, for the periods: each site's in order.
std::vector<TimedCall> CountedTimedCalls(const LoadedLog& log, const TallyResult& tally);

// Print Log and Show Log refuse a tally of kCallTotalLimit calls or more,
// with kCallTotalMessage; true when `tally` passes.
inline constexpr char kCallTotalMessage[] = "Please reduce the total ISDN calls to <1000";
inline constexpr uint64_t kCallTotalLimit = 1000;
bool CallTotalGuardPasses(const TallyResult& tally);

}  // namespace tallix
