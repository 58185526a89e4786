#pragma once
// The router log loader: reads a whole log, keeps the lines that the router
// wrote when a call ended (lines holding the router identifier and
// "disconnected", letter case ignored) and lists the days they cover.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/app/shared_data.h"
#include "engine/log/log_source.h"
#include "engine/util/status.h"

namespace tallix {

// The error of a load that LoadOptions::progress cancelled.
inline constexpr char kLoadCancelled[] = "the load was cancelled";

// The largest log LogFileSize can describe.
inline constexpr uint64_t kMaxLogFileSize = 2147483647;

struct LoadResult {
  Status status;                      // when failed, names the file and the reason
  std::vector<std::string> warnings;  // a table was full
  // Remarks that leave a run's outcome as it is: a file whose lines end
  // with CR alone, read as one line as the loader's rule has it.
  std::vector<std::string> notes;
};

// The minutes the loaded log starts and ends at: the first kMinuteWidth
// characters of its first and of its last kept line ("Dec  5 06:34"), or
// empty texts when no line is kept. The window's log panel and the report
// headings both show them.
struct LogBounds {
  std::string start;
  std::string end;
};
LogBounds LogStartAndEnd(const TallixData& data);

// What the caller of a load would see of it as it goes.
struct LoadOptions {
  // Called as the load goes on, at most every few MiB of text: the bytes read
  // so far of all the files (compressed bytes for a compressed file) and the
  // files' size in all. Returning false cancels the load, which then fails
  // with kLoadCancelled and changes nothing.
  std::function<bool(uint64_t done, uint64_t total)> progress;
};

// Loads the log at `path`. The whole file is scanned before `data` changes:
// a file that cannot be read, is not an ordinary file, is larger than
// kMaxLogFileSize, or becomes shorter than its size at opening while it is read
// leaves `data` exactly as it was, as does running out of memory (an error
// that says "not enough memory"). Bytes added after opening are not read. On
// success LogFilePath becomes `path` as given. `files` opens it: the
// system's files unless a test gives its own.
// Lines end at line feeds; a carriage return before one stays in the line,
// and the text after the last line feed is examined like a line. A kept line
// longer than kLongLineBytes is kept as CompactLineInto makes it
// (line_scanner.h). Kept lines beyond LogLines' 40001 entries and day runs
// beyond LogDates' 101 are dropped, each with a warning (LinesBeyondKept
// counts those lines); the lines of dropped day runs are still kept. Each
// kept line's LogLineOrigins entry names its file and line number, and
// LogFileLines counts the lines of each file.
//
// A file whose first bytes mark it as compressed (gzip, xz or zstd, whatever
// its name; log_text_reader.h) is decompressed as it is scanned, and its text
// counts as the file's bytes: it obeys the same size limit, and LogFileSize is
// its length. A damaged or cut-short compressed file fails and changes nothing.
LoadResult LoadLog(TallixData& data, const std::string& path, const LoadOptions& options = {},
                   LogFileSystem& files = SystemLogFiles());

// Loads several files as one log, in the order given: each is read as LoadLog
// reads it (its text after the last line feed examined like a line), and its
// kept lines follow those of the file before. The tables' limits and their
// warnings apply to the whole. Should any file fail, `data` is left as it was.
// LogFilePath becomes the first path, LogFilePaths all of them, and
// LogFileSize the sum of their lengths (at most kMaxLogFileSize).
// REQUIRES: !paths.empty().
LoadResult LoadLogs(TallixData& data, const std::vector<std::string>& paths,
                    const LoadOptions& options = {}, LogFileSystem& files = SystemLogFiles());

// LogDates 0..DateCount-1, for the day chooser.
std::vector<std::string> DayList(const TallixData& data);

}  // namespace tallix
