#include "engine/log/log_loader.h"

#include <algorithm>
#include <new>
#include <utility>

#include "engine/log/log_scan.h"
#include "engine/log/text_search.h"

namespace tallix {
namespace {

// Fills LogDates from the kept lines: one entry for each run of lines with
// the same day (their first kDayWidth characters). Returns the runs past a
// full list, which are counted as runs, not as lines.
uint64_t ListDays(TallixData& data) {
  uint64_t dropped = 0;
  std::string_view previous_day;
  for (int32_t r = 0; r < data.LineCount; ++r) {
    const std::string_view day = data.LogLines[static_cast<size_t>(r)].substr(0, kDayWidth);
    if (r > 0 && day == previous_day) continue;
    previous_day = day;
    if (data.DateCount >= TallixData::kLogDateEntries) {
      ++dropped;
      continue;
    }
    data.LogDates[static_cast<size_t>(data.DateCount)].assign(day);
    ++data.DateCount;
  }
  return dropped;
}

// The warnings of what did not fit.
std::vector<std::string> DroppedWarnings(uint64_t dropped_lines, uint64_t dropped_days) {
  std::vector<std::string> warnings;
  if (dropped_lines > 0) {
    warnings.push_back(
        "the log holds " + std::to_string(dropped_lines) + " more call-end lines than the " +
        std::to_string(TallixData::kLogLineEntries) + " that can be kept; they were not loaded");
  }
  if (dropped_days > 0) {
    warnings.push_back("the day list is full at " + std::to_string(TallixData::kLogDateEntries) +
                       " entries; " + std::to_string(dropped_days) +
                       " later day runs are not listed, but their calls are counted");
  }
  return warnings;
}

}  // namespace

bool IsKeptLine(std::string_view line, std::string_view identifier) {
  return ContainsNoCase(line, kCallEndWord) && ContainsNoCase(line, identifier);
}

namespace {

LoadResult Failed(std::string message) { return {Status::Error(std::move(message)), {}}; }

LoadResult LoadFiles(TallixData& data, const std::vector<std::string>& paths,
                     const LoadOptions& options, LogFileSystem& files, size_t* current) {
  std::vector<KeptLines> parts;
  std::vector<uint32_t> part_files;  // the file each part belongs to
  std::vector<uint64_t> file_lines;
  uint64_t text_bytes = 0;
  const KeptLineFinders finders(data.RouterIdentifier);
  uint64_t total = 0;
  if (options.progress) {
    for (const std::string& path : paths) total += files.SizeOf(path);
  }
  LoadProgress progress(options.progress, total);
  for (size_t f = 0; f < paths.size(); ++f) {
    *current = f;
    std::unique_ptr<LogSource> source;
    std::vector<KeptLines> own;
    uint64_t file_bytes = 0;
    Status scanned = files.Open(paths[f], kMaxLogFileSize, &source);
    if (scanned.ok()) {
      scanned = ScanLog(*source, paths[f], kMaxLogFileSize, finders, progress, own, &file_bytes);
    }
    if (!scanned.ok()) return Failed("log file: " + scanned.message());
    if (progress.cancelled()) return Failed(kLoadCancelled);
    uint64_t lines = 0;
    for (KeptLines& part : own) {
      lines += part.text_lines;
      parts.push_back(std::move(part));
    }
    part_files.resize(parts.size(), static_cast<uint32_t>(f));
    file_lines.push_back(lines);
    text_bytes += file_bytes;
  }
  if (!progress.Finish()) return Failed(kLoadCancelled);
  // Everything was read: only now replace the loaded log, with everything
  // that could run out of memory made beforehand.
  std::vector<std::string> all_paths = paths;
  std::string first_path = paths.front();
  data.LogFilePath.swap(first_path);
  data.LogFilePaths.swap(all_paths);
  data.LogFileLines.swap(file_lines);
  data.LogFileSize = static_cast<int32_t>(std::min<uint64_t>(text_bytes, kMaxLogFileSize));
  data.LineCount = 0;
  data.DateCount = 0;
  // The parts' lines move into LogLines: no line is copied again.
  data.LogLines.Clear();
  size_t kept = 0;
  uint64_t found = 0;
  uint64_t lines_before = 0;  // in the part's file, before the part
  for (size_t p = 0; p < parts.size(); ++p) {
    KeptLines& part = parts[p];
    if (p > 0 && part_files[p] != part_files[p - 1]) lines_before = 0;
    const size_t take =
        std::min(part.lines.size(), static_cast<size_t>(TallixData::kLogLineEntries) - kept);
    for (size_t i = 0; i < take; ++i) {
      data.LogLines.Assign(kept + i, std::move(part.lines[i].text));
      data.LogLineOrigins[kept + i] = {
          part_files[p], static_cast<uint32_t>(lines_before + part.lines[i].feeds_before + 1)};
    }
    kept += take;
    found += part.found;
    lines_before += part.text_lines;
  }
  data.LineCount = static_cast<int32_t>(kept);
  data.LinesBeyondKept = found - kept;
  const uint64_t dropped_days = ListDays(data);
  return {Status::Ok(), DroppedWarnings(found - kept, dropped_days)};
}

}  // namespace

LoadResult LoadLog(TallixData& data, const std::string& path, const LoadOptions& options,
                   LogFileSystem& files) {
  return LoadLogs(data, {path}, options, files);
}

LoadResult LoadLogs(TallixData& data, const std::vector<std::string>& paths,
                    const LoadOptions& options, LogFileSystem& files) {
  size_t current = 0;
  try {
    return LoadFiles(data, paths, options, files, &current);
  } catch (const std::bad_alloc&) {
    return Failed("log file: cannot read '" + paths[current] + "': not enough memory");
  }
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

std::vector<std::string> DayList(const TallixData& data) {
  const int count = std::min<int>(std::max<int>(data.DateCount, 0), TallixData::kLogDateEntries);
  return {data.LogDates.begin(), data.LogDates.begin() + count};
}

}  // namespace tallix
