#include "engine/log/log_scan.h"

#include <sched.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

#include "engine/util/bus_error_guard.h"

namespace tallix {
namespace {

// Files this large are scanned in parts on several threads.
constexpr size_t kPartMinBytes = 32u << 20;
constexpr int kMaxParts = 4;
// Bytes read at a time: small enough to stay in the cache while they are
// searched.
constexpr size_t kDefaultChunkBytes = 256u << 10;
// Bytes of a mapping scanned before their pages are given back: large enough
// that the calls cost nothing, small enough that a large file never counts in
// the program's memory.
constexpr size_t kWindowBytes = 4u << 20;

int PartCount(const LoadOptions& options, size_t size) {
  if (options.threads > 0) return options.threads;
  const auto cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const auto by_size = static_cast<int>(std::min<size_t>(size / kPartMinBytes, kMaxParts));
  return std::max(1, std::min(cores, by_size));
}

FileResult OutOfMemory(const ReadOnlyFile& file) {
  return FileResult::Fail("cannot read '" + file.path() + "': not enough memory");
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

// Reads bytes [begin, end) of the file a chunk at a time through a line
// scanner. `begin` is a line start.
FileResult ScanPart(const ReadOnlyFile& file, size_t begin, size_t end, size_t chunk_bytes,
                    const KeptLineFinders& finders, LoadProgress& progress, bool on_load_thread,
                    KeptLines& kept) {
  LineScanner scanner(finders, kept);
  std::vector<char> buffer(std::max<size_t>(chunk_bytes, 1));
  for (size_t offset = begin; offset < end;) {
    const size_t length = std::min(buffer.size(), end - offset);
    if (FileResult read = file.ReadAt(offset, buffer.data(), length); !read.ok) return read;
    scanner.Feed({buffer.data(), length});
    offset += length;
    if (!progress.Add(length, on_load_thread)) return {};
  }
  scanner.Finish();
  return {};
}

// What the scan of one window of a mapping needs, kept where a bus error
// cannot skip its destructor.
struct MappedWindow {
  LineScanner* scanner = nullptr;
  std::string_view text;
  bool out_of_memory = false;
};

void ScanWindow(void* context) {
  auto& window = *static_cast<MappedWindow*>(context);
  try {
    window.scanner->Feed(window.text);
  } catch (const std::bad_alloc&) {
    window.out_of_memory = true;
  }
}

// Scans bytes [begin, end) of the mapped file a window at a time, releasing
// each window's pages once scanned. False when a bus error stopped it: the
// file shrank while it was read. Throws std::bad_alloc.
bool ScanMappedPart(const FileMapping& mapping, size_t begin, size_t end,
                    const KeptLineFinders& finders, LoadProgress& progress, bool on_load_thread,
                    KeptLines& kept) {
  LineScanner scanner(finders, kept);
  for (size_t offset = begin; offset < end;) {
    const size_t length = std::min(kWindowBytes, end - offset);
    MappedWindow window{&scanner, mapping.text().substr(offset, length)};
    if (!CatchBusErrors(ScanWindow, &window)) return false;
    if (window.out_of_memory) throw std::bad_alloc();
    mapping.Release(offset, offset + length);
    offset += length;
    if (!progress.Add(length, on_load_thread)) return true;
  }
  scanner.Finish();
  return true;
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
  workers.reserve(static_cast<size_t>(std::max(count - 1, 0)));
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
    } catch (const std::exception&) {
      // No thread to be had (std::system_error, or no memory for one): here,
      // then; the threads already started must be joined all the same.
      scan(static_cast<size_t>(k));
    }
  }
  scan(size_t{0});
  for (std::thread& worker : workers) worker.join();
}

}  // namespace

FileResult ScanLogFile(const ReadOnlyFile& file, const LoadOptions& options,
                       const KeptLineFinders& finders, LoadProgress& progress,
                       std::vector<KeptLines>& parts) {
  const int count = PartCount(options, file.size());
  if (options.trace != nullptr) *options.trace = {count, false, false};
  std::vector<size_t> starts(static_cast<size_t>(count) + 1, file.size());
  starts[0] = 0;
  for (size_t k = 1; k < starts.size() - 1; ++k) {
    const size_t target = std::max(file.size() / static_cast<size_t>(count) * k, starts[k - 1]);
    if (FileResult found = NextLineStart(file, target, &starts[k]); !found.ok) {
      if (options.trace != nullptr) options.trace->read = true;
      return found;
    }
  }
  std::vector<FileResult> results(static_cast<size_t>(count));
  auto scan_parts = [&](auto&& scan) {
    parts.clear();
    parts.resize(static_cast<size_t>(count));
    ForEachPart(count, [&](size_t k) {
      try {
        results[k] = scan(k);
      } catch (const std::bad_alloc&) {
        results[k] = OutOfMemory(file);
      }
    });
    for (const FileResult& result : results) {
      if (!result.ok) return result;
    }
    return FileResult{};
  };
  // Mapping spares copying the file. Should it fail or the file change, read
  // it instead: that ends in the bytes as they are or in an error.
  FileMapping mapping;
  if (options.map_file && mapping.Map(file)) {
    std::vector<char> finished(static_cast<size_t>(count), 0);
    const FileResult mapped = scan_parts([&](size_t k) {
      finished[k] =
          ScanMappedPart(mapping, starts[k], starts[k + 1], finders, progress, k == 0, parts[k]);
      return FileResult{};
    });
    if (!mapped.ok) return mapped;
    // A file cut back to within its last page reads as zeros there, without
    // a bus error: only its size tells.
    if (std::all_of(finished.begin(), finished.end(), [](char f) { return f != 0; }) &&
        file.SizeUnchanged()) {
      if (options.trace != nullptr) options.trace->mapped = true;
      return {};
    }
  }
  if (options.trace != nullptr) options.trace->read = true;
  const size_t chunk_bytes = options.chunk_bytes > 0 ? options.chunk_bytes : kDefaultChunkBytes;
  return scan_parts([&](size_t k) {
    return ScanPart(file, starts[k], starts[k + 1], chunk_bytes, finders, progress, k == 0,
                    parts[k]);
  });
}

FileResult ScanLogStream(const ReadOnlyFile& file, Compression kind, const KeptLineFinders& finders,
                         LoadProgress& progress, KeptLines& kept, uint64_t* text_bytes) {
  LogTextReader reader(file, kind, kMaxLogFileSize);
  // Filled before each scan: a stream of tiny members still goes to the
  // scanner in whole blocks.
  std::vector<char> block(kDefaultChunkBytes);
  LineScanner scanner(finders, kept);
  uint64_t counted = 0;
  for (size_t got = 1; got > 0;) {
    size_t filled = 0;
    while (filled < block.size()) {
      if (FileResult read = reader.Read(block.data() + filled, block.size() - filled, &got);
          !read.ok) {
        return read;
      }
      if (got == 0) break;
      filled += got;
    }
    scanner.Feed({block.data(), filled});
    const uint64_t read = reader.file_bytes_read();
    if (!progress.Add(read - counted, true)) return {};
    counted = read;
  }
  scanner.Finish();
  *text_bytes = reader.text_bytes();
  return {};
}

}  // namespace tallix
