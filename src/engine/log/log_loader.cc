#include "engine/log/log_loader.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <thread>
#include <utility>

#include "engine/log/line_scanner.h"
#include "engine/log/log_text_reader.h"
#include "engine/log/text_search.h"
#include "engine/util/warning_limit.h"

namespace tallix {
namespace {

// Bytes read at a time: small enough to stay in the cache while they are
// searched, large enough that a read costs little beside its copy.
constexpr size_t kBlockBytes = 256u << 10;
// Ordinary files this large are scanned in two parts at once.
constexpr uint64_t kTwoPartsMinBytes = 32u << 20;

// A block to read into, left uninitialised: a small log touches only the
// pages it fills.
using Block = std::unique_ptr<char[]>;
Block NewBlock() { return std::make_unique_for_overwrite<char[]>(kBlockBytes); }

// The bytes read of a load's files, told to LoadOptions::progress every few
// MiB of them or of text, only on the thread that runs the load: a
// compressed file gives MiB of text for each KiB read, and a Cancel must not
// wait for the next MiB of it. Once the callback has said no, every scan
// stops at its next block.
struct LoadProgress {
  static constexpr uint64_t kCallBytes = 4u << 20;
  const std::function<bool(uint64_t done, uint64_t total)>& callback;
  const uint64_t total;
  std::atomic<uint64_t> done = 0;
  uint64_t next_call = kCallBytes;  // touched only on the load's thread
  uint64_t blocks = 0;              // scanned since the last call, likewise
  std::atomic<bool> cancelled = false;

  // Adds `bytes` read with a block of text; `on_load_thread` when the caller
  // runs on the thread that runs the load, which alone may call the
  // callback. False once the load is cancelled.
  bool Add(uint64_t bytes, bool on_load_thread) {
    if (!callback) return true;
    const uint64_t now = done.fetch_add(bytes) + bytes;
    if (on_load_thread && (now >= next_call || ++blocks * kBlockBytes >= kCallBytes)) {
      next_call = now + kCallBytes;
      blocks = 0;
      if (!callback(now, total)) cancelled = true;
    }
    return !cancelled;
  }

  // The last report, once every file is read and before the loaded log is
  // replaced, so that a Cancel after the last block still changes nothing.
  bool Finish() {
    if (callback && !cancelled && !callback(done, total)) cancelled = true;
    return !cancelled;
  }
};

// Reads into `buffer` until it is full or the source ends.
template <typename Reader>
Status Fill(Reader& reader, char* buffer, size_t length, size_t* filled) {
  *filled = 0;
  for (size_t got = 1; got > 0 && *filled < length; *filled += got) {
    if (Status read = reader.Read(buffer + *filled, length - *filled, &got); !read.ok()) {
      return read;
    }
  }
  return {};
}

// The first line start at or after `offset` of a source of `size` bytes:
// `offset` itself if it follows a line feed, else the byte after the next
// line feed, else the end.
Status NextLineStart(const LogSource& source, uint64_t size, uint64_t offset, uint64_t* start) {
  char window[4096];
  for (uint64_t at = offset - 1; at < size;) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(sizeof window, size - at));
    if (Status read = source.ReadAt(at, window, length); !read.ok()) return read;
    if (const void* feed = std::memchr(window, '\n', length)) {
      *start = at + static_cast<uint64_t>(static_cast<const char*>(feed) - window) + 1;
      return {};
    }
    at += length;
  }
  *start = size;
  return {};
}

// Scans bytes [begin, end) of the source, read at their offsets; `begin` is
// a line start.
Status ScanPart(const LogSource& source, uint64_t begin, uint64_t end,
                const KeptLineFinders& finders, LoadProgress& progress, bool on_load_thread,
                KeptLines& kept) {
  LineScanner scanner(finders, kept);
  Block block = NewBlock();
  for (uint64_t offset = begin; offset < end;) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(kBlockBytes, end - offset));
    if (Status read = source.ReadAt(offset, block.get(), length); !read.ok()) return read;
    scanner.Feed({block.get(), length});
    offset += length;
    if (!progress.Add(length, on_load_thread)) return {};
  }
  scanner.Finish();
  return {};
}

// Scans the text that `reader` gives, in order.
Status ScanText(LogTextReader& reader, Block& block, const KeptLineFinders& finders,
                LoadProgress& progress, KeptLines& kept, uint64_t* text_bytes) {
  LineScanner scanner(finders, kept);
  uint64_t counted = 0;
  // Each block filled before it is scanned: a stream of tiny members still
  // goes to the scanner in whole blocks.
  for (size_t filled = 1; filled > 0;) {
    if (Status read = Fill(reader, block.get(), kBlockBytes, &filled); !read.ok()) return read;
    scanner.Feed({block.get(), filled});
    const uint64_t read = reader.file_bytes_read();
    if (!progress.Add(read - counted, true)) return {};
    counted = read;
  }
  scanner.Finish();
  *text_bytes = reader.text_bytes();
  return {};
}

// Scans the log that `source` reads for the lines `finders` keep, into
// `parts` (one KeptLines for each part, in order), after `stored_before`
// lines of the files before it, and sets *text_bytes to the length of its
// text. Stops early, leaving `parts` of no use, once `progress` is cancelled.
Status ScanLog(LogSource& source, const std::string& path, uint64_t max_text_bytes,
               size_t stored_before, const KeptLineFinders& finders, LoadProgress& progress,
               std::vector<KeptLines>& parts, uint64_t* text_bytes) {
  Block block = NewBlock();
  size_t filled = 0;
  if (Status read = Fill(source, block.get(), kBlockBytes, &filled); !read.ok()) return read;
  parts.assign(1, {});
  parts[0].stored_before = stored_before;
  const Compression kind = CompressionOf({block.get(), filled});
  const std::optional<uint64_t> size = source.size();
  if (kind != Compression::kNone || !size || *size < kTwoPartsMinBytes ||
      std::thread::hardware_concurrency() < 2) {
    LogTextReader reader(source, path, kind, {block.get(), filled}, max_text_bytes);
    return ScanText(reader, block, finders, progress, parts[0], text_bytes);
  }
  // A large file: in two parts at once, the second from a line start past
  // the middle, on a thread of its own.
  uint64_t split = 0;
  if (Status found = NextLineStart(source, *size, *size / 2, &split); !found.ok()) return found;
  *text_bytes = *size;
  parts.emplace_back();
  std::atomic<size_t> first_stored = 0;
  parts[0].live_stored = &first_stored;
  parts[1].stored_before = stored_before;
  parts[1].live_before = &first_stored;
  Status results[2];
  auto scan = [&](size_t k, bool on_load_thread) {
    try {
      results[k] = ScanPart(source, k == 0 ? 0 : split, k == 0 ? split : *size, finders, progress,
                            on_load_thread, parts[k]);
    } catch (const std::bad_alloc&) {
      results[k] = Status::OutOfMemory("cannot read '" + path + "': not enough memory");
    }
  };
  {
    std::optional<std::jthread> worker;
    try {
      worker.emplace([&] { scan(1, false); });
    } catch (const std::exception&) {
      // No thread to be had: this one scans both parts.
    }
    scan(0, true);
    if (!worker && results[0].ok() && !progress.cancelled) scan(1, true);
  }  // joins
  parts[0].live_stored = nullptr;
  parts[1].live_before = nullptr;
  return results[0].ok() ? results[1] : results[0];
}

LoadResult Failed(Status status) { return {std::move(status), {}, {}}; }

LoadResult LoadFiles(const std::vector<std::string>& paths, std::string_view identifier,
                     const LoadOptions& options, LogFileSystem& files, size_t* current) {
  std::vector<KeptLines> parts;
  std::vector<uint32_t> part_files;  // the file each part belongs to
  std::vector<uint64_t> file_lines;
  uint64_t text_bytes = 0;
  const KeptLineFinders finders(identifier);
  uint64_t total = 0;
  if (options.progress) {
    for (const std::string& path : paths) total += files.SizeOf(path);
  }
  LoadProgress progress{options.progress, total};
  size_t stored = 0;  // the lines of `parts`, counted as they come
  std::vector<std::string> notes;
  LoadedLog::Resume resume;
  for (size_t f = 0; f < paths.size(); ++f) {
    *current = f;
    std::unique_ptr<LogSource> source;
    std::vector<KeptLines> own;
    uint64_t file_bytes = 0;
    Status scanned = files.Open(paths[f], kMaxLogFileSize, &source);
    if (scanned.ok()) {
      scanned =
          ScanLog(*source, paths[f], kMaxLogFileSize, stored, finders, progress, own, &file_bytes);
    }
    if (!scanned.ok()) return Failed(scanned.Within("log file: "));
    if (progress.cancelled) return Failed(Status::Cancelled(kLoadCancelled));
    uint64_t lines = 0;
    uint64_t feeds = 0;
    bool carriage_return = false;
    for (KeptLines& part : own) {
      lines += part.text_lines;
      feeds += part.line_feeds;
      carriage_return = carriage_return || part.has_carriage_return;
      // A part reserves room for every line a log can keep; what it did not
      // fill goes back now, or each of thousands of files would hold its own.
      part.lines.shrink_to_fit();
      stored += part.lines.size();
      parts.push_back(std::move(part));
    }
    if (carriage_return && feeds == 0) {
      notes.push_back("'" + paths[f] + "' has no line feeds; its lines end with CR alone");
    }
    const KeptLines& last = parts.back();
    resume = {file_bytes - last.tail_bytes, feeds, last.tail_bytes > 0, last.tail_found};
    part_files.resize(parts.size(), static_cast<uint32_t>(f));
    file_lines.push_back(lines);
    text_bytes += file_bytes;
  }
  if (!progress.Finish()) return Failed(Status::Cancelled(kLoadCancelled));
  // The times of the lines that will be kept.
  std::vector<LineStamp> stamps;
  for (const KeptLines& part : parts) {
    const size_t take = std::min(part.lines.size(), KeptLines::kEntries - stamps.size());
    for (size_t i = 0; i < take; ++i) stamps.push_back(part.lines[i].stamp);
  }
  std::vector<CallTime> times =
      LineTimes(stamps, YearRule{options.year, files.ModifiedTime(paths.back())});
  LoadResult result;
  LoadedLog& log = result.log;
  log.LogFilePaths = options.names.size() == paths.size() ? options.names : paths;
  log.LogFileLines = std::move(file_lines);
  log.LogFileSize = static_cast<int32_t>(std::min<uint64_t>(text_bytes, kMaxLogFileSize));
  log.resume = resume;
  // The parts' lines move into the log: no line is copied again.
  size_t kept = 0;
  uint64_t found = 0;
  uint64_t lines_before = 0;  // in the part's file, before the part
  for (size_t p = 0; p < parts.size(); ++p) {
    KeptLines& part = parts[p];
    if (p > 0 && part_files[p] != part_files[p - 1]) lines_before = 0;
    const size_t take = std::min(part.lines.size(), KeptLines::kEntries - kept);
    for (size_t i = 0; i < take; ++i) {
      const LineOrigin origin{part_files[p],
                              static_cast<uint32_t>(lines_before + part.lines[i].feeds_before + 1)};
      log.Keep(std::move(part.lines[i].text), times[kept + i], origin);
    }
    kept += take;
    found += part.found;
    lines_before += part.text_lines;
  }
  log.LinesBeyondKept = found - kept;
  result.notes = CappedWarnings(notes);
  return result;
}

}  // namespace

LoadResult LoadLog(const std::string& path, std::string_view identifier, const LoadOptions& options,
                   LogFileSystem& files) {
  return LoadLogs({path}, identifier, options, files);
}

LoadResult LoadLogs(const std::vector<std::string>& paths, std::string_view identifier,
                    const LoadOptions& options, LogFileSystem& files) {
  size_t current = 0;
  try {
    return LoadFiles(paths, identifier, options, files, &current);
  } catch (const std::bad_alloc&) {
    return Failed(
        Status::OutOfMemory("log file: cannot read '" + paths[current] + "': not enough memory"));
  }
}

}  // namespace tallix
