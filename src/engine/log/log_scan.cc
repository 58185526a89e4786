#include "engine/log/log_scan.h"

#include <sched.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include "engine/util/bus_error_guard.h"

namespace tallix {
namespace {

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
                    const KeptLineFinders& finders, KeptLines& kept) {
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
    ForEachKeptLine(have.substr(0, complete), finders,
                    [&](std::string_view line) { kept.Add(line); });
    held = have.size() - complete;
    std::memmove(buffer.data(), buffer.data() + complete, held);
  }
  return {};
}

// Moves the calling thread, the k-th of those started by a thread on
// processor `starter`, to a processor of its own, then lets it run anywhere
// again. A new thread is queued where its starter runs and can wait there for
// milliseconds while another processor idles.
void MoveToOwnProcessor(int starter, int k) {
#if defined(__linux__)
  cpu_set_t allowed;
  if (starter < 0 || ::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
  int others = 0;
  for (size_t cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (cpu == static_cast<size_t>(starter) || !CPU_ISSET(cpu, &allowed)) continue;
    if (++others == k) {
      cpu_set_t own;
      CPU_ZERO(&own);
      CPU_SET(cpu, &own);
      if (::sched_setaffinity(0, sizeof own, &own) == 0) {
        ::sched_setaffinity(0, sizeof allowed, &allowed);
      }
      return;
    }
  }
#else
  (void)starter;
  (void)k;
#endif
}

// Runs scan(k) for k = 0..count-1, each on its own thread (k = 0 on this one),
// and waits for all.
template <typename Scan>
void ForEachPart(int count, Scan&& scan) {
  std::vector<std::thread> workers;
#if defined(__linux__)
  const int starter = ::sched_getcpu();
#else
  const int starter = -1;
#endif
  for (int k = 1; k < count; ++k) {
    try {
      workers.emplace_back([&scan, starter, k] {
        MoveToOwnProcessor(starter, k);
        scan(static_cast<size_t>(k));
      });
    } catch (const std::system_error&) {
      scan(static_cast<size_t>(k));  // no thread to be had: here, then
    }
  }
  scan(size_t{0});
  for (std::thread& worker : workers) worker.join();
}

// Reads the file a chunk at a time and collects its kept lines.
FileResult ReadParts(const ReadOnlyFile& file, const LoadOptions& options,
                     const KeptLineFinders& finders, int count, std::vector<KeptLines>& parts) {
  std::vector<size_t> starts(static_cast<size_t>(count) + 1, file.size());
  starts[0] = 0;
  for (size_t k = 1; k < starts.size() - 1; ++k) {
    const size_t target = std::max(file.size() / static_cast<size_t>(count) * k, starts[k - 1]);
    if (FileResult found = NextLineStart(file, target, &starts[k]); !found.ok) return found;
  }
  const size_t chunk_bytes = options.chunk_bytes > 0 ? options.chunk_bytes : kDefaultChunkBytes;
  parts.clear();
  parts.resize(static_cast<size_t>(count));
  std::vector<FileResult> results(parts.size());
  ForEachPart(count, [&](size_t k) {
    try {
      results[k] = ScanPart(file, starts[k], starts[k + 1], chunk_bytes, finders, parts[k]);
    } catch (const std::bad_alloc&) {
      results[k] = FileResult::Fail("cannot read '" + file.path() + "': out of memory");
    }
  });
  for (const FileResult& result : results) {
    if (!result.ok) return result;
  }
  return {};
}

// One part of a mapped log, as the scan that reads the mapping sees it. The
// scan runs inside CatchBusErrors, so it keeps its state here and holds
// nothing that a bus error must not skip; it copies lines into room made for
// it beforehand, and stops for more when a line does not fit.
struct MappedPart {
  std::string_view text;  // the whole mapped file, then up to the part's end
  const KeptLineFinders* finders = nullptr;
  size_t index = 0;
  size_t count = 1;
  bool started = false;       // text and from are the part's
  size_t from = 0;            // where the search goes on: a line start
  ByteSpan* spans = nullptr;  // room for kLogLineEntries kept lines
  size_t stored = 0;
  uint64_t found = 0;
  char* room = nullptr;  // free bytes to copy lines into
  size_t room_size = 0;
  size_t used = 0;   // of them
  LineSpan pending;  // a line to store that did not fit the room
  bool has_pending = false;
  bool done = false;
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

// Copies the pending line while it is still in the cache; false when the room
// is too small for it.
bool StorePending(MappedPart& part) {
  const size_t size = part.pending.end - part.pending.begin;
  if (size > part.room_size - part.used) return false;
  char* copy = part.room + part.used;
  std::memcpy(copy, part.text.data() + part.pending.begin, size);
  part.used += size;
  part.spans[part.stored++] = {copy, size};
  part.has_pending = false;
  return true;
}

void CollectMappedLines(void* context) {
  MappedPart& part = *static_cast<MappedPart*>(context);
  if (!part.started) {
    const size_t begin = PartStart(part.text, part.index, part.count);
    const size_t end = std::max(begin, PartStart(part.text, part.index + 1, part.count));
    part.text = part.text.substr(0, end);
    part.from = begin;
    part.started = true;
  }
  if (part.has_pending && !StorePending(part)) return;
  LineSpan line;
  while (
      part.from < part.text.size() &&
      FindLineWithBoth(part.text, part.from, part.finders->call_end, part.finders->router, &line)) {
    part.from = line.end + 1;
    ++part.found;
    if (part.stored < static_cast<size_t>(TallixData::kLogLineEntries)) {
      part.pending = line;
      part.has_pending = true;
      if (!StorePending(part)) return;
    }
  }
  part.from = part.text.size();
  part.done = true;
}

// Collects the kept lines of part `index` straight from the mapping. False
// when a bus error stopped it: the file shrank while it was read.
bool ScanMappedPart(std::string_view text, const KeptLineFinders& finders, size_t index,
                    size_t count, KeptLines& kept) {
  MappedPart part;
  part.text = text;
  part.finders = &finders;
  part.index = index;
  part.count = count;
  part.spans = kept.spans();
  ByteBlocks& bytes = kept.bytes();
  for (;;) {
    part.room = bytes.room();
    part.room_size = bytes.room_size();
    part.used = 0;
    const bool finished = CatchBusErrors(CollectMappedLines, &part);
    bytes.Use(part.used);
    kept.SetCounts(part.stored, part.found);
    if (!finished) return false;
    if (part.done) return true;
    bytes.Reserve(part.pending.end - part.pending.begin);
  }
}

// Maps the file and collects its kept lines. False, with `parts` of no use,
// when the file cannot be mapped or changed its size while it was read.
bool MapParts(const ReadOnlyFile& file, const KeptLineFinders& finders, int count,
              std::vector<KeptLines>& parts) {
  FileMapping mapping;
  if (!mapping.Map(file)) return false;
  parts.clear();
  parts.resize(static_cast<size_t>(count));
  std::vector<char> finished(parts.size(), 0);
  ForEachPart(count, [&](size_t k) {
    try {
      finished[k] =
          ScanMappedPart(mapping.text(), finders, k, static_cast<size_t>(count), parts[k]);
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

FileResult ScanLogFile(const ReadOnlyFile& file, const LoadOptions& options,
                       const KeptLineFinders& finders, std::vector<KeptLines>& parts) {
  const int count = PartCount(options, file.size());
  if (options.trace != nullptr) *options.trace = {count, false, false};
  // Mapping spares copying the file. Should it fail or the file change, read
  // it instead: that ends in the bytes as they are or in an error.
  const bool mapped = options.map_file && MapParts(file, finders, count, parts);
  if (options.trace != nullptr) {
    options.trace->mapped = mapped;
    options.trace->read = !mapped;
  }
  if (mapped) return {};
  return ReadParts(file, options, finders, count, parts);
}

}  // namespace tallix
