#pragma once
// How a tally's figures add up, and the one table that names each figure for
// every output that shows them: the JSON report's keys, the HTML page's
// labels and the Check Totals window's figures.

#include <cstdint>
#include <span>

namespace tallix {

// The counts over the whole load and the selection of a tally. They always
// satisfy
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
};

// One figure of Reconciliation, as each output names it. The window shows
// fewer figures than the reports, in an order of its own, and one of them is
// the sum of two fields: the rows that share a `window_slot` make one figure,
// named after the first of them.
struct ReconciliationFigure {
  const char* key;    // the JSON report's member name
  const char* label;  // the HTML page's row label
  uint64_t Reconciliation::*value;
  int window_slot;               // place in the window, -1 when not shown there
  const char* window_name;       // the figure's object name there
  const char* window_caption;    // its caption
  bool window_always;            // false: shown only when it is not 0
  const char* window_tip;        // the caption's tool tip, or nullptr
};

// Every field of Reconciliation, in its order.
std::span<const ReconciliationFigure> ReconciliationFigures();

}  // namespace tallix
