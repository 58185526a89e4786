#pragma once
// The reports for other programs and for people away from the window: the
// unmatched numbers, CSV, JSON and a self-contained HTML page. Each is a pure
// function of the shared tables after a tally and of the request; none
// applies the call-total guard (they are not printed pages) and none reads an
// entry beyond a count.

#include <string>
#include <vector>

#include "engine/app/shared_data.h"
#include "engine/reports/report_text.h"

namespace tallix {

// What these reports need besides the tables of the last tally.
struct ReportRequest {
  std::string selection;              // the text that tally ran over
  std::string caption;                // its caption ("All Data", ...)
  std::vector<std::string> warnings;  // every warning of the run, in order
  ReportClock now;                    // for the title line
};

// The files of the loaded log, in order: LogFilePaths, or LogFilePath alone.
std::vector<std::string> LoadedFiles(const TallixData& data);

// The heading lines, the caption, then the numbers no site in use covers as a
// table in fixed columns (number, calls, duration text), most calls first,
// then by number, and a last row with the totals. Lines end with CR LF.
std::string UnmatchedText(const TallixData& data, const ReportRequest& request);

// One RFC 4180 row per credited call: the header "site,number,stamp,seconds",
// then the calls of site 0, 1, ... in their stored order, each with the site's
// name and number. A field holding a comma, a double quote, CR or LF is
// quoted, a quote inside doubled. Lines end with CR LF.
std::string CallsCsvText(const TallixData& data);

// One JSON object with the files, the selection, the log's extent and days,
// every site in use with its calls, the unmatched numbers, the calls per day,
// the call total and the warnings. Text that is valid UTF-8 is kept; any
// other byte becomes the character with the same code.
std::string JsonReportText(const TallixData& data, const ReportRequest& request);

// A self-contained HTML page: the caption, the log's extent, the sites, a
// chart of the calls per day and site (inline SVG), the unmatched numbers and
// every site's calls; styled for screens of any width and for paper.
std::string HtmlReportText(const TallixData& data, const ReportRequest& request);

}  // namespace tallix
