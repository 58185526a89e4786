#pragma once
// The table of kept log lines: a fixed number of entries, each a line's bytes.
// Only the entries written so far are held, so that a small log costs little.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallix {

// Entries start empty; making a table throws std::bad_alloc when memory is
// short.
class LineTable {
 public:
  static constexpr int32_t kEntries = 40001;  // lines 0..40000

  // REQUIRES: i < kEntries.
  std::string_view operator[](size_t i) const {
    return i < entries_.size() ? std::string_view(entries_[i]) : std::string_view();
  }

  // Entry i becomes `text`. REQUIRES: i < kEntries. Throws std::bad_alloc.
  void Assign(size_t i, std::string text) {
    // Room for all at once, never moved: its pages are touched only as
    // entries are written.
    if (entries_.capacity() == 0) entries_.reserve(kEntries);
    if (i >= entries_.size()) entries_.resize(i + 1);
    entries_[i] = std::move(text);
  }

  // Empties every entry and frees its bytes.
  void Clear() { std::vector<std::string>().swap(entries_); }

 private:
  std::vector<std::string> entries_;
};

}  // namespace tallix
