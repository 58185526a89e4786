#include "engine/log/loaded_log.h"

#include <algorithm>

#include "engine/app/line_fields.h"

namespace tallix {
namespace {

int YearOf(WallTime time) {
  return static_cast<int>(
      std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(time)).year());
}

std::string_view DayOf(std::string_view line) { return line.substr(0, kDayWidth); }

}  // namespace

const std::string& LoadedLog::LogFilePath() const {
  static const std::string kNone;
  return LogFilePaths.empty() ? kNone : LogFilePaths.front();
}

CallTime LoadedLog::LineTime(int32_t r) const {
  return r >= 0 && r < LineCount() ? lines_[static_cast<size_t>(r)].time : CallTime{};
}

int32_t LoadedLog::Keep(std::string text, const CallTime& time, LineOrigin origin) {
  if (LineCount() >= kLogLineEntries) {
    ++LinesBeyondKept;
    return -1;
  }
  // Room for all at once: a kept line never moves, so views into it last.
  // Only the pages written are touched.
  if (lines_.capacity() == 0) lines_.reserve(kLogLineEntries);
  const bool new_day = lines_.empty() || DayOf(lines_.back().text) != DayOf(text);
  if (new_day) {
    if (dates_.size() < static_cast<size_t>(kLogDateEntries)) {
      dates_.emplace_back(DayOf(text));
    } else {
      ++DaysBeyondListed;
    }
  }
  lines_.push_back({std::move(text), time, origin});
  return LineCount() - 1;
}

void LoadedLog::ForgetUnterminatedTail() {
  if (!resume.tail_examined || LogFileLines.empty()) return;
  const uint64_t tail_line = LogFileLines.back();
  --LogFileLines.back();
  resume.tail_examined = false;
  if (!resume.tail_found) return;
  resume.tail_found = false;
  const auto last_file = static_cast<uint32_t>(LogFileLines.size() - 1);
  if (lines_.empty() || lines_.back().origin.file != last_file ||
      lines_.back().origin.line != tail_line) {
    --LinesBeyondKept;
    return;
  }
  const bool own_day =
      lines_.size() == 1 || DayOf(lines_[lines_.size() - 2].text) != DayOf(lines_.back().text);
  if (own_day) {
    if (DaysBeyondListed > 0) {
      --DaysBeyondListed;
    } else {
      dates_.pop_back();
    }
  }
  lines_.pop_back();
}

std::vector<std::string> LoadedLog::LimitWarnings() const {
  std::vector<std::string> warnings;
  if (LinesBeyondKept > 0) {
    warnings.push_back(KeptLimitWarning(LinesBeyondKept, "they were not loaded"));
  }
  if (DaysBeyondListed > 0) {
    warnings.push_back("the day list is full at " + std::to_string(kLogDateEntries) + " entries; " +
                       std::to_string(DaysBeyondListed) +
                       " later day runs are not listed, but their calls are counted");
  }
  return warnings;
}

LogBounds LogStartAndEnd(const LoadedLog& log) {
  LogBounds bounds;
  if (log.LineCount() > 0) {
    bounds.start = log.LogLines().front().text.substr(0, kMinuteWidth);
    bounds.end = log.LogLines().back().text.substr(0, kMinuteWidth);
  }
  return bounds;
}

std::optional<TimedSpan> TimedSpanOf(const LoadedLog& log) {
  std::optional<TimedSpan> span;
  for (const LogLine& line : log.LogLines()) {
    if (!line.time.has_time) continue;
    if (!span) span = TimedSpan{line.time, line.time, line.time.wall, line.time.wall};
    span->last = line.time;
    span->earliest = std::min(span->earliest, line.time.wall);
    span->latest = std::max(span->latest, line.time.wall);
  }
  return span;
}

std::optional<LogDays> LogDaysOf(const LoadedLog& log) {
  const std::optional<TimedSpan> span = TimedSpanOf(log);
  if (!span) return std::nullopt;
  const auto day = [](const CallTime& time) {
    return std::chrono::year_month_day{std::chrono::floor<std::chrono::days>(time.wall)};
  };
  return LogDays{day(span->first), day(span->last)};
}

std::string KeptLimitWarning(std::optional<uint64_t> beyond, std::string_view then) {
  return "the log holds " + (beyond ? std::to_string(*beyond) + " " : std::string()) +
         "more call-end lines than the " + std::to_string(LoadedLog::kLogLineEntries) +
         " that can be kept; " + std::string(then);
}

std::optional<std::string> NoKeptLineWarning(const LoadedLog& log, std::string_view identifier) {
  if (log.LineCount() != 0) return std::nullopt;
  return "the log holds no line with the router identifier \"" + std::string(identifier) +
         "\" and \"disconnected\"; every site shows 0 calls";
}

std::optional<std::string> EmptyRangeNote(const LoadedLog& log, uint64_t selected,
                                          bool range_limited) {
  const std::optional<LogDays> days = LogDaysOf(log);
  if (!range_limited || selected != 0 || !days) return std::nullopt;
  std::string note = "no call lies in the range; the log's calls with a time run from ";
  AppendDateText(note, days->first);
  note += " to ";
  AppendDateText(note, days->last);
  return note +
         " (a syslog stamp without a year takes it from the last log file's time: --year sets it)";
}

FollowedYears::FollowedYears(const LoadedLog& log) {
  const std::vector<LogLine>& lines = log.LogLines();
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (!line->time.has_time || line->time.has_offset) continue;
    last_ = ReadLineStamp(line->text);
    last_year_ = YearOf(line->time.wall);
    break;
  }
}

CallTime FollowedYears::TimeOf(const LineStamp& stamp) {
  if (stamp.form != StampForm::kTraditional) {
    const LineStamp one[] = {stamp};
    return LineTimes(one, {}).front();
  }
  CallTime time;
  if (last_) {
    const LineStamp two[] = {*last_, stamp};
    time = LineTimes(two, YearRule{last_year_, {}}).back();
  } else {
    // Nothing before it to follow: the year of now, as for a log read now.
    const LineStamp one[] = {stamp};
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    time =
        LineTimes(one, YearRule{std::nullopt, std::chrono::local_seconds(now.time_since_epoch())})
            .front();
  }
  if (time.has_time) {
    last_ = stamp;
    last_year_ = YearOf(time.wall);
  }
  return time;
}

}  // namespace tallix
