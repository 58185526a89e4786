#pragma once
// The table of kept log lines: a fixed number of entries, each a line's bytes.

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
  std::string_view operator[](size_t i) const { return entries_[i]; }

  // Entry i becomes `text`. REQUIRES: i < kEntries.
  void Assign(size_t i, std::string text) { entries_[i] = std::move(text); }

  // Empties every entry and frees its bytes.
  void Clear() {
    for (std::string& entry : entries_) std::string().swap(entry);
  }

 private:
  std::vector<std::string> entries_ = std::vector<std::string>(kEntries);
};

}  // namespace tallix
