#include "engine/log/log_scan.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <thread>

#include "engine/log/log_text_reader.h"

namespace tallix {
namespace {

// Bytes read at a time: small enough to stay in the cache while they are
// searched, large enough that a read costs little beside its copy.
constexpr size_t kBlockBytes = 256u << 10;
// Ordinary files this large are scanned in two parts at once.
constexpr uint64_t kTwoPartsMinBytes = 32u << 20;

Status OutOfMemory(const std::string& path) {
  return Status::Error("cannot read '" + path + "': not enough memory");
}

Status TooLarge(const std::string& path, uint64_t max_text_bytes) {
  return Status::Error("cannot read '" + path + "': its text is larger than " +
                       std::to_string(max_text_bytes) + " bytes");
}

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
  std::vector<char> block(kBlockBytes);
  for (uint64_t offset = begin; offset < end;) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(block.size(), end - offset));
    if (Status read = source.ReadAt(offset, block.data(), length); !read.ok()) return read;
    scanner.Feed({block.data(), length});
    offset += length;
    if (!progress.Add(length, on_load_thread)) return {};
  }
  scanner.Finish();
  return {};
}

Status ScanCompressed(LogSource& source, const std::string& path, uint64_t max_text_bytes,
                      Compression kind, std::vector<char>& block, size_t first_size,
                      const KeptLineFinders& finders, LoadProgress& progress, KeptLines& kept,
                      uint64_t* text_bytes) {
  LogTextReader reader(source, path, kind, {block.data(), first_size}, max_text_bytes);
  LineScanner scanner(finders, kept);
  uint64_t counted = 0;
  // Each block filled before it is scanned: a stream of tiny members still
  // goes to the scanner in whole blocks.
  for (size_t filled = 1; filled > 0;) {
    if (Status read = Fill(reader, block.data(), block.size(), &filled); !read.ok()) return read;
    scanner.Feed({block.data(), filled});
    const uint64_t read = reader.file_bytes_read();
    if (!progress.Add(read - counted, true)) return {};
    counted = read;
  }
  scanner.Finish();
  *text_bytes = reader.text_bytes();
  return {};
}

}  // namespace

Status ScanLog(LogSource& source, const std::string& path, uint64_t max_text_bytes,
               const KeptLineFinders& finders, LoadProgress& progress,
               std::vector<KeptLines>& parts, uint64_t* text_bytes) {
  parts.clear();
  std::vector<char> block(kBlockBytes);
  size_t filled = 0;
  if (Status read = Fill(source, block.data(), block.size(), &filled); !read.ok()) return read;
  parts.emplace_back();
  if (const Compression kind = CompressionOf({block.data(), filled}); kind != Compression::kNone) {
    return ScanCompressed(source, path, max_text_bytes, kind, block, filled, finders, progress,
                          parts[0], text_bytes);
  }
  // A large file: its second half, from a line start, on a thread of its own
  // while this one reads the first half in order.
  const std::optional<uint64_t> size = source.size();
  uint64_t split = UINT64_MAX;
  if (size && *size >= kTwoPartsMinBytes && std::thread::hardware_concurrency() > 1) {
    if (Status found = NextLineStart(source, *size, *size / 2, &split); !found.ok()) return found;
    parts.emplace_back();
  }
  Status second;
  auto scan_second = [&](bool on_load_thread) {
    try {
      second = ScanPart(source, split, *size, finders, progress, on_load_thread, parts[1]);
    } catch (const std::bad_alloc&) {
      second = OutOfMemory(path);
    }
  };
  std::optional<std::jthread> worker;
  if (parts.size() == 2) {
    try {
      worker.emplace([&] { scan_second(false); });
    } catch (const std::exception&) {
      // No thread to be had: this one scans both parts.
    }
  }
  LineScanner scanner(finders, parts[0]);
  uint64_t offset = std::min<uint64_t>(filled, split);
  scanner.Feed({block.data(), static_cast<size_t>(offset)});
  bool going = progress.Add(offset, true);
  while (going && offset < split) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(block.size(), split - offset));
    size_t got = 0;
    if (Status read = source.Read(block.data(), length, &got); !read.ok()) return read;
    if (got == 0) break;
    offset += got;
    if (offset > max_text_bytes) return TooLarge(path, max_text_bytes);
    scanner.Feed({block.data(), got});
    going = progress.Add(got, true);
  }
  scanner.Finish();
  *text_bytes = offset;
  if (parts.size() == 2) {
    if (worker) {
      worker.reset();  // joins
    } else if (going) {
      scan_second(true);
    }
    *text_bytes = *size;
    return second;
  }
  return {};
}

}  // namespace tallix
