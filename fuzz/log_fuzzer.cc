// Fuzz target: the loader on arbitrary bytes, the tally over a selection and
// sites taken from the input, then every report builder. The loader and the
// tally are compared with plain reference versions of themselves; after every
// input the shared tables must keep their invariants, and no report may show
// an entry beyond a count.
//
// Input layout: byte 0 the selection's length (mod 18), byte 1 the router
// identifier's length (mod 12; 11 stands for the default "isdnrouter"), byte 2
// the site count, byte 3 how often the log text is repeated (253 to 255: 1000,
// 10002 and 40002 times, to reach the tables' limits), then the selection,
// the identifier, and the log text. The header bytes also choose how the
// same text is then loaded from a file (threads, chunk size, mapping, and a
// file that shrinks or grows once opened).
//
// Built with TALLIX_LOG_FUZZ_IN_MEMORY (fuzz_log_memory) it leaves out the
// loads from files, which cost most of the time, so that long runs reach many
// more inputs.

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "engine/analysis/call_time.h"
#include "engine/analysis/duration.h"
#include "engine/analysis/lenient_number.h"
#include "engine/analysis/tally.h"
#include "engine/log/line_scanner.h"
#include "engine/log/log_loader.h"
#include "engine/log/log_source.h"
#include "engine/log/log_text_reader.h"
#include "engine/output/output_file.h"
#include "engine/reports/report_text.h"
#include "engine/util/text_file.h"
#include "fuzz_check.h"
#include "support/fake_log_files.h"

namespace tallix::fuzz {
namespace {

using testing_util::AfterOpen;
using testing_util::FakeLogFiles;

// Written into the first entry beyond every count before the reports are
// built; no report may show it. Made of letters and digits, so that no
// format escapes it, and short enough to fit a call stamp whole.
std::string g_beyond;
const ReportDateTime kNow{"12/07/26", "10:30:00"};

#ifdef TALLIX_LOG_FUZZ_IN_MEMORY
constexpr bool kLoadFromFiles = false;
#else
constexpr bool kLoadFromFiles = true;
#endif

struct Input {
  uint32_t knobs = 0;  // the four header bytes, for the file load's options
  std::string selection;
  std::string identifier;
  int16_t site_count = 0;
  std::string log;
};

Input Split(std::string_view bytes) {
  Input in;
  if (bytes.size() < 4) {
    in.identifier = "isdnrouter";
    in.site_count = 1;
    in.log = bytes;
    return in;
  }
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  in.knobs = static_cast<uint32_t>(byte(0)) | static_cast<uint32_t>(byte(1)) << 8 |
             static_cast<uint32_t>(byte(2)) << 16 | static_cast<uint32_t>(byte(3)) << 24;
  static constexpr int16_t kSiteCounts[] = {0, 1, 2, 3, 4, 5, 10, 10, 11, -1, 32767, 2};
  // Repeats that reach the tables' limits are slow, so only the top three
  // values of byte 3 ask for them.
  static constexpr size_t kRepeats[] = {1, 1, 1, 1, 1, 2, 3, 101};
  const size_t selection_length = byte(0) % 18;
  const size_t identifier_length = byte(1) % 12;
  in.site_count = kSiteCounts[byte(2) % std::size(kSiteCounts)];
  const size_t repeat = byte(3) == 255   ? 40002
                        : byte(3) == 254 ? 10002
                        : byte(3) == 253 ? 1000
                                         : kRepeats[byte(3) % std::size(kRepeats)];
  bytes.remove_prefix(4);
  in.selection = bytes.substr(0, selection_length);
  bytes.remove_prefix(std::min(bytes.size(), selection_length));
  if (identifier_length == 11) {
    in.identifier = "isdnrouter";
  } else {
    in.identifier = bytes.substr(0, identifier_length);
    bytes.remove_prefix(std::min(bytes.size(), identifier_length));
  }
  // Only a short text is repeated, and to a megabyte at most, so that most
  // runs stay small and fast; in memory to 1 KiB, which leaves the tables'
  // limits to the file target.
  const size_t cap = kLoadFromFiles ? 1000000 : 1024;
  const size_t times =
      bytes.empty() || bytes.size() > 256 ? 1 : std::min(repeat, cap / bytes.size() + 1);
  in.log.reserve(bytes.size() * times);
  for (size_t i = 0; i < times; ++i) in.log += bytes;
  return in;
}

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
      if (load.kept.size() < static_cast<size_t>(TallixData::kLogLineEntries)) {
        std::string kept = line.size() > kLongLineBytes ? PlainCompact(line) : std::string(line);
        const LineStamp stamp = ReadLineStamp(kept);
        if (stamp.form == StampForm::kRfc3339) {
          const std::array<char, 15> traditional = TraditionalStamp(stamp);
          kept = std::string(traditional.data(), traditional.size()) + kept.substr(stamp.length);
        }
        load.kept.push_back(kept);
        const std::string_view day = std::string_view(load.kept.back()).substr(0, 6);
        if (load.days.empty() || load.days.back() != day) {
          if (load.days.size() < static_cast<size_t>(TallixData::kLogDateEntries)) {
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

void CheckLoad(const TallixData& data, const Input& in, const LoadResult& result) {
  Require(result.status.ok(), "loading text in memory failed", result.status.message());
  const PlainLoad plain = LoadPlainly(in.log, in.identifier);
  Require(data.LineCount == static_cast<int32_t>(plain.kept.size()), "kept line count differs",
          std::to_string(data.LineCount) + " vs " + std::to_string(plain.kept.size()));
  for (size_t r = 0; r < plain.kept.size(); ++r) {
    Require(data.LogLines[r] == plain.kept[r], "a kept line differs", "line " + std::to_string(r));
  }
  Require(data.DateCount == static_cast<int16_t>(plain.days.size()), "day count differs",
          std::to_string(data.DateCount) + " vs " + std::to_string(plain.days.size()));
  for (size_t d = 0; d < plain.days.size(); ++d) {
    Require(data.LogDates[d] == plain.days[d], "a day entry differs", "day " + std::to_string(d));
  }
  const size_t expected_warnings = (plain.dropped_lines > 0) + (plain.dropped_days > 0);
  Require(result.warnings.size() == expected_warnings, "loader warnings",
          std::to_string(result.warnings.size()) + " vs " + std::to_string(expected_warnings));
  Require(data.LogFileSize == static_cast<int32_t>(in.log.size()), "LogFileSize");

  const LogBounds bounds = LogStartAndEnd(data);
  if (!plain.kept.empty()) {
    Require(bounds.start == plain.kept.front().substr(0, 12), "LogStart text");
    Require(bounds.end == plain.kept.back().substr(0, 12), "LogEnd text");
  }
  Require(DayList(data).size() == plain.days.size(), "day list size");
}

// The tally done the obvious way, compared call by call. Returns the number
// of selected calls to numbers no site in use covers.
size_t CheckTally(const TallixData& data, const Input& in, const TallyResult& result) {
  size_t unmatched = 0;
  const int sites = std::clamp<int>(in.site_count, 0, TallixData::kMaxSiteCount);
  std::vector<std::vector<std::pair<std::string_view, int32_t>>> calls(static_cast<size_t>(sites));
  std::vector<int64_t> totals(static_cast<size_t>(sites), 0);
  bool limit_reached = false;
  for (int r = 0; r < data.LineCount; ++r) {
    const std::string_view line = data.LogLines[static_cast<size_t>(r)];
    const std::string_view stamp = line.substr(0, 15);
    const std::string_view number = Mid(line, Position(line, "from") + 5, 11);
    const std::string_view duration = Mid(line, Position(line, "lasted") + 7, 10);
    const double value = RoundHalfEven(ReadLenientNumber(duration));
    if (!PlainContains(stamp, in.selection)) continue;
    bool matched = false;
    for (size_t s = 0; s < static_cast<size_t>(sites); ++s)
      matched |= number == data.SiteNumbers[s];
    unmatched += !matched;
    for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
      if (number != data.SiteNumbers[s]) continue;
      if (calls[s].size() >= static_cast<size_t>(TallixData::kMaxCallsPerSite)) {
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
  Require(sums.kept == static_cast<uint64_t>(data.LineCount), "the reconciliation's kept count");
  Require(result.lines.size() == static_cast<size_t>(data.LineCount), "one result per kept line");
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
    const int count = data.SiteCallCounts[s];
    Require(count >= 0 && count <= TallixData::kMaxCallsPerSite, "a count outside its table");
    Require(static_cast<size_t>(count) == calls[s].size(), "a site's count differs",
            "site " + std::to_string(s) + ": " + std::to_string(count) + " vs " +
                std::to_string(calls[s].size()));
    int64_t sum = 0;
    for (int c = 0; c < count; ++c) {
      sum += data.CallSeconds(c, static_cast<int>(s));
      Require(data.CallStamps(c, static_cast<int>(s)) == calls[s][static_cast<size_t>(c)].first,
              "a call's stamp differs");
      Require(data.CallSeconds(c, static_cast<int>(s)) == calls[s][static_cast<size_t>(c)].second,
              "a call's seconds differ");
    }
    Require(sum == data.SiteSeconds[s], "SiteSeconds is not the sum of CallSeconds",
            "site " + std::to_string(s));
    counted += static_cast<uint64_t>(count);
  }
  Require(counted == sums.counted, "the reconciliation's counted calls differ");
  return unmatched;
}

size_t CountCrLf(const std::string& text) {
  size_t n = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
  return n;
}

bool ShowsBeyond(const std::string& text) { return text.find(g_beyond) != std::string::npos; }

// The marker holds no line break, so a report given as lines shows it when
// one of its lines does: no need to join them first.
bool ShowsBeyond(const std::vector<std::string>& lines) {
  return std::any_of(lines.begin(), lines.end(),
                     [](const std::string& line) { return ShowsBeyond(line); });
}

// A marker that no text of the input holds (the log, the selection, which
// the captions show, and the identifier), so that only an entry beyond a
// count can put it into a report. Empty in the unlikely case that the input
// holds every candidate.
std::string MarkerFor(const Input& in) {
  for (int n = 0; n < 100000; ++n) {
    const std::string marker = "Zq" + std::to_string(n) + "beyondqZ";
    if (in.log.find(marker) == std::string::npos &&
        in.selection.find(marker) == std::string::npos &&
        in.identifier.find(marker) == std::string::npos) {
      return marker;
    }
  }
  return {};
}

// The export reports: CSV rows, the unmatched total, the days adding up to
// each site's count and seconds, and (from files, where time allows) JSON
// that parses.
void CheckExports(const ReportRequest& request, size_t all_calls, size_t unmatched,
                  std::vector<std::string>& texts) {
  const TallixData& data = request.data;
  const std::string csv = ReportTextOf(WriteCallsCsv, request);
  Require(CountCrLf(csv) == 1 + all_calls, "CSV rows");
  const std::string table = ReportTextOf(WriteUnmatched, request);
  const size_t total = table.rfind("\r\nTotal ");
  Require(total != std::string::npos, "no total row in the unmatched numbers");
  const size_t count = table.find(" : ", total) + 3;
  Require(table.compare(count, std::to_string(unmatched).size() + 1,
                        std::to_string(unmatched) + (unmatched >= 100000 ? ":" : " ")) == 0,
          "the unmatched total differs", std::to_string(unmatched));
  const size_t sites = static_cast<size_t>(SitesInUse(data));
  std::vector<int64_t> calls(sites, 0);
  std::vector<int64_t> seconds(sites, 0);
  for (const DayCalls& day : request.tally.days) {
    Require(day.calls.size() == sites && day.seconds.size() == sites, "per-day lists");
    for (size_t s = 0; s < sites; ++s) {
      calls[s] += day.calls[s];
      seconds[s] += day.seconds[s];
    }
  }
  for (size_t s = 0; s < sites; ++s) {
    Require(calls[s] == data.SiteCallCounts[s] && seconds[s] == data.SiteSeconds[s],
            "the days do not add up to a site's calls", "site " + std::to_string(s));
  }
  const std::string json = ReportTextOf(WriteJsonReport, request);
  if (kLoadFromFiles) {
    Require(nlohmann::json::accept(json), "the JSON report does not parse");
  }
  const std::string audit = ReportTextOf(WriteAuditCsv, request);
  Require(CountCrLf(audit) == 1 + static_cast<size_t>(data.LineCount), "audit rows");
  texts = {csv, table, json, ReportTextOf(WriteHtmlReport, request), audit};
}

void CheckReports(TallixData& data, const TallyResult& tally, size_t unmatched, bool can_poison) {
  const int sites = SitesInUse(data);
  // The entries just beyond each count: where an off-by-one would read.
  if (can_poison) {
    if (data.LineCount < TallixData::kLogLineEntries)
      data.LogLines.Assign(static_cast<size_t>(data.LineCount), g_beyond);
    if (data.DateCount < TallixData::kLogDateEntries)
      data.LogDates[static_cast<size_t>(data.DateCount)] = g_beyond;
    for (int s = 0; s < TallixData::kSiteEntries; ++s) {
      const int count = s < sites ? data.SiteCallCounts[static_cast<size_t>(s)] : 0;
      if (count < TallixData::kMaxCallsPerSite) data.CallStamps(count, s) = g_beyond;
      if (s >= sites) data.SiteNames[static_cast<size_t>(s)] = g_beyond;
    }
  }
  size_t all_calls = 0;
  for (int s = 0; s < sites; ++s)
    all_calls += static_cast<size_t>(data.SiteCallCounts[static_cast<size_t>(s)]);
  const size_t site_lines = static_cast<size_t>(sites);

  const ReportHeading heading = MakeReportHeading(data, kNow);
  const ReportRequest request{data, tally, heading, tally.warnings};
  const std::string saved = ReportTextOf(WriteSavedReport, request);
  Require(CountCrLf(saved) == 7 + site_lines + 1 + 2 * site_lines + all_calls,
          "saved report lines");
  const std::vector<std::string> summary = PrintedSummaryLines(request);
  Require(summary.size() == 9 + 4 * site_lines + 1, "printed summary lines");
  const std::vector<std::string> detailed = PrintedDetailedLogLines(request);
  Require(detailed.size() == 9 + 4 * site_lines + 2 + 2 * site_lines + all_calls,
          "detailed log lines");
  const std::string show = ShowLogText(request);
  Require(CountCrLf(show) == 8 + site_lines + 1 + 2 * site_lines + all_calls, "show log lines");
  Require(tally.reconciliation.counted == all_calls, "call total");
  Require(CallTotalGuardPasses(tally) == (all_calls < 1000), "call-total guard");
  for (int s = 0; s < sites; ++s) {
    Require(tally.counted_lines[static_cast<size_t>(s)].size() ==
                static_cast<size_t>(data.SiteCallCounts[static_cast<size_t>(s)]),
            "a counted call without its kept line");
  }

  std::vector<std::string> exports;
  CheckExports(request, all_calls, unmatched, exports);

  if (!can_poison) return;
  for (const std::string& text : exports) {
    Require(!ShowsBeyond(text), "an export report shows an entry beyond a count");
  }
  Require(!ShowsBeyond(saved), "the saved report shows an entry beyond a count");
  Require(!ShowsBeyond(summary), "the summary shows an entry beyond a count");
  Require(!ShowsBeyond(detailed), "the detailed log shows an entry beyond a count");
  Require(!ShowsBeyond(show), "the Show Log text shows an entry beyond a count");
  Require(!ShowsBeyond(DayList(data)), "the day list shows an entry beyond its count");
  const LogBounds bounds = LogStartAndEnd(data);
  Require(!ShowsBeyond(bounds.start + bounds.end), "the log panel shows an entry beyond a count");
}

// A log that begins with a compression's magic bytes is decompressed when
// it is loaded from a file: it loads as its text, which the log text reader
// gives, or fails naming the file and changes nothing.
void CheckCompressedFileLoad(TallixData& data, const Input& in, const std::string& path) {
  const std::string before_path = data.LogFilePath;
  const int32_t before_lines = data.LineCount;
  const LoadResult result = LoadLog(data, path);
  if (!result.status.ok()) {
    Require(result.status.message().find(path) != std::string::npos, "the message names no file",
            result.status.message());
    Require(data.LogFilePath == before_path && data.LineCount == before_lines,
            "a refused compressed load changed the tables");
    return;
  }
  FakeLogFiles files;
  files.Add(path, {in.log, 7, false});
  std::unique_ptr<LogSource> source;
  Require(files.Open(path, SIZE_MAX, &source).ok(), "cannot open the log again");
  char first[3];
  size_t first_size = 0;
  Require(source->Read(first, sizeof first, &first_size).ok(), "cannot read the first bytes");
  LogTextReader reader(*source, path, CompressionOf(in.log), {first, first_size}, kMaxLogFileSize);
  Input decompressed = in;
  decompressed.log.clear();
  char block[4096];
  for (size_t got = 1; got > 0;) {
    Require(reader.Read(block, sizeof block, &got).ok(),
            "the reader fails where the loader did not");
    decompressed.log.append(block, got);
  }
  CheckLoad(data, decompressed, result);
}

// The same text read in blocks of any size, as a file or as a stream, must
// fill the same tables. A file cut short after it was opened is refused and
// leaves the tables as they were; bytes added after opening are not read.
void CheckFileLoad(TallixData& data, const Input& in) {
  if (in.log.size() > (256u << 10)) return;
  const std::string path = WorkDir() + "/router.log";
  Require(WriteWholeFile(path, in.log).ok(), "cannot write the log file", path);
  if (CompressionOf(in.log) != Compression::kNone) {
    CheckCompressedFileLoad(data, in, path);
    return;
  }
  static constexpr size_t kBlocks[] = {1, 2, 7, 64, 4096, 1u << 20};
  const size_t block = kBlocks[(in.knobs >> 8) % std::size(kBlocks)];
  const bool seekable = (in.knobs >> 16 & 0x80) != 0;
  const unsigned change = (in.knobs >> 24) % 8;  // 0: shrink, 1: grow, else none
  const bool shrink = change == 0 && !in.log.empty();
  const std::string before_path = data.LogFilePath;
  const int32_t before_lines = data.LineCount;
  const std::string first_line = before_lines > 0 ? std::string(data.LogLines[0]) : std::string();
  // A file whose size says 0 is read to its end, like a stream (/proc files
  // say 0): bytes added after opening it are read, so it is not grown here.
  if (change > 1 || in.log.empty()) {
    FakeLogFiles files;
    files.Add(path, {in.log, block, seekable});
    CheckLoad(data, in, LoadLog(data, path, {}, files));
    Require(data.LogFilePath == path, "LogFilePath after a load");
    return;
  }
  AfterOpen files([&] {
    if (shrink) {
      Require(truncate(path.c_str(), static_cast<off_t>(in.log.size() / 2)) == 0, "truncate");
    } else {
      std::ofstream grow(path, std::ios::binary | std::ios::app);
      grow << "\nDec  9 isdnrouter disconnected from 01234123456\n";
      Require(grow.good(), "cannot grow the log file");
    }
  });
  const LoadResult result = LoadLog(data, path, {}, files);
  if (shrink) {
    Require(!result.status.ok(), "a log cut short while it was read was loaded");
    Require(result.status.message().find("became shorter") != std::string::npos, "shrink message",
            result.status.message());
    Require(data.LogFilePath == before_path && data.LineCount == before_lines &&
                (before_lines == 0 || data.LogLines[0] == first_line),
            "a refused load changed the tables");
    return;
  }
  CheckLoad(data, in, result);
  Require(data.LogFilePath == path, "LogFilePath after a file load");
}

void Check(std::string_view bytes) {
  // One set of tables for the whole run, as in the program: every load and
  // tally leaves older entries beyond the new counts.
  static TallixData& data = *new TallixData;
  const Input in = Split(bytes);
  data.RouterIdentifier = in.identifier;
  data.SiteCount = in.site_count;
  if (CompressionOf(in.log) != Compression::kNone) {
    // Decompressed as it is loaded: the file load checks it against its text.
    if (kLoadFromFiles) CheckFileLoad(data, in);
    return;
  }
  FakeLogFiles memory;
  memory.Add("/fuzz/router.log", {in.log, 1u << 20, false});
  const LoadResult load = LoadLog(data, "/fuzz/router.log", {}, memory);
  CheckLoad(data, in, load);

  // The sites call the numbers of the first kept lines; the rest call nobody
  // ("" matches a line whose number field is empty).
  for (size_t s = 0; s < static_cast<size_t>(TallixData::kSiteEntries); ++s) {
    data.SiteNames[s] = "site " + std::to_string(s);
    data.SiteNumbers[s] = s < static_cast<size_t>(data.LineCount)
                              ? std::string(ReadCallFields(data.LogLines[s]).number)
                              : std::string(s % 2 == 0 ? "" : "01234123456");
  }
  const TallyResult tally = TallyCalls(data, in.selection);
  const size_t unmatched = CheckTally(data, in, tally);
  g_beyond = MarkerFor(in);
  CheckReports(data, tally, unmatched, !g_beyond.empty());
  if (kLoadFromFiles) CheckFileLoad(data, in);
}

}  // namespace
}  // namespace tallix::fuzz

#ifdef TALLIX_LOG_FUZZ_IN_MEMORY
// Allocation stacks cost a fifth of the in-memory target's time; an input it
// stops on is replayed with fuzz_log, which keeps them, for the full report.
extern "C" const char* __asan_default_options() { return "malloc_context_size=0"; }
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  tallix::fuzz::Check(std::string_view(reinterpret_cast<const char*>(bytes), size));
  return 0;
}
