#include "engine/log/line_scanner.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace tallix {
namespace {

// The parts of a long line that are kept, each a keyword's place and the
// bytes from there that the fields are read from.
constexpr size_t kStartBytes = 16;
constexpr size_t kFromBytes = 16;    // "from", a blank, the 11-character number
constexpr size_t kLastedBytes = 17;  // "lasted", a blank, the 10-character duration

const NoCaseFinder kFromWord("from");
const NoCaseFinder kLastedWord("lasted");

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

}  // namespace

static_assert(kCompactLineMaxBytes == kStartBytes + 1 + kFromBytes + 1 + kLastedBytes);

size_t CompactLineInto(std::string_view line, char* out) {
  return JoinPieces({0, line.substr(0, kStartBytes)}, PieceAt(line, kFromWord, kFromBytes),
                    PieceAt(line, kLastedWord, kLastedBytes), out);
}

std::string CompactLine(std::string_view line) {
  char out[kCompactLineMaxBytes];
  return std::string(out, CompactLineInto(line, out));
}

// A line that a block's end cut, held until its end arrives. Up to
// kLongLineBytes its bytes are held whole. Past that it is digested as it
// comes: the four keywords are looked for in the bytes held and the bytes
// the kept pieces need are copied out, then all but the last few bytes, which
// a keyword or a piece may go on from, are let go. Each byte is searched at
// most once for each keyword, and the memory held stays below twice the
// larger of kLongLineBytes and the longest keyword.
class LineScanner::HeldLine {
 public:
  explicit HeldLine(const KeptLineFinders& finders)
      : finders_(finders),
        keep_back_(std::max({kLastedBytes, finders.call_end.size(), finders.router.size()})),
        capacity_(2 * std::max(kLongLineBytes, keep_back_)) {
    // All the room it will need, so that appending never moves the bytes.
    bytes_.reserve(capacity_);
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
    while (!more.empty()) {
      const size_t take = std::min(more.size(), capacity_ - bytes_.size());
      bytes_.append(more.substr(0, take));
      more.remove_prefix(take);
      if (bytes_.size() == capacity_) Digest(false);
    }
  }

  // Whether the whole line is kept, and calls keep(text) with what is kept of it.
  template <typename Keep>
  void End(Keep&& keep) {
    if (!long_) {
      LineSpan line;
      if (!bytes_.empty() &&
          FindLineWithBoth(bytes_, 0, finders_.call_end, finders_.router, &line)) {
        keep(std::string_view(bytes_));
      }
      return;
    }
    Digest(true);
    if (call_end_ && router_) {
      std::optional<Piece> from;
      std::optional<Piece> lasted;
      if (from_at_) from = Piece{*from_at_, from_piece_};
      if (lasted_at_) lasted = Piece{*lasted_at_, lasted_piece_};
      char compact[kCompactLineMaxBytes];
      keep(std::string_view(compact, JoinPieces({0, start_}, from, lasted, compact)));
    }
  }

 private:
  void StartLong() {
    long_ = true;
    digested_ = 0;
    call_end_ = router_ = false;
    from_at_.reset();
    lasted_at_.reset();
  }

  // Looks for the keywords not yet found at the bytes before `limit`, the
  // bytes held less keep_back_ (all of them at the line's end), and lets those
  // go. A keyword that starts before the limit ends within the bytes held.
  void Digest(bool at_end) {
    const size_t limit = at_end ? bytes_.size() : bytes_.size() - keep_back_;
    const std::string_view held(bytes_);
    if (digested_ == 0) start_.assign(held.substr(0, kStartBytes));
    auto find = [&](const NoCaseFinder& word) {
      return word.Find(held.substr(0, std::min(held.size(), limit + word.size())));
    };
    constexpr size_t npos = std::string_view::npos;
    if (!call_end_) call_end_ = find(finders_.call_end) != npos;
    if (!router_) router_ = find(finders_.router) != npos;
    if (!from_at_) {
      if (const size_t at = find(kFromWord); at != npos && at < limit) {
        from_at_ = digested_ + at;
        from_piece_.assign(held.substr(at, kFromBytes));
      }
    }
    if (!lasted_at_) {
      if (const size_t at = find(kLastedWord); at != npos && at < limit) {
        lasted_at_ = digested_ + at;
        lasted_piece_.assign(held.substr(at, kLastedBytes));
      }
    }
    bytes_.erase(0, limit);
    digested_ += limit;
  }

  const KeptLineFinders& finders_;
  const size_t keep_back_;  // bytes kept back for a keyword or a piece to go on
  const size_t capacity_;
  std::string bytes_;
  bool long_ = false;
  // Of a long line:
  std::string start_;      // its first bytes
  uint64_t digested_ = 0;  // bytes already let go
  bool call_end_ = false;
  bool router_ = false;
  std::optional<uint64_t> from_at_;
  std::string from_piece_;
  std::optional<uint64_t> lasted_at_;
  std::string lasted_piece_;
};

LineScanner::LineScanner(const KeptLineFinders& finders, KeptLines& kept)
    : finders_(finders), kept_(kept), held_(std::make_unique<HeldLine>(finders)) {}

LineScanner::~LineScanner() = default;

void LineScanner::Keep(std::string_view line, uint64_t feeds_before) {
  if (line.size() > kLongLineBytes && !kept_.full()) {
    char compact[kCompactLineMaxBytes];
    kept_.Add({compact, CompactLineInto(line, compact)}, feeds_before);
  } else {
    kept_.Add(line, feeds_before);
  }
}

void LineScanner::EndHeldLine() {
  held_->End([&](std::string_view line) { kept_.Add(line, feeds_); });
  held_->Clear();
  open_ = false;
}

void LineScanner::Feed(std::string_view block) {
  if (block.empty()) return;
  size_t from = 0;
  if (open_) {
    const void* feed = std::memchr(block.data(), '\n', block.size());
    if (feed == nullptr) {
      held_->Append(block);
      return;
    }
    from = static_cast<size_t>(static_cast<const char*>(feed) - block.data());
    held_->Append(block.substr(0, from));
    EndHeldLine();
    ++feeds_;
    ++from;
  }
  // The complete lines, searched straight in the block; their line feeds are
  // counted between the kept ones while the block is still in the cache.
  const size_t last_feed = block.rfind('\n');
  if (last_feed != std::string_view::npos && last_feed >= from) {
    const std::string_view lines = block.substr(from, last_feed - from);
    size_t counted = 0;
    uint64_t feeds = feeds_;
    LineSpan line;
    for (size_t at = 0; at < lines.size() &&
                        FindLineWithBoth(lines, at, finders_.call_end, finders_.router, &line);
         at = line.end + 1) {
      feeds += CountLineFeeds(lines.substr(counted, line.begin - counted));
      counted = line.begin;
      Keep(lines.substr(line.begin, line.end - line.begin), feeds);
    }
    feeds_ = feeds + CountLineFeeds(lines.substr(counted)) + 1;
    from = last_feed + 1;
  }
  if (from < block.size()) {
    open_ = true;
    held_->Append(block.substr(from));
  }
}

void LineScanner::Finish() {
  const bool ends_open = open_;
  if (open_) EndHeldLine();
  kept_.text_lines = feeds_ + (ends_open ? 1 : 0);
}

}  // namespace tallix
