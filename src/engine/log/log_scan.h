#pragma once
// The scan behind LoadLog: it brings a log's text to the line scanner
// (line_scanner.h) a block at a time, read into buffers it reuses. A
// compressed log is decompressed as it is scanned; a large ordinary file is
// scanned in two parts, one on a thread of its own. Part of the log loader:
// log_loader.cc uses it, nothing else.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/log/line_scanner.h"
#include "engine/log/log_source.h"
#include "engine/util/status.h"

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

// Scans the log that `source` reads for the lines `finders` keep, into
// `parts` (one KeptLines for each part, in order), and sets *text_bytes to
// the length of its text. A log whose first bytes mark it as compressed
// (log_text_reader.h) is decompressed. Fails, with a message that names
// `path` and the reason, when the source or the decompression fails or the
// text is longer than `max_text_bytes`. Stops early, leaving `parts` of no
// use, once `progress` is cancelled.
Status ScanLog(LogSource& source, const std::string& path, uint64_t max_text_bytes,
               const KeptLineFinders& finders, LoadProgress& progress,
               std::vector<KeptLines>& parts, uint64_t* text_bytes);

}  // namespace tallix
