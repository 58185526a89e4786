#pragma once
// The one routine that cuts a log's text into lines, whatever brings its
// bytes: parts of a plain file read a block at a time, or the blocks of a
// decompressed stream, of any sizes. Every byte is searched once however the
// blocks arrive, and a line cut by a block's end is held over to the next one
// in memory that does not grow with the line: a line longer than
// kLongLineBytes is held, and kept, as just the parts of it that the program
// reads (CompactLine). The scanner also counts the line feeds as it goes, so
// that each kept line knows its line number. Part of the log loader:
// log_loader.cc, log_scan.cc and the reference loader use it, nothing else.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/app/line_table.h"
#include "engine/app/shared_data.h"
#include "engine/util/text_search.h"

namespace tallix {

// The word that every call-end line holds.
inline constexpr std::string_view kCallEndWord = "disconnected";

// Lines longer than this are kept compacted: beyond any line a router writes,
// and small enough that a full table of kept lines stays within some 40 MiB.
inline constexpr size_t kLongLineBytes = 1u << 10;

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

// What the program reads of a line longer than kLongLineBytes, which is all
// of it that is kept: its first 16 bytes, the 16 from its first "from" and
// the 17 from its first "lasted" (letter case ignored), in line order, merged
// where they overlap or touch and else joined by one blank. No keyword holds
// a blank, so the result has no keyword the line lacks or finds earlier, and
// the time stamp, the called number and the duration read the same in both.
std::string CompactLine(std::string_view line);

// The same, written at `out`, which has room for kCompactLineMaxBytes;
// returns its length.
inline constexpr size_t kCompactLineMaxBytes = 51;
size_t CompactLineInto(std::string_view line, char* out);

// The kept lines of one part of a log, in order: the first kLogLineEntries
// of them, which are all a load can keep, copied into blocks of the part's
// own, each with the line feeds before it in the part; how many there were
// in all; and the lines of the part's text.
class KeptLines {
 public:
  // Not initialised: a small log touches only the few entries it fills.
  KeptLines()
      : spans_(std::make_unique_for_overwrite<ByteSpan[]>(kEntries)),
        feeds_before_(std::make_unique_for_overwrite<uint32_t[]>(kEntries)) {}

  bool full() const { return stored_ == kEntries; }

  // Counts a kept line and stores a copy of it, unless full().
  void Add(std::string_view line, uint64_t feeds_before) {
    ++found_;
    if (full()) return;
    const std::string_view copy = bytes_.Append(line);
    spans_[stored_] = {copy.data(), copy.size()};
    feeds_before_[stored_++] = static_cast<uint32_t>(feeds_before);
  }

  std::string_view line(size_t i) const { return spans_[i].text(); }
  // The line feeds before line i in the part's text: its line number there, less one.
  uint32_t feeds_before(size_t i) const { return feeds_before_[i]; }
  size_t stored() const { return stored_; }
  uint64_t found() const { return found_; }
  ByteBlocks& bytes() { return bytes_; }

  // The lines of the part's text, set once it is scanned.
  uint64_t text_lines = 0;

 private:
  static constexpr size_t kEntries = static_cast<size_t>(TallixData::kLogLineEntries);

  std::unique_ptr<ByteSpan[]> spans_;
  std::unique_ptr<uint32_t[]> feeds_before_;
  size_t stored_ = 0;
  uint64_t found_ = 0;
  ByteBlocks bytes_;
};

// Feeds a text's bytes, in blocks of any sizes, through the line search into
// a KeptLines; the text's first byte starts a line.
class LineScanner {
 public:
  // Keeps views of both, which must outlive it.
  LineScanner(const KeptLineFinders& finders, KeptLines& kept);
  ~LineScanner();
  LineScanner(const LineScanner&) = delete;
  LineScanner& operator=(const LineScanner&) = delete;

  // The next bytes of the text. Throws std::bad_alloc. It reads `block` only
  // to search it and to copy from it into memory already allocated, and holds
  // no object with a destructor meanwhile: a bus error while it reads a
  // mapping may stop it midway (bus_error_guard.h), after which the scanner
  // may only be destroyed and its KeptLines are of no use.
  void Feed(std::string_view block);

  // The text has ended: the bytes after its last line feed are examined like
  // a line, and kept.text_lines is set. Throws std::bad_alloc.
  void Finish();

 private:
  class HeldLine;

  void Keep(std::string_view line, uint64_t feeds_before);
  void EndHeldLine();

  const KeptLineFinders& finders_;
  KeptLines& kept_;
  uint64_t feeds_ = 0;              // line feeds fed so far
  bool open_ = false;               // a line has begun and not ended
  std::unique_ptr<HeldLine> held_;  // its bytes, while open_
};

}  // namespace tallix
