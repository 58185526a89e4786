#pragma once
// The scan behind LoadLog: finds the kept lines of a log file. The file is
// cut at line starts into parts, each scanned on its own thread, straight from
// a mapping of the file where the system allows, else read a chunk at a time;
// either way the lines found are the same, in file order. A file that changes
// its size while it is mapped is read instead; one that becomes shorter while
// it is read fails the scan. Part of the log loader: log_loader.cc and the
// reference loader use it, nothing else.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/app/line_table.h"
#include "engine/app/shared_data.h"
#include "engine/log/log_loader.h"
#include "engine/util/text_file.h"
#include "engine/util/text_search.h"

namespace tallix {

// The word that every call-end line holds.
inline constexpr std::string_view kCallEndWord = "disconnected";

// The two words of a kept line, each prepared for searching. The call-end
// word anchors the search: fewer lines hold it than the router's name.
// Keeps a view of `identifier`, which must outlive it.
struct KeptLineFinders {
  explicit KeptLineFinders(std::string_view identifier)
      : call_end(kCallEndWord), router(identifier) {}
  NoCaseFinder call_end;
  NoCaseFinder router;
};

// Calls keep(line) for every kept line of `text`, in order. Lines end at line
// feeds; the text after the last one is examined like a line.
template <typename Keep>
void ForEachKeptLine(std::string_view text, const KeptLineFinders& finders, Keep&& keep) {
  LineSpan line;
  for (size_t from = 0;
       from < text.size() && FindLineWithBoth(text, from, finders.call_end, finders.router, &line);
       from = line.end + 1) {
    keep(text.substr(line.begin, line.end - line.begin));
  }
}

// The kept lines of one part of a log, in file order: the first
// kLogLineEntries of them, which are all a load can keep, copied into blocks
// of the part's own, and how many there were in all.
class KeptLines {
 public:
  // Not initialised: a small log touches only the few entries it fills.
  KeptLines()
      : spans_(std::make_unique_for_overwrite<ByteSpan[]>(
            static_cast<size_t>(TallixData::kLogLineEntries))) {}

  void Add(std::string_view line) {
    ++found_;
    if (stored_ < static_cast<size_t>(TallixData::kLogLineEntries)) {
      const std::string_view copy = bytes_.Append(line);
      spans_[stored_++] = {copy.data(), copy.size()};
    }
  }

  std::string_view line(size_t i) const { return spans_[i].text(); }
  size_t stored() const { return stored_; }
  uint64_t found() const { return found_; }
  ByteBlocks& bytes() { return bytes_; }

  // For a scan that fills the spans and the blocks itself.
  ByteSpan* spans() { return spans_.get(); }
  void SetCounts(size_t stored, uint64_t found) {
    stored_ = stored;
    found_ = found;
  }

 private:
  std::unique_ptr<ByteSpan[]> spans_;
  size_t stored_ = 0;
  uint64_t found_ = 0;
  ByteBlocks bytes_;
};

// Scans `file` for the lines `finders` keep into `parts`, one KeptLines for
// each part, in file order, as `options` ask (parts, chunk size, mapping) and
// telling options.trace how it went. Fails, with a message that names the file
// and the reason, when the file cannot be read to the size it had when it was
// opened.
FileResult ScanLogFile(const ReadOnlyFile& file, const LoadOptions& options,
                       const KeptLineFinders& finders, std::vector<KeptLines>& parts);

}  // namespace tallix
