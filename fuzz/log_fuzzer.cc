// Fuzz target: the loader on arbitrary bytes, the tally over a selection and
// sites taken from the input, then every report builder. The loader and the
// tally are compared with plain reference versions of themselves (beside it,
// in log_fuzz_reference.cc); every report must add up to the tally, and
// none may show the name of a site that is not in use.
//
// Input layout: byte 0 the selection's length (mod 18), byte 1 the router
// identifier's length (mod 12; 11 stands for the default "isdnrouter"), byte 2
// the site count, byte 3 how often the log text is repeated (253 to 255: 1000,
// 10002 and 40002 times, to reach the log's limits), then the selection,
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
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "engine/analysis/duration.h"
#include "engine/analysis/tally.h"
#include "engine/log/line_scanner.h"
#include "engine/log/log_loader.h"
#include "engine/log/log_source.h"
#include "engine/log/log_text_reader.h"
#include "engine/output/output_file.h"
#include "engine/reports/report_text.h"
#include "engine/util/text_file.h"
#include "fuzz_check.h"
#include "log_fuzz_reference.h"
#include "support/fake_log_files.h"

namespace tallix::fuzz {
namespace {

using testing_util::AfterOpen;
using testing_util::FakeLogFiles;

// Written into the names of the sites not in use before the reports are
// built; no report may show it. Made of letters and digits, so that no
// format escapes it.
std::string g_beyond;
const ReportDateTime kNow{"12/07/26", "10:30:00"};

#ifdef TALLIX_LOG_FUZZ_IN_MEMORY
constexpr bool kLoadFromFiles = false;
#else
constexpr bool kLoadFromFiles = true;
#endif

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
  // Repeats that reach the log's limits are slow, so only the top three
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
  // runs stay small and fast; in memory to 1 KiB, which leaves the log's
  // limits to the file target.
  const size_t cap = kLoadFromFiles ? 1000000 : 1024;
  const size_t times =
      bytes.empty() || bytes.size() > 256 ? 1 : std::min(repeat, cap / bytes.size() + 1);
  in.log.reserve(bytes.size() * times);
  for (size_t i = 0; i < times; ++i) in.log += bytes;
  return in;
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
  const std::string csv = ReportTextOf(WriteCallsCsv, request);
  Require(CountCrLf(csv) == 1 + all_calls, "CSV rows");
  const std::string table = ReportTextOf(WriteUnmatched, request);
  const size_t total = table.rfind("\r\nTotal ");
  Require(total != std::string::npos, "no total row in the unmatched numbers");
  const size_t count = table.find(" : ", total) + 3;
  Require(table.compare(count, std::to_string(unmatched).size() + 1,
                        std::to_string(unmatched) + (unmatched >= 100000 ? ":" : " ")) == 0,
          "the unmatched total differs", std::to_string(unmatched));
  const size_t sites = static_cast<size_t>(request.config.SitesInUse());
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
    const int site = static_cast<int>(s);
    Require(calls[s] == request.tally.SiteCallCounts(site) &&
                seconds[s] == request.tally.SiteSeconds(site),
            "the days do not add up to a site's calls", "site " + std::to_string(s));
  }
  const std::string json = ReportTextOf(WriteJsonReport, request);
  if (kLoadFromFiles) {
    Require(nlohmann::json::accept(json), "the JSON report does not parse");
  }
  const std::string audit = ReportTextOf(WriteAuditCsv, request);
  Require(CountCrLf(audit) == 1 + static_cast<size_t>(request.log.LineCount()), "audit rows");
  texts = {csv, table, json, ReportTextOf(WriteHtmlReport, request), audit};
}

void CheckReports(const LoadedLog& log, SiteConfig& config, const TallyResult& tally,
                  size_t unmatched, bool can_poison) {
  const int sites = config.SitesInUse();
  // The sites just beyond the count: where an off-by-one would read.
  if (can_poison) {
    for (size_t s = static_cast<size_t>(sites); s < SiteConfig::kSites; ++s) {
      config.SiteNames[s] = g_beyond;
    }
  }
  size_t all_calls = 0;
  for (int s = 0; s < sites; ++s) all_calls += static_cast<size_t>(tally.SiteCallCounts(s));
  const size_t site_lines = static_cast<size_t>(sites);

  const ReportHeading heading = MakeReportHeading(log, kNow);
  const ReportRequest request{log, config, tally, heading, tally.warnings};
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
  std::vector<std::string> exports;
  CheckExports(request, all_calls, unmatched, exports);

  if (!can_poison) return;
  for (const std::string& text : exports) {
    Require(!ShowsBeyond(text), "an export report shows a site not in use");
  }
  Require(!ShowsBeyond(saved), "the saved report shows a site not in use");
  Require(!ShowsBeyond(summary), "the summary shows a site not in use");
  Require(!ShowsBeyond(detailed), "the detailed log shows a site not in use");
  Require(!ShowsBeyond(show), "the Show Log text shows a site not in use");
}

// A log that begins with a compression's magic bytes is decompressed when
// it is loaded from a file: it loads as its text, which the log text reader
// gives, or fails naming the file and keeps nothing.
void CheckCompressedFileLoad(const Input& in, const std::string& path) {
  const LoadResult result = LoadLog(path, in.identifier);
  if (!result.status.ok()) {
    Require(result.status.message().find(path) != std::string::npos, "the message names no file",
            result.status.message());
    Require(result.log.LogFilePaths.empty() && result.log.LineCount() == 0,
            "a refused compressed load kept lines");
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
  CheckLoad(decompressed, result);
}

// The same text read in blocks of any size, as a file or as a stream, must
// load the same. A file cut short after it was opened is refused and keeps
// nothing; bytes added after opening are not read.
void CheckFileLoad(const Input& in) {
  if (in.log.size() > (256u << 10)) return;
  const std::string path = WorkDir() + "/router.log";
  Require(WriteWholeFile(path, in.log).ok(), "cannot write the log file", path);
  if (CompressionOf(in.log) != Compression::kNone) {
    CheckCompressedFileLoad(in, path);
    return;
  }
  static constexpr size_t kBlocks[] = {1, 2, 7, 64, 4096, 1u << 20};
  const size_t block = kBlocks[(in.knobs >> 8) % std::size(kBlocks)];
  const bool seekable = (in.knobs >> 16 & 0x80) != 0;
  const unsigned change = (in.knobs >> 24) % 8;  // 0: shrink, 1: grow, else none
  const bool shrink = change == 0 && !in.log.empty();
  // A file whose size says 0 is read to its end, like a stream (/proc files
  // say 0): bytes added after opening it are read, so it is not grown here.
  if (change > 1 || in.log.empty()) {
    FakeLogFiles files;
    files.Add(path, {in.log, block, seekable});
    const LoadResult result = LoadLog(path, in.identifier, {}, files);
    CheckLoad(in, result);
    Require(result.log.LogFilePath() == path, "LogFilePath after a load");
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
  const LoadResult result = LoadLog(path, in.identifier, {}, files);
  if (shrink) {
    Require(!result.status.ok(), "a log cut short while it was read was loaded");
    Require(result.status.message().find("became shorter") != std::string::npos, "shrink message",
            result.status.message());
    Require(result.log.LogFilePaths.empty() && result.log.LineCount() == 0,
            "a refused load kept lines");
    return;
  }
  CheckLoad(in, result);
  Require(result.log.LogFilePath() == path, "LogFilePath after a file load");
}

void Check(std::string_view bytes) {
  const Input in = Split(bytes);
  if (CompressionOf(in.log) != Compression::kNone) {
    // Decompressed as it is loaded: the file load checks it against its text.
    if (kLoadFromFiles) CheckFileLoad(in);
    return;
  }
  FakeLogFiles memory;
  memory.Add("/fuzz/router.log", {in.log, 1u << 20, false});
  const LoadResult load = LoadLog("/fuzz/router.log", in.identifier, {}, memory);
  CheckLoad(in, load);
  const LoadedLog& log = load.log;

  // The sites call the numbers of the first kept lines; the rest call nobody
  // ("" matches a line whose number field is empty). The count may lie
  // outside 0..10, as in a value made by hand.
  SiteConfig config;
  config.RouterIdentifier = in.identifier;
  config.SiteCount = in.site_count;
  for (size_t s = 0; s < SiteConfig::kSites; ++s) {
    config.SiteNames[s] = "site " + std::to_string(s);
    config.SiteNumbers[s] = s < static_cast<size_t>(log.LineCount())
                                ? std::string(ReadCallFields(log.LogLines()[s].text).number)
                                : std::string(s % 2 == 0 ? "" : "01234123456");
  }
  const TallyResult tally = TallyCalls(log, config, in.selection);
  const size_t unmatched = CheckTally(log, config, in, tally);
  g_beyond = MarkerFor(in);
  CheckReports(log, config, tally, unmatched, !g_beyond.empty());
  if (kLoadFromFiles) CheckFileLoad(in);
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
