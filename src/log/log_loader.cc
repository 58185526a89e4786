#include "log/log_loader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "app/text_file.h"
#include "app/text_search.h"

namespace tallix {
namespace {

constexpr std::string_view kCallEndWord = "disconnected";
constexpr size_t kDayLength = 6;
constexpr size_t kMinuteLength = 12;

// Keeps lines: appends them to LogLines, then lists their day runs.
class LineKeeper {
 public:
  explicit LineKeeper(TallixData& data) : data_(data) {}

  void Keep(std::string_view line) {
    if (data_.LineCount >= TallixData::kLogLineEntries) {
      ++dropped_lines_;
      return;
    }
    data_.LogLines[static_cast<size_t>(data_.LineCount)].assign(line);
    ++data_.LineCount;
  }

  // Fills LogDates from the kept lines, once all are kept: one entry for each
  // run of lines with the same day.
  void ListDays() {
    std::string_view previous_day;
    for (int32_t r = 0; r < data_.LineCount; ++r) {
      const std::string_view day =
          std::string_view(data_.LogLines[static_cast<size_t>(r)]).substr(0, kDayLength);
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

  // Lines found beyond the ones a part stored: they could never be kept.
  void Drop(uint64_t lines) { dropped_lines_ += lines; }

  void AddWarnings(std::vector<std::string>& warnings) const {
    if (dropped_lines_ > 0) {
      warnings.push_back("the log holds " + std::to_string(dropped_lines_) +
                         " more call-end lines than the " +
                         std::to_string(TallixData::kLogLineEntries) +
                         " that can be kept; they were not loaded");
    }
    if (dropped_days_ > 0) {
      warnings.push_back("the day list is full at " +
                         std::to_string(TallixData::kLogDateEntries) + " entries; " +
                         std::to_string(dropped_days_) +
                         " later day runs are not listed, but their calls are counted");
    }
  }

 private:
  TallixData& data_;
  uint64_t dropped_lines_ = 0;
  uint64_t dropped_days_ = 0;
};

// Where a kept line lies in the mapped file; a plain pair, so that a table of
// them can be left uninitialised.
struct Bounds {
  size_t begin;
  size_t end;
};

// The kept lines of one part of a log, in file order: the first
// kLogLineEntries of them, which are all a load can keep, and how many there
// were in all.
class KeptLines {
 public:
  void Add(std::string_view line) {
    ++found_;
    if (lines_.size() < static_cast<size_t>(TallixData::kLogLineEntries)) lines_.emplace_back(line);
  }

  // Makes room for the `count` lines at `spans` of some text, `found` lines
  // in all; the caller copies their bytes into lines()[i].data().
  void MakeRoom(const Bounds* spans, size_t count, uint64_t found) {
    lines_.resize(count);
    for (size_t i = 0; i < count; ++i) lines_[i].resize(spans[i].end - spans[i].begin);
    found_ = found;
  }

  std::vector<std::string>& lines() { return lines_; }
  uint64_t found() const { return found_; }

 private:
  std::vector<std::string> lines_;  // the first kLogLineEntries kept lines
  uint64_t found_ = 0;
};

// The two words of a kept line, prepared for searching. The call-end word
// anchors the search: fewer lines hold it than the router's name.
struct KeptLineTest {
  explicit KeptLineTest(std::string_view identifier)
      : call_end(kCallEndWord), router(identifier) {}
  NoCaseFinder call_end;
  NoCaseFinder router;
};

// Calls keep(line) for every kept line of `text`, in order. Lines end at line
// feeds; the text after the last one is examined like a line.
template <typename Keep>
void ForEachKeptLine(std::string_view text, const KeptLineTest& test, Keep&& keep) {
  LineSpan line;
  for (size_t from = 0;
       from < text.size() && FindLineWithBoth(text, from, test.call_end, test.router, &line);
       from = line.end + 1) {
    keep(text.substr(line.begin, line.end - line.begin));
  }
}

// Files this large are scanned in parts on several threads.
constexpr size_t kPartMinBytes = 32u << 20;
constexpr int kMaxParts = 4;
constexpr size_t kDefaultChunkBytes = 256u << 10;

int PartCount(const LoadOptions& options, size_t size) {
  if (options.threads > 0) return options.threads;
  const auto cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const auto by_size = static_cast<int>(std::min<size_t>(size / kPartMinBytes, kMaxParts));
  return std::max(1, std::min(cores, by_size));
}

// The first line start at or after `offset`: `offset` itself if it follows a
// line feed, else the byte after the next line feed, else the file's end.
FileResult NextLineStart(const ReadOnlyFile& file, size_t offset, size_t* start) {
  if (offset == 0 || offset >= file.size()) {
    *start = std::min(offset, file.size());
    return {};
  }
  char window[4096];
  for (size_t at = offset - 1; at < file.size();) {
    const size_t length = std::min(sizeof window, file.size() - at);
    if (FileResult read = file.ReadAt(at, window, length); !read.ok) return read;
    const void* feed = std::memchr(window, '\n', length);
    if (feed != nullptr) {
      *start = at + static_cast<size_t>(static_cast<const char*>(feed) - window) + 1;
      return {};
    }
    at += length;
  }
  *start = file.size();
  return {};
}

// Reads bytes [begin, end) of the file a chunk at a time and collects their
// kept lines. `begin` is a line start; a line cut by a chunk's end is held
// over to the next chunk, and a line longer than the buffer makes it grow.
FileResult ScanPart(const ReadOnlyFile& file, size_t begin, size_t end, size_t chunk_bytes,
                    const KeptLineTest& test, KeptLines& kept) {
  std::vector<char> buffer(std::max<size_t>(chunk_bytes, 1));
  size_t held = 0;  // bytes of an unfinished line at the buffer's start
  for (size_t offset = begin; offset < end;) {
    if (held == buffer.size()) buffer.resize(buffer.size() * 2);
    const size_t length = std::min(buffer.size() - held, end - offset);
    if (FileResult read = file.ReadAt(offset, buffer.data() + held, length); !read.ok) return read;
    offset += length;
    const std::string_view have(buffer.data(), held + length);
    // Scan the complete lines; at the part's end, the rest too.
    const size_t last_feed = offset == end ? have.size() - 1 : have.rfind('\n');
    const size_t complete = last_feed == std::string_view::npos ? 0 : last_feed + 1;
    ForEachKeptLine(have.substr(0, complete), test, [&](std::string_view line) { kept.Add(line); });
    held = have.size() - complete;
    std::memmove(buffer.data(), buffer.data() + complete, held);
  }
  return {};
}

// Runs scan(k) for k = 0..count-1, each on its own thread (k = 0 on this one),
// and waits for all.
template <typename Scan>
void ForEachPart(int count, Scan&& scan) {
  std::vector<std::thread> workers;
  for (int k = 1; k < count; ++k) {
    try {
      workers.emplace_back(scan, static_cast<size_t>(k));
    } catch (const std::system_error&) {
      scan(static_cast<size_t>(k));  // no thread to be had: here, then
    }
  }
  scan(size_t{0});
  for (std::thread& worker : workers) worker.join();
}

// Reads the file a chunk at a time and collects its kept lines.
FileResult ReadParts(const ReadOnlyFile& file, const LoadOptions& options,
                     const KeptLineTest& test, int count, std::vector<KeptLines>& parts) {
  std::vector<size_t> starts(static_cast<size_t>(count) + 1, file.size());
  starts[0] = 0;
  for (size_t k = 1; k < starts.size() - 1; ++k) {
    const size_t target = std::max(file.size() / static_cast<size_t>(count) * k, starts[k - 1]);
    if (FileResult found = NextLineStart(file, target, &starts[k]); !found.ok) return found;
  }
  const size_t chunk_bytes = options.chunk_bytes > 0 ? options.chunk_bytes : kDefaultChunkBytes;
  parts.assign(static_cast<size_t>(count), {});
  std::vector<FileResult> results(parts.size());
  ForEachPart(count, [&](size_t k) {
    try {
      results[k] = ScanPart(file, starts[k], starts[k + 1], chunk_bytes, test, parts[k]);
    } catch (const std::bad_alloc&) {
      results[k] = FileResult::Fail("cannot read '" + file.path() + "': out of memory");
    }
  });
  for (const FileResult& result : results) {
    if (!result.ok) return result;
  }
  return {};
}

// One part of a mapped log, as the two steps that read the mapping see it.
// They run inside CatchBusErrors, so they keep their state here and hold
// nothing that a bus error must not skip.
struct MappedPart {
  std::string_view text;  // the whole mapped file
  const KeptLineTest* test = nullptr;
  size_t index = 0;
  size_t count = 1;
  Bounds* spans = nullptr;  // room for kLogLineEntries kept lines
  size_t stored = 0;
  uint64_t found = 0;
  std::string* copy_to = nullptr;  // room for the lines, made by KeptLines::MakeRoom
};

// The first line start at or after part `index` of `count` would begin.
size_t PartStart(std::string_view text, size_t index, size_t count) {
  if (index == 0) return 0;
  if (index >= count) return text.size();
  const size_t target = text.size() / count * index;
  // A text shorter than the part count puts targets at 0, a line start.
  if (target == 0 || text[target - 1] == '\n') return target;
  const size_t feed = text.find('\n', target);
  return feed == std::string_view::npos ? text.size() : feed + 1;
}

void FindMappedLines(void* context) {
  MappedPart& part = *static_cast<MappedPart*>(context);
  const size_t begin = PartStart(part.text, part.index, part.count);
  const size_t end = std::max(begin, PartStart(part.text, part.index + 1, part.count));
  const std::string_view text = part.text.substr(begin, end - begin);
  LineSpan line;
  for (size_t from = 0; from < text.size() &&
                        FindLineWithBoth(text, from, part.test->call_end, part.test->router, &line);
       from = line.end + 1) {
    if (part.stored < static_cast<size_t>(TallixData::kLogLineEntries)) {
      part.spans[part.stored++] = {begin + line.begin, begin + line.end};
    }
    ++part.found;
  }
}

void CopyMappedLines(void* context) {
  const MappedPart& part = *static_cast<const MappedPart*>(context);
  for (size_t i = 0; i < part.stored; ++i) {
    const Bounds& line = part.spans[i];
    std::memcpy(part.copy_to[i].data(), part.text.data() + line.begin, line.end - line.begin);
  }
}

// Collects the kept lines of part `index` straight from the mapping. False
// when a bus error stopped it: the file shrank while it was read.
bool ScanMappedPart(std::string_view text, const KeptLineTest& test, size_t index, size_t count,
                    KeptLines& kept) {
  // Not initialised: a small log touches only the few entries it fills.
  const auto spans =
      std::make_unique_for_overwrite<Bounds[]>(static_cast<size_t>(TallixData::kLogLineEntries));
  MappedPart part{text, &test, index, count, spans.get()};
  if (!CatchBusErrors(FindMappedLines, &part)) return false;
  kept.MakeRoom(spans.get(), part.stored, part.found);
  part.copy_to = kept.lines().data();
  return CatchBusErrors(CopyMappedLines, &part);
}

// Maps the file and collects its kept lines. False, with `parts` of no use,
// when the file cannot be mapped or changed its size while it was read.
bool MapParts(const ReadOnlyFile& file, const KeptLineTest& test, int count,
              std::vector<KeptLines>& parts) {
  FileMapping mapping;
  if (!mapping.Map(file)) return false;
  parts.assign(static_cast<size_t>(count), {});
  std::vector<char> finished(parts.size(), 0);
  ForEachPart(count, [&](size_t k) {
    try {
      finished[k] = ScanMappedPart(mapping.text(), test, k, static_cast<size_t>(count), parts[k]);
    } catch (const std::bad_alloc&) {
      finished[k] = 0;
    }
  });
  // Unmapping a large file takes a while too: in parallel.
  ForEachPart(count, [&](size_t k) { mapping.UnmapSlice(k, static_cast<size_t>(count)); });
  // A file cut back to within its last page reads as zeros there, without a
  // bus error: only its size tells.
  return std::all_of(finished.begin(), finished.end(), [](char f) { return f != 0; }) &&
         file.SizeUnchanged();
}

}  // namespace

bool IsKeptLine(std::string_view line, std::string_view identifier) {
  return ContainsNoCase(line, kCallEndWord) && ContainsNoCase(line, identifier);
}

LoadResult LoadLog(TallixData& data, const std::string& path, const LoadOptions& options) {
  ReadOnlyFile file;
  if (FileResult opened = file.Open(path, kMaxLogFileSize); !opened.ok) {
    return {false, "log file: " + opened.error, {}};
  }
  if (options.after_open) options.after_open();
  const KeptLineTest test(data.RouterIdentifier);
  const int count = PartCount(options, file.size());
  if (options.trace != nullptr) *options.trace = {count, false, false};
  std::vector<KeptLines> parts;
  // Mapping spares copying the file. Should it fail or the file change, read
  // it instead: that ends in the bytes as they are or in an error.
  bool mapped = options.map_file && MapParts(file, test, count, parts);
  if (options.trace != nullptr) {
    options.trace->mapped = mapped;
    options.trace->read = !mapped;
  }
  if (!mapped) {
    if (FileResult read = ReadParts(file, options, test, count, parts); !read.ok) {
      return {false, "log file: " + read.error, {}};
    }
  }
  // Everything was read: only now replace the loaded log.
  LoadResult result;
  data.LogFilePath = path;
  data.LogFileSize = static_cast<int32_t>(file.size());
  data.LineCount = 0;
  data.DateCount = 0;
  // Each part's lines take their place in LogLines by a swap, not a copy.
  std::vector<size_t> first(parts.size() + 1, 0);
  uint64_t found = 0;
  for (size_t k = 0; k < parts.size(); ++k) {
    first[k + 1] =
        std::min<size_t>(first[k] + parts[k].lines().size(), TallixData::kLogLineEntries);
    found += parts[k].found();
  }
  for (size_t k = 0; k < parts.size(); ++k) {
    for (size_t i = first[k]; i < first[k + 1]; ++i) {
      data.LogLines[i].swap(parts[k].lines()[i - first[k]]);
    }
  }
  data.LineCount = static_cast<int32_t>(first.back());
  LineKeeper keeper(data);
  keeper.Drop(found - first.back());
  keeper.ListDays();
  keeper.AddWarnings(result.warnings);
  return result;
}

LoadResult LoadLogText(TallixData& data, std::string_view text, const std::string& path) {
  LoadResult result;
  if (text.size() > kMaxLogFileSize) {
    return {false, "log file: cannot read '" + path + "': it is larger than 2147483647 bytes", {}};
  }
  data.LogFilePath = path;
  data.LogFileSize = static_cast<int32_t>(text.size());
  data.LineCount = 0;
  data.DateCount = 0;
  LineKeeper keeper(data);
  ForEachKeptLine(text, KeptLineTest(data.RouterIdentifier),
                  [&](std::string_view line) { keeper.Keep(line); });
  keeper.ListDays();
  keeper.AddWarnings(result.warnings);
  return result;
}

LogPanel LogPanelTexts(const TallixData& data) {
  LogPanel panel;
  const int lines = LinesInUse(data);
  if (lines > 0) {
    panel.LogStart = data.LogLines[0].substr(0, kMinuteLength);
    panel.LogEnd = data.LogLines[static_cast<size_t>(lines - 1)].substr(0, kMinuteLength);
  }
  panel.LogRecords = " " + std::to_string(data.LineCount);
  return panel;
}

std::vector<std::string> DayList(const TallixData& data) {
  const int count = std::min<int>(std::max<int>(data.DateCount, 0), TallixData::kLogDateEntries);
  return {data.LogDates.begin(), data.LogDates.begin() + count};
}

}  // namespace tallix
