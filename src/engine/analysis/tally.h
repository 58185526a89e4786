#pragma once
// The per-site tally: over the kept lines of the loaded log, the calls whose
// time stamp contains a selection text, credited to every configured site
// whose number equals the line's called number.

#include <string>
#include <string_view>
#include <vector>

#include "engine/app/shared_data.h"

namespace tallix {

// The selection that stands for all data, and the caption it gets.
inline constexpr std::string_view kAllDataSelection = " ";

// What one result row of the main window shows.
struct SiteRow {
  std::string NoCalls;       // the count in plain decimal: "0", "17"
  std::string CallDuration;  // FormatDuration of the site's total
};

struct TallyResult {
  std::vector<SiteRow> rows;          // one per site in use, 0..SitesInUse-1
  std::string caption;                // for ResultsRangeDisplay
  std::vector<std::string> warnings;  // calls a fixed limit kept from their full count
};

// The three fields a kept line is read through.
struct CallFields {
  std::string_view stamp;   // characters 1..15 (the whole line if shorter)
  std::string_view number;  // 11 characters from 5 after "from" (5 when absent)
  int64_t seconds = 0;      // the lenient number of 10 characters from 7 after
                            // "lasted" (7 when absent), rounded half to even;
  bool seconds_fit = true;  // false when that number does not fit 32 bits
};
CallFields ReadCallFields(std::string_view line);

// The caption of a tally over `selection`: "All Data" for the single blank,
// otherwise "Free Date Search : '<selection>'".
std::string SelectionCaption(std::string_view selection);

// Runs the tally over `selection` and fills SiteCallCounts, SiteSeconds,
// CallStamps and CallSeconds for the sites in use. A line is selected when
// `selection` occurs in its time stamp, letter case ignored (an empty one
// occurs everywhere). Limits, each with a warning: a site's calls beyond
// 10001 are neither stored nor counted; a call whose duration does not fit 32
// bits, or would take its site's total out of 32 bits, counts with 0 seconds.
TallyResult TallyCalls(TallixData& data, std::string_view selection);

}  // namespace tallix
