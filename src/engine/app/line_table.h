#pragma once
// The table of kept log lines: a fixed number of entries, each a view of bytes
// that the table holds itself in a few large blocks. A load copies its lines
// into blocks of its own and hands them over whole, so that it makes no
// allocation per line and frees none when the next log replaces it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/app/zeroed_array.h"

namespace tallix {

// Where a line's bytes lie: a plain pair, so that a table of them can be left
// uninitialised or made zero by calloc (all zero is the empty line).
struct ByteSpan {
  const char* data;
  size_t size;
  std::string_view text() const { return {data, size}; }
};

// Bytes kept in blocks that never move: a view of them stays valid until the
// blocks are cleared. Grows by whole blocks, each at least twice the last.
class ByteBlocks {
 public:
  ByteBlocks() = default;
  ByteBlocks(ByteBlocks&&) noexcept = default;
  ByteBlocks& operator=(ByteBlocks&&) noexcept = default;

  // Free bytes at the end of the newest block, starting at room().
  char* room() const { return blocks_.empty() ? nullptr : blocks_.back().free; }
  size_t room_size() const { return blocks_.empty() ? 0 : blocks_.back().left; }

  // Makes room_size() at least `size`, with a new block when needed. Throws
  // std::bad_alloc.
  void Reserve(size_t size);

  // Marks the first `size` bytes at room() as used. REQUIRES: size <= room_size().
  void Use(size_t size);

  // A copy of `text` in these blocks. Throws std::bad_alloc.
  std::string_view Append(std::string_view text);

  // Takes every block of `other`; views of its bytes stay valid.
  void TakeFrom(ByteBlocks& other);

  void Clear() { blocks_.clear(); }

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    char* free = nullptr;
    size_t left = 0;
  };
  std::vector<Block> blocks_;
};

// Entries start empty; making a table throws std::bad_alloc when memory is
// short.
class LineTable {
 public:
  static constexpr int32_t kEntries = 40001;  // lines 0..40000

  // REQUIRES: i < kEntries.
  std::string_view operator[](size_t i) const { return entries_[i].text(); }

  // Entry i becomes a copy of `text`. REQUIRES: i < kEntries. Throws
  // std::bad_alloc, leaving the entry as it was.
  void Assign(size_t i, std::string_view text);

  // Takes the blocks of `bytes`, which entries may then view through View.
  void Hold(ByteBlocks& bytes) { blocks_.TakeFrom(bytes); }

  // Entry i becomes a view of `bytes`, which must lie in blocks this table
  // holds. REQUIRES: i < kEntries.
  void View(size_t i, std::string_view bytes);

  // Empties every entry and frees every block.
  void Clear();

 private:
  ZeroedArray<ByteSpan> entries_{kEntries};
  size_t written_ = 0;  // entries past this one are all empty
  ByteBlocks blocks_;
};

}  // namespace tallix
