#include "engine/log/line_scanner.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace tallix {
namespace {

// The parts of a long line that are kept, each a keyword's place and the
// bytes from there that the fields are read from.
constexpr size_t kStartBytes = kStampWidth + 1;  // the time stamp and a blank
constexpr size_t kFromBytes = kNumberField.reach();
constexpr size_t kLastedBytes = kDurationField.reach();
static_assert(kLastedBytes >= kFromBytes);

const NoCaseFinder kFromWord(kNumberField.keyword);
const NoCaseFinder kLastedWord(kDurationField.keyword);

struct Piece {
  uint64_t at = 0;
  std::string_view bytes;
};

// Writes the pieces of a line at `out`, in line order, merged where they
// overlap or touch, else joined by one blank; returns the bytes written.
size_t JoinPieces(Piece start, std::optional<Piece> from, std::optional<Piece> lasted, char* out) {
  Piece pieces[3] = {start};
  size_t count = 1;
  if (from) pieces[count++] = *from;
  if (lasted) pieces[count++] = *lasted;
  // At most three: put in order by hand.
  for (size_t k = 1; k < count; ++k) {
    for (size_t j = k; j > 0 && pieces[j - 1].at > pieces[j].at; --j) {
      std::swap(pieces[j - 1], pieces[j]);
    }
  }
  size_t size = 0;
  auto append = [&](std::string_view bytes) {
    std::memcpy(out + size, bytes.data(), bytes.size());
    size += bytes.size();
  };
  append(pieces[0].bytes);
  uint64_t end = pieces[0].at + pieces[0].bytes.size();
  for (size_t k = 1; k < count; ++k) {
    const Piece& piece = pieces[k];
    if (piece.at > end) {
      out[size++] = ' ';
      append(piece.bytes);
    } else if (piece.at + piece.bytes.size() > end) {
      append(piece.bytes.substr(static_cast<size_t>(end - piece.at)));
    }
    end = std::max<uint64_t>(end, piece.at + piece.bytes.size());
  }
  return size;
}

std::optional<Piece> PieceAt(std::string_view line, const NoCaseFinder& word, size_t length) {
  const size_t at = word.Find(line);
  if (at == std::string_view::npos) return std::nullopt;
  return Piece{at, line.substr(at, length)};
}

// The first bytes of a line that a long line keeps: its stamp and a blank,
// so that an RFC 3339 stamp can still be read and put in the traditional form.
std::string_view StartOf(std::string_view line) {
  const LineStamp stamp = ReadLineStamp(line);
  return line.substr(0, stamp.form == StampForm::kRfc3339 ? stamp.length + 1 : kStartBytes);
}

}  // namespace

size_t CompactLineInto(std::string_view line, char* out) {
  return JoinPieces({0, StartOf(line)}, PieceAt(line, kFromWord, kFromBytes),
                    PieceAt(line, kLastedWord, kLastedBytes), out);
}

// A line that a block's end cut, held until its end arrives. Up to
// kLongLineBytes its bytes are held whole. Past that they are searched as
// they come and let go: only the line's first bytes, what is known of the
// four keywords (found or not, where, and the bytes of a piece from there)
// and the last few bytes, which a keyword may go on from into the next
// bytes, are held.
class LineScanner::HeldLine {
 public:
  explicit HeldLine(const KeptLineFinders& finders)
      : words_{{&finders.call_end, 0},
               {&finders.router, 0},
               {&kFromWord, kFromBytes},
               {&kLastedWord, kLastedBytes}},
        tail_bytes_(std::max({kLastedBytes, finders.call_end.size(), finders.router.size()})) {
    bytes_.reserve(kLongLineBytes);
  }

  void Clear() {
    bytes_.clear();
    long_ = false;
  }

  void Append(std::string_view more) {
    if (!long_) {
      if (bytes_.size() + more.size() <= kLongLineBytes) {
        bytes_.append(more);
        return;
      }
      StartLong();
    }
    Search(more);
  }

  // Decides whether the whole line is kept, and if so calls keep(text) with
  // what is kept of it.
  template <typename Keep>
  void End(Keep&& keep) {
    if (!long_) {
      LineSpan line;
      if (!bytes_.empty() &&
          FindLineWithBoth(bytes_, 0, *words_[0].finder, *words_[1].finder, &line)) {
        keep(std::string_view(bytes_));
      }
      return;
    }
    if (!words_[0].found || !words_[1].found) return;
    char compact[kCompactLineMaxBytes];
    keep(std::string_view(compact, JoinPieces({0, StartOf({start_, start_size_})},
                                              PieceOf(words_[2]), PieceOf(words_[3]), compact)));
  }

 private:
  // What is known of one keyword in a long line.
  struct Word {
    const NoCaseFinder* finder;
    size_t piece_bytes;  // the bytes kept from where it is found; 0 for none
    bool found = false;
    uint64_t at = 0;  // in the line
    char piece[kLastedBytes] = {};
    size_t piece_size = 0;
  };

  static std::optional<Piece> PieceOf(const Word& word) {
    if (!word.found) return std::nullopt;
    return Piece{word.at, {word.piece, word.piece_size}};
  }

  void StartLong() {
    long_ = true;
    length_ = 0;
    start_size_ = 0;
    window_.clear();
    for (Word& word : words_) {
      word.found = false;
      word.piece_size = 0;
    }
    // The bytes held so far are the line's first ones.
    Search(bytes_);
    bytes_.clear();
  }

  // `bytes` at line offset `at` hold the keyword found there and at least
  // what follows it of the piece, unless they end first.
  static void Found(Word& word, uint64_t at, std::string_view bytes) {
    word.found = true;
    word.at = at;
    word.piece_size = std::min(word.piece_bytes, bytes.size());
    std::memcpy(word.piece, bytes.data(), word.piece_size);
  }

  // Looks for the keywords not yet found among the next bytes of a long line.
  void Search(std::string_view more) {
    if (more.empty()) return;
    // The first bytes of the line, and pieces that an earlier end cut.
    if (start_size_ < sizeof start_) {
      const size_t take = std::min(sizeof start_ - start_size_, more.size());
      std::memcpy(start_ + start_size_, more.data(), take);
      start_size_ += take;
    }
    for (Word& word : words_) {
      if (!word.found || word.piece_size == word.piece_bytes) continue;
      const size_t take = std::min(word.piece_bytes - word.piece_size, more.size());
      std::memcpy(word.piece + word.piece_size, more.data(), take);
      word.piece_size += take;
    }
    // A keyword that begins in the last bytes before these and goes on into
    // them: looked for where the two meet.
    const size_t tail = window_.size();
    if (tail > 0) {
      window_.append(more.substr(0, tail_bytes_));
      for (Word& word : words_) {
        if (word.found) continue;
        const size_t at = word.finder->Find(window_);
        if (at < tail) Found(word, length_ - tail + at, std::string_view(window_).substr(at));
      }
    }
    // Then in these bytes as they stand, from the first that could begin a
    // keyword still missing: a run of bytes that begins none is passed over
    // in one look.
    const NoCaseFinder* missing[kMaxFirstBytes];
    size_t missing_count = 0;
    for (const Word& word : words_) {
      if (!word.found) missing[missing_count++] = word.finder;
    }
    const size_t first = missing_count == 0 ? std::string_view::npos
                                            : FindAnyFirstByte(more, missing, missing_count);
    for (Word& word : words_) {
      if (word.found || first == std::string_view::npos) continue;
      const size_t at = word.finder->FindFrom(more, first);
      if (at != std::string_view::npos) Found(word, length_ + at, more.substr(at));
    }
    length_ += more.size();
    window_.resize(tail);
    window_.append(more.substr(more.size() - std::min(more.size(), tail_bytes_)));
    window_.erase(0, window_.size() - std::min(window_.size(), tail_bytes_));
  }

  Word words_[kMaxFirstBytes];  // the call-end word, the router's name, "from", "lasted"
  const size_t tail_bytes_;
  std::string bytes_;  // a short line's bytes
  bool long_ = false;
  // Of a long line:
  uint64_t length_ = 0;  // bytes searched so far
  char start_[kLongestStampBytes] = {};
  size_t start_size_ = 0;
  std::string window_;  // its last tail_bytes_ bytes so far
};

LineScanner::LineScanner(const KeptLineFinders& finders, KeptLines& kept)
    : finders_(finders), kept_(kept), held_(std::make_unique<HeldLine>(finders)) {}

LineScanner::~LineScanner() = default;

namespace {

// The text a line is kept as: compacted when long (into `compact`), an RFC
// 3339 stamp put in the traditional form (into `mended`), so that the day
// list, the selections and every report read it as a traditional log.
std::string_view KeptForm(std::string_view line, char* compact, std::string& mended,
                          LineStamp& stamp) {
  if (line.size() > kLongLineBytes) line = {compact, CompactLineInto(line, compact)};
  stamp = ReadLineStamp(line);
  if (stamp.form != StampForm::kRfc3339) return line;
  const std::array<char, 15> traditional = TraditionalStamp(stamp);
  mended.assign(traditional.data(), traditional.size());
  mended.append(line.substr(stamp.length));
  return mended;
}

}  // namespace

bool IsKeptFormOf(std::string_view line, std::string_view kept) {
  char compact[kCompactLineMaxBytes];
  std::string mended;
  LineStamp stamp;
  return KeptForm(line, compact, mended, stamp) == kept;
}

void LineScanner::Keep(std::string_view line, uint64_t feeds_before) {
  char compact[kCompactLineMaxBytes];
  LineStamp stamp;
  kept_.Add(KeptForm(line, compact, mended_, stamp), feeds_before, stamp);
}

void LineScanner::EndHeldLine() {
  held_->End([&](std::string_view line) { Keep(line, feeds_); });
  held_->Clear();
  open_ = false;
  open_bytes_ = 0;
}

void LineScanner::Feed(std::string_view block) {
  if (block.empty()) return;
  size_t from = 0;
  if (open_) {
    const void* feed = std::memchr(block.data(), '\n', block.size());
    if (feed == nullptr) {
      Hold(block);
      return;
    }
    from = static_cast<size_t>(static_cast<const char*>(feed) - block.data());
    held_->Append(block.substr(0, from));
    EndHeldLine();
    ++feeds_;
    ++from;
  }
  // The complete lines, searched straight in the block; their line feeds
  // are counted by the search as it goes.
  const size_t last_feed = block.rfind('\n');
  if (last_feed != std::string_view::npos && last_feed >= from) {
    const std::string_view lines = block.substr(from, last_feed - from);
    LineSpan line;
    for (size_t at = 0; at < lines.size() && FindLineWithBoth(lines, at, finders_.call_end,
                                                              finders_.router, &line, &feeds_);
         at = line.end + 1) {
      Keep(lines.substr(line.begin, line.end - line.begin), feeds_);
      if (line.end < lines.size()) ++feeds_;
    }
    ++feeds_;  // the last line feed
    from = last_feed + 1;
  }
  if (from < block.size()) {
    open_ = true;
    Hold(block.substr(from));
  }
}

void LineScanner::Hold(std::string_view bytes) {
  // A carriage return matters only in a text without line feeds, all of
  // which passes through here: the rest of the text is not looked at twice.
  if (feeds_ == 0 && !kept_.has_carriage_return) {
    kept_.has_carriage_return = std::memchr(bytes.data(), '\r', bytes.size()) != nullptr;
  }
  held_->Append(bytes);
  open_bytes_ += bytes.size();
}

void LineScanner::Finish() {
  const bool ends_open = open_;
  kept_.tail_bytes = open_bytes();
  const uint64_t found = kept_.found;
  if (open_) EndHeldLine();
  kept_.tail_found = kept_.found > found;
  kept_.text_lines = feeds_ + (ends_open ? 1 : 0);
  kept_.line_feeds = feeds_;
}

}  // namespace tallix
