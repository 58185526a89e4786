#pragma once
// The one routine that cuts a log's text into lines, whatever brings its
// bytes: parts of a plain file read a block at a time, or the blocks of a
// decompressed stream or a pipe, of any sizes. Every byte is searched once however the
// blocks arrive, and a line cut by a block's end is held over to the next one
// in memory that does not grow with the line: a line longer than
// kLongLineBytes is held, and kept, as just the parts of it that the program
// reads (CompactLineInto). The scanner also counts the line feeds as it goes, so
// that each kept line knows its line number. Part of the log loader:
// log_loader.cc and the follower (log_follower.cc) use it; the line-in-context
// window compacts a line read again (CompactLineInto) to compare it with the
// kept one.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/analysis/call_time.h"
#include "engine/app/line_fields.h"
#include "engine/log/loaded_log.h"
#include "engine/log/text_search.h"

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

// Writes at `out`, which has room for kCompactLineMaxBytes, what the program
// reads of a line longer than kLongLineBytes, which is all of it that is kept,
// and returns its length: its stamp and the blank after it (its first 16
// bytes, or all of an RFC 3339 stamp's), and from its first "from" and
// its first "lasted" (letter case ignored) the bytes up to the end of the
// field there (line_fields.h), in line order, merged where they overlap or
// touch and else joined by one blank. No keyword holds a blank, so the result
// has no keyword the line lacks or finds earlier, and the time stamp, the
// called number and the duration read the same in both.
inline constexpr size_t kCompactLineMaxBytes =
    kLongestStampBytes + 1 + kNumberField.reach() + 1 + kDurationField.reach();
size_t CompactLineInto(std::string_view line, char* out);

// Whether `kept` is `line` as a load keeps it: compacted when long, an RFC
// 3339 stamp in the traditional form.
bool IsKeptFormOf(std::string_view line, std::string_view kept);

// A kept line of one part of a log: its text (compacted if long, its stamp
// put in the traditional form if it was RFC 3339), the line feeds before it
// in the part, and the stamp it began with.
struct KeptLine {
  std::string text;
  uint64_t feeds_before = 0;
  LineStamp stamp;
};

// The kept lines of one part of a log, in order: those of them that a load
// can keep, after the lines that the parts before it store; how many there
// were in all; and the lines of the part's text. Parts scanned at once see
// how many the part before has stored so far, so that together they never
// hold many more lines than a load can keep.
struct KeptLines {
  static constexpr auto kEntries = static_cast<size_t>(LoadedLog::kLogLineEntries);

  // Counts a kept line and stores a copy of it, if it can still be kept.
  // Throws std::bad_alloc.
  void Add(std::string_view line, uint64_t feeds_before, const LineStamp& stamp) {
    ++found;
    const size_t before = stored_before + (live_before ? live_before->load() : 0);
    const size_t room = kEntries - std::min(before, kEntries);
    if (lines.size() > room) lines.resize(room);  // now known never to be kept
    if (lines.size() == room) return;
    // Room for all at once, as the loaded log has.
    if (lines.capacity() == 0) lines.reserve(kEntries);
    lines.push_back({std::string(line), feeds_before, stamp});
    if (live_stored != nullptr) live_stored->store(lines.size());
  }

  std::vector<KeptLine> lines;
  uint64_t found = 0;
  // The lines of the part's text and its line feeds, set once it is
  // scanned.
  uint64_t text_lines = 0;
  uint64_t line_feeds = 0;
  // The bytes after the last line feed, and whether they were a call-end
  // line, set once the part is scanned.
  uint64_t tail_bytes = 0;
  bool tail_found = false;
  // Whether a carriage return was seen while no line feed was: enough to
  // tell a text whose lines end with a carriage return alone.
  bool has_carriage_return = false;
  // Lines stored before this part: a fixed count, and the count of a part
  // scanned at the same time, if any.
  size_t stored_before = 0;
  const std::atomic<size_t>* live_before = nullptr;
  // Where this part's count goes for the part after it, if one is scanned
  // at the same time.
  std::atomic<size_t>* live_stored = nullptr;
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

  // The next bytes of the text. Throws std::bad_alloc.
  void Feed(std::string_view block);

  // The text has ended: the bytes after its last line feed are examined like
  // a line, and kept.text_lines is set. Throws std::bad_alloc.
  void Finish();

  // The bytes after the last line feed fed so far, and the line feeds.
  uint64_t open_bytes() const { return open_ ? open_bytes_ : 0; }
  uint64_t line_feeds() const { return feeds_; }

 private:
  class HeldLine;

  void Keep(std::string_view line, uint64_t feeds_before);
  void EndHeldLine();
  void Hold(std::string_view bytes);

  const KeptLineFinders& finders_;
  KeptLines& kept_;
  uint64_t feeds_ = 0;              // line feeds fed so far
  bool open_ = false;               // a line has begun and not ended
  uint64_t open_bytes_ = 0;         // its bytes so far
  std::string mended_;              // room for a kept line's stamp put in the traditional form
  std::unique_ptr<HeldLine> held_;  // its bytes, while open_
};

}  // namespace tallix
