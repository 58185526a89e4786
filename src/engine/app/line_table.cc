#include "engine/app/line_table.h"

#include <algorithm>
#include <cstring>

namespace tallix {
namespace {

// The first block's size; a line longer than the next block gets one its size.
constexpr size_t kFirstBlock = 64u << 10;

}  // namespace

void ByteBlocks::Reserve(size_t size) {
  if (room_size() >= size) return;
  const size_t grown = blocks_.empty() ? kFirstBlock : 2 * blocks_.back().size;
  Block block;
  block.size = std::max(size, grown);
  // Not initialised: pages of the block that no line reaches stay untouched.
  block.bytes = std::make_unique_for_overwrite<char[]>(block.size);
  block.free = block.bytes.get();
  block.left = block.size;
  blocks_.push_back(std::move(block));
}

void ByteBlocks::Use(size_t size) {
  if (size == 0) return;
  Block& block = blocks_.back();
  block.free += size;
  block.left -= size;
}

std::string_view ByteBlocks::Append(std::string_view text) {
  Reserve(text.size());
  char* copy = room();
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  Use(text.size());
  return {copy, text.size()};
}

void ByteBlocks::TakeFrom(ByteBlocks& other) {
  if (blocks_.empty()) {
    blocks_.swap(other.blocks_);
    return;
  }
  // The newest block stays last, so that Append goes on filling it.
  Block newest = std::move(blocks_.back());
  blocks_.pop_back();
  blocks_.reserve(blocks_.size() + other.blocks_.size() + 1);
  for (Block& block : other.blocks_) blocks_.push_back(std::move(block));
  blocks_.push_back(std::move(newest));
  other.blocks_.clear();
}

void LineTable::Assign(size_t i, std::string_view text) { View(i, blocks_.Append(text)); }

void LineTable::View(size_t i, std::string_view bytes) {
  entries_[i] = {bytes.data(), bytes.size()};
  written_ = std::max(written_, i + 1);
}

void LineTable::Clear() {
  // No entry may be left viewing freed bytes.
  std::fill_n(entries_.data(), written_, ByteSpan{nullptr, 0});
  written_ = 0;
  blocks_.Clear();
}

}  // namespace tallix
