#include "engine/log/log_loader.h"

#include <algorithm>
#include <utility>

#include "engine/log/line_keeper.h"
#include "engine/log/log_scan.h"
#include "engine/util/text_file.h"
#include "engine/util/text_search.h"

namespace tallix {
void LineKeeper::Keep(std::string_view line) {
  if (data_.LineCount >= TallixData::kLogLineEntries) {
    ++dropped_lines_;
    return;
  }
  data_.LogLines.Assign(static_cast<size_t>(data_.LineCount), line);
  ++data_.LineCount;
}

void LineKeeper::ListDays() {
  std::string_view previous_day;
  for (int32_t r = 0; r < data_.LineCount; ++r) {
    const std::string_view day = data_.LogLines[static_cast<size_t>(r)].substr(0, kDayWidth);
    // Runs past a full list are counted as runs, not as lines.
    if (r > 0 && day == previous_day) continue;
    previous_day = day;
    if (data_.DateCount >= TallixData::kLogDateEntries) {
      ++dropped_days_;
      continue;
    }
    data_.LogDates[static_cast<size_t>(data_.DateCount)].assign(day);
    ++data_.DateCount;
  }
}

void LineKeeper::AddWarnings(std::vector<std::string>& warnings) const {
  if (dropped_lines_ > 0) {
    warnings.push_back(
        "the log holds " + std::to_string(dropped_lines_) + " more call-end lines than the " +
        std::to_string(TallixData::kLogLineEntries) + " that can be kept; they were not loaded");
  }
  if (dropped_days_ > 0) {
    warnings.push_back("the day list is full at " + std::to_string(TallixData::kLogDateEntries) +
                       " entries; " + std::to_string(dropped_days_) +
                       " later day runs are not listed, but their calls are counted");
  }
}

bool IsKeptLine(std::string_view line, std::string_view identifier) {
  return ContainsNoCase(line, kCallEndWord) && ContainsNoCase(line, identifier);
}

LoadResult LoadLog(TallixData& data, const std::string& path, const LoadOptions& options) {
  ReadOnlyFile file;
  if (FileResult opened = file.Open(path, kMaxLogFileSize); !opened.ok) {
    return {false, "log file: " + opened.error, {}};
  }
  if (options.after_open) options.after_open();
  std::vector<KeptLines> parts;
  const KeptLineFinders finders(data.RouterIdentifier);
  if (FileResult scanned = ScanLogFile(file, options, finders, parts); !scanned.ok) {
    return {false, "log file: " + scanned.error, {}};
  }
  // Everything was read: only now replace the loaded log.
  LoadResult result;
  data.LogFilePath = path;
  data.LogFileSize = static_cast<int32_t>(file.size());
  data.LineCount = 0;
  data.DateCount = 0;
  // The parts' lines take their places in LogLines as views of the parts' own
  // blocks, which LogLines takes over: no line is copied again.
  data.LogLines.Clear();
  size_t kept = 0;
  uint64_t found = 0;
  for (KeptLines& part : parts) {
    const size_t take =
        std::min(part.stored(), static_cast<size_t>(TallixData::kLogLineEntries) - kept);
    // Held first: should that fail, no entry views bytes that are not held.
    if (take > 0) data.LogLines.Hold(part.bytes());
    for (size_t i = 0; i < take; ++i) data.LogLines.View(kept + i, part.line(i));
    kept += take;
    found += part.found();
  }
  data.LineCount = static_cast<int32_t>(kept);
  LineKeeper keeper(data);
  keeper.Drop(found - kept);
  keeper.ListDays();
  keeper.AddWarnings(result.warnings);
  return result;
}

LogBounds LogStartAndEnd(const TallixData& data) {
  LogBounds bounds;
  const int lines = LinesInUse(data);
  if (lines > 0) {
    bounds.start = data.LogLines[0].substr(0, kMinuteWidth);
    bounds.end = data.LogLines[static_cast<size_t>(lines - 1)].substr(0, kMinuteWidth);
  }
  return bounds;
}

LogPanel LogPanelTexts(const TallixData& data) {
  LogBounds bounds = LogStartAndEnd(data);
  return {std::move(bounds.start), std::move(bounds.end), " " + std::to_string(data.LineCount)};
}

std::vector<std::string> DayList(const TallixData& data) {
  const int count = std::min<int>(std::max<int>(data.DateCount, 0), TallixData::kLogDateEntries);
  return {data.LogDates.begin(), data.LogDates.begin() + count};
}

}  // namespace tallix
