#include "engine/log/log_loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <new>
#include <utility>

#include "engine/log/line_keeper.h"
#include "engine/log/log_scan.h"
#include "engine/util/log_text_reader.h"
#include "engine/util/text_file.h"
#include "engine/util/text_search.h"

namespace tallix {
void LineKeeper::Keep(std::string_view line, LineOrigin origin) {
  if (data_.LineCount >= TallixData::kLogLineEntries) {
    ++dropped_lines_;
    return;
  }
  data_.LogLines.Assign(static_cast<size_t>(data_.LineCount), line);
  data_.LogLineOrigins[static_cast<size_t>(data_.LineCount)] = origin;
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

namespace {

// Scans one file, plain or compressed, adding its parts to `parts`; sets
// *text_bytes to the length of its text.
FileResult ScanOneFile(const std::string& path, const LoadOptions& options,
                       const KeptLineFinders& finders, LoadProgress& progress,
                       std::vector<KeptLines>& parts, uint64_t* text_bytes) {
  ReadOnlyFile file;
  if (FileResult opened = file.Open(path, kMaxLogFileSize); !opened.ok) return opened;
  if (options.after_open) options.after_open();
  // A file whose first bytes cannot be read is scanned as plain, and that
  // scan reports why.
  Compression kind = Compression::kNone;
  if (!CompressionOfFile(file, &kind).ok) kind = Compression::kNone;
  if (kind == Compression::kNone) {
    std::vector<KeptLines> own;
    if (FileResult scanned = ScanLogFile(file, options, finders, progress, own); !scanned.ok) {
      return scanned;
    }
    for (KeptLines& part : own) parts.push_back(std::move(part));
    *text_bytes = file.size();
    return {};
  }
  parts.emplace_back();
  return ScanLogStream(file, kind, finders, progress, parts.back(), text_bytes);
}

// The files' sizes in all, for the progress callback; a file that cannot be
// looked at counts nothing here and fails when it is opened.
uint64_t SizeOfFiles(const std::vector<std::string>& paths) {
  uint64_t total = 0;
  for (const std::string& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) total += static_cast<uint64_t>(st.st_size);
  }
  return total;
}

LoadResult LoadFiles(TallixData& data, const std::vector<std::string>& paths,
                     const LoadOptions& options, size_t* current) {
  std::vector<KeptLines> parts;
  std::vector<uint32_t> part_files;  // the file each part belongs to
  std::vector<uint64_t> file_lines;
  uint64_t text_bytes = 0;
  const KeptLineFinders finders(data.RouterIdentifier);
  LoadProgress progress(options.progress, options.progress ? SizeOfFiles(paths) : 0);
  for (size_t f = 0; f < paths.size(); ++f) {
    *current = f;
    uint64_t file_bytes = 0;
    const size_t first_part = parts.size();
    if (FileResult scanned = ScanOneFile(paths[f], options, finders, progress, parts, &file_bytes);
        !scanned.ok) {
      return {false, "log file: " + scanned.error, {}};
    }
    if (progress.cancelled()) return {false, kLoadCancelled, {}};
    uint64_t lines = 0;
    for (size_t p = first_part; p < parts.size(); ++p) lines += parts[p].text_lines;
    part_files.resize(parts.size(), static_cast<uint32_t>(f));
    file_lines.push_back(lines);
    text_bytes += file_bytes;
  }
  if (!progress.Finish()) return {false, kLoadCancelled, {}};
  // Everything was read: only now replace the loaded log, with everything
  // that could run out of memory made beforehand.
  std::vector<std::string> all_paths = paths;
  std::string first_path = paths.front();
  LoadResult result;
  data.LogFilePath.swap(first_path);
  data.LogFilePaths.swap(all_paths);
  data.LogFileLines.swap(file_lines);
  data.LogFileSize = static_cast<int32_t>(std::min<uint64_t>(text_bytes, kMaxLogFileSize));
  data.LineCount = 0;
  data.DateCount = 0;
  // The parts' lines take their places in LogLines as views of the parts' own
  // blocks, which LogLines takes over: no line is copied again.
  data.LogLines.Clear();
  size_t kept = 0;
  uint64_t found = 0;
  uint64_t lines_before = 0;  // in the part's file, before the part
  for (size_t p = 0; p < parts.size(); ++p) {
    KeptLines& part = parts[p];
    if (p > 0 && part_files[p] != part_files[p - 1]) lines_before = 0;
    const size_t take =
        std::min(part.stored(), static_cast<size_t>(TallixData::kLogLineEntries) - kept);
    // Held first: should that fail, no entry views bytes that are not held.
    if (take > 0) data.LogLines.Hold(part.bytes());
    for (size_t i = 0; i < take; ++i) {
      data.LogLines.View(kept + i, part.line(i));
      data.LogLineOrigins[kept + i] = {
          part_files[p], static_cast<uint32_t>(lines_before + part.feeds_before(i) + 1)};
    }
    kept += take;
    found += part.found();
    lines_before += part.text_lines;
  }
  data.LineCount = static_cast<int32_t>(kept);
  data.LinesBeyondKept = found - kept;
  LineKeeper keeper(data);
  keeper.Drop(found - kept);
  keeper.ListDays();
  keeper.AddWarnings(result.warnings);
  return result;
}

}  // namespace

LoadResult LoadLog(TallixData& data, const std::string& path, const LoadOptions& options) {
  return LoadLogs(data, {path}, options);
}

LoadResult LoadLogs(TallixData& data, const std::vector<std::string>& paths,
                    const LoadOptions& options) {
  size_t current = 0;
  try {
    return LoadFiles(data, paths, options, &current);
  } catch (const std::bad_alloc&) {
    return {false, "log file: cannot read '" + paths[current] + "': not enough memory", {}};
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
