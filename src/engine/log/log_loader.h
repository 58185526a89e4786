#pragma once
// The router log loader: reads a whole log, keeps the lines that the router
// wrote when a call ended (lines holding the router identifier and
// "disconnected", letter case ignored) and lists the days they cover.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/log/loaded_log.h"
#include "engine/log/log_source.h"
#include "engine/util/status.h"

namespace tallix {

// The error of a load that LoadOptions::progress cancelled.
inline constexpr char kLoadCancelled[] = "the load was cancelled";

// The largest log LogFileSize can describe.
inline constexpr uint64_t kMaxLogFileSize = 2147483647;

struct LoadResult {
  Status status;  // when failed, names the file and the reason
  LoadedLog log;  // empty when failed
  // Remarks that leave a run's outcome as it is: a file whose lines end
  // with CR alone, read as one line as the loader's rule has it.
  std::vector<std::string> notes;
};

// What the caller of a load would see of it as it goes.
struct LoadOptions {
  // Called as the load goes on, at most every few MiB of text: the bytes read
  // so far of all the files (compressed bytes for a compressed file) and the
  // files' size in all. Returning false cancels the load, which then fails
  // as cancelled (Status::Code::kCancelled).
  std::function<bool(uint64_t done, uint64_t total)> progress;
  // The year of the first traditional stamp (--year); without it the year
  // comes from the last file's modification time (call_time.h).
  std::optional<int> year;
  // The names the files go by in the loaded log, one per path, when they
  // differ from the paths opened (a path opened as given, named from the
  // root); empty: the paths.
  std::vector<std::string> names;
};

// Loads the log at `path`, keeping the lines that hold `identifier` and the
// call-end word. A file that cannot be read, is not an ordinary file, is
// larger than kMaxLogFileSize, or becomes shorter than its size at opening
// while it is read fails the load, as does running out of memory (an error
// that says "not enough memory"). Bytes added after opening are not read.
// `files` opens it: the system's files unless a test gives its own.
// Lines end at line feeds; a carriage return before one stays in the line,
// and the text after the last line feed is examined like a line. A kept line
// longer than kLongLineBytes is kept as CompactLineInto makes it
// (line_scanner.h). Kept lines beyond kLogLineEntries and day runs beyond
// kLogDateEntries are counted, not kept (LoadedLog::LimitWarnings); the
// lines of unlisted day runs are still kept. A kept line that begins with an
// RFC 3339 stamp with an offset has that stamp put in the traditional form
// ("Dec  7 10:00:01").
//
// A file whose first bytes mark it as compressed (gzip, xz or zstd, whatever
// its name; log_text_reader.h) is decompressed as it is scanned, and its text
// counts as the file's bytes: it obeys the same size limit, and LogFileSize is
// its length. A damaged or cut-short compressed file fails the load.
LoadResult LoadLog(const std::string& path, std::string_view identifier,
                   const LoadOptions& options = {}, LogFileSystem& files = SystemLogFiles());

// Loads several files as one log, in the order given: each is read as LoadLog
// reads it (its text after the last line feed examined like a line), and its
// kept lines follow those of the file before. The limits apply to the whole;
// should any file fail, the load fails. LogFileSize is the sum of the files'
// lengths (at most kMaxLogFileSize). REQUIRES: !paths.empty().
LoadResult LoadLogs(const std::vector<std::string>& paths, std::string_view identifier,
                    const LoadOptions& options = {}, LogFileSystem& files = SystemLogFiles());

}  // namespace tallix
