#pragma once
// The scans behind LoadLog: they bring a log file's text to the line scanner
// (line_scanner.h) a block at a time. A plain file is cut at line starts into
// parts, each scanned on its own thread: straight from a mapping of the file,
// a window at a time whose pages are given back once scanned, where the
// system allows, else read a chunk at a time; either way the lines found are
// the same. A file that changes its size while it is mapped is read instead;
// one that becomes shorter while it is read fails the scan. A compressed file
// is decompressed into blocks as it is scanned. Part of the log loader:
// log_loader.cc uses it, nothing else.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/log/line_scanner.h"
#include "engine/log/log_loader.h"
#include "engine/util/log_text_reader.h"
#include "engine/util/text_file.h"

namespace tallix {

// Counts the bytes read of a load's files and tells LoadOptions::progress
// about them every few MiB, only ever on the thread that runs the load. Once
// the callback has returned false, every scan stops at its next block.
class LoadProgress {
 public:
  using Callback = std::function<bool(uint64_t done, uint64_t total)>;
  // Keeps a view of `callback`, which must outlive it.
  LoadProgress(const Callback& callback, uint64_t total) : callback_(callback), total_(total) {}

  // Adds `bytes` read; `on_load_thread` when the caller runs on the thread
  // that runs the load, which alone may call the callback. False once the
  // load is cancelled.
  bool Add(uint64_t bytes, bool on_load_thread) {
    if (!callback_) return true;
    const uint64_t done = done_.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    if (on_load_thread && done >= next_call_) {
      next_call_ = done + kStepBytes;
      if (!callback_(done, total_)) cancelled_ = true;
    }
    return !cancelled();
  }

  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  // The last report, once every file is read and before the loaded log is
  // replaced, so that a Cancel after the last block still changes nothing.
  // On the load's thread only.
  bool Finish() {
    if (callback_ && !cancelled() && !callback_(done_.load(std::memory_order_relaxed), total_)) {
      cancelled_ = true;
    }
    return !cancelled();
  }

 private:
  static constexpr uint64_t kStepBytes = 4u << 20;

  const Callback& callback_;
  const uint64_t total_;
  std::atomic<uint64_t> done_ = 0;
  uint64_t next_call_ = kStepBytes;  // touched only on the load's thread
  std::atomic<bool> cancelled_ = false;
};

// Scans the plain `file` for the lines `finders` keep into `parts`, one
// KeptLines for each part, in file order, as `options` ask (parts, chunk size,
// mapping) and telling options.trace how it went. Fails, with a message that names
// the file and the reason, when the file cannot be read to the size it had
// when it was opened. Stops early, leaving `parts` of no use, once `progress`
// is cancelled.
FileResult ScanLogFile(const ReadOnlyFile& file, const LoadOptions& options,
                       const KeptLineFinders& finders, LoadProgress& progress,
                       std::vector<KeptLines>& parts);

// Scans the text of the compressed `file` into `kept` and sets *text_bytes
// to its length. Fails as the reader fails: a damaged or cut-short file, or
// a text past kMaxLogFileSize. Stops early once `progress` is cancelled.
FileResult ScanLogStream(const ReadOnlyFile& file, Compression kind, const KeptLineFinders& finders,
                         LoadProgress& progress, KeptLines& kept, uint64_t* text_bytes);

}  // namespace tallix
