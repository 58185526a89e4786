#pragma once
// A loaded log as one value: its files, the call-end lines kept from them
// (text, time and origin), the days those lines cover, and what did not fit.
// The loader makes it; the follower adds to it through the same Keep, so a
// line is numbered, listed and limited alike whichever of them read it.
// Kept lines never move once kept: views into their text last as long as
// the value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analysis/call_time.h"

namespace tallix {

// Where a kept line came from: the file (an index into LogFilePaths) and its
// 1-based line number in that file's text, counted after decompression.
struct LineOrigin {
  uint32_t file = 0;
  uint32_t line = 0;
};

struct LogLine {
  std::string text;
  CallTime time;
  LineOrigin origin;
};

// The minutes the loaded log starts and ends at: the first kMinuteWidth
// characters of its first and of its last kept line ("Dec  5 06:34"), or
// empty texts when no line is kept.
struct LogBounds {
  std::string start;
  std::string end;
};

class LoadedLog {
 public:
  static constexpr int32_t kLogLineEntries = 40001;  // LogLines 0..40000
  static constexpr int16_t kLogDateEntries = 101;    // LogDates 0..100

  // Every file of the log, in the order loaded; the first is LogFilePath.
  std::vector<std::string> LogFilePaths;
  // The lines of each file: its line feeds, plus one when the text after
  // the last one was examined like a line.
  std::vector<uint64_t> LogFileLines;
  int32_t LogFileSize = 0;
  // Call-end lines found past the kLogLineEntries that LogLines keeps.
  uint64_t LinesBeyondKept = 0;
  // Day runs past the kLogDateEntries that LogDates lists.
  uint64_t DaysBeyondListed = 0;

  // The path of the first file; empty before a load.
  const std::string& LogFilePath() const;
  const std::vector<LogLine>& LogLines() const { return lines_; }
  int32_t LineCount() const { return static_cast<int32_t>(lines_.size()); }
  // The day prefixes of the kept lines, one per run of lines of one day.
  const std::vector<std::string>& LogDates() const { return dates_; }
  CallTime LineTime(int32_t r) const;

  // Keeps a call-end line after the others, or counts it in LinesBeyondKept
  // once kLogLineEntries are kept. Returns its index, or -1 when not kept.
  // Throws std::bad_alloc.
  int32_t Keep(std::string text, const CallTime& time, LineOrigin origin);

  // Where following the last file goes on: the bytes of its text up to and
  // including its last line feed, and the line feeds in them.
  struct Resume {
    uint64_t offset = 0;
    uint64_t line_feeds = 0;
    // The text after the last line feed was examined like a line, and kept
    // (or counted beyond the limit) when it was a call-end line.
    bool tail_examined = false;
    bool tail_found = false;
  };
  Resume resume;

  // Takes back what the last file's unterminated tail added, so that a
  // follower counts that line once, when its line feed comes.
  void ForgetUnterminatedTail();

  // The warnings of the limits met: lines past the kept limit, day runs past
  // the day list.
  std::vector<std::string> LimitWarnings() const;

 private:
  std::vector<LogLine> lines_;
  std::vector<std::string> dates_;
};

LogBounds LogStartAndEnd(const LoadedLog& log);

// The times of the kept lines that have one: the first and last in log
// order, and the earliest and latest; none when no kept line has one.
struct TimedSpan {
  CallTime first;
  CallTime last;
  WallTime earliest;
  WallTime latest;
};
std::optional<TimedSpan> TimedSpanOf(const LoadedLog& log);

// The days of the first and last of them.
struct LogDays {
  std::chrono::year_month_day first;
  std::chrono::year_month_day last;
};
std::optional<LogDays> LogDaysOf(const LoadedLog& log);

// "the log holds <beyond> more call-end lines than the 40001 that can be
// kept; <then>", without the count when it is not known.
std::string KeptLimitWarning(std::optional<uint64_t> beyond, std::string_view then);

// The remark when a limited range selects no line while the log has lines
// with a time (a syslog stamp's year may be wrong): "no call lies in the
// range; the log's calls with a time run from 2025-12-05 to 2025-12-07 (a
// syslog stamp without a year takes it from the last log file's time: --year
// sets it)"; nullopt otherwise.
std::optional<std::string> EmptyRangeNote(const LoadedLog& log, uint64_t selected,
                                          bool range_limited);

// The remark after a load that kept no line (the identifier may be wrong),
// or nullopt when it kept some.
std::optional<std::string> NoKeptLineWarning(const LoadedLog& log, std::string_view identifier);

// The years of followed traditional stamps: each from the one kept before
// it, as the year rule walks a loaded log (call_time.h).
class FollowedYears {
 public:
  // Starts from the last kept line with a traditional stamp and a time.
  explicit FollowedYears(const LoadedLog& log);
  CallTime TimeOf(const LineStamp& stamp);

 private:
  std::optional<LineStamp> last_;
  int last_year_ = 0;
};

}  // namespace tallix
