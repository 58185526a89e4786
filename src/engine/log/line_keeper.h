#pragma once
// The loader's line keeper: puts kept lines into LogLines, lists their day
// runs in LogDates, and words the warnings of what did not fit. LoadLog and
// the reference loader share it, so both fill the tables and warn alike.
// Defined in log_loader.cc.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/app/shared_data.h"

namespace tallix {

class LineKeeper {
 public:
  explicit LineKeeper(TallixData& data) : data_(data) {}

  // Copies `line` into the next entry of LogLines, and `origin` into the same
  // entry of LogLineOrigins; counts it as dropped when LogLines is full.
  void Keep(std::string_view line, LineOrigin origin);

  // Lines found beyond the ones stored: they could never be kept.
  void Drop(uint64_t lines) { dropped_lines_ += lines; }
  uint64_t dropped_lines() const { return dropped_lines_; }

  // Fills LogDates from the kept lines, once all are kept: one entry for each
  // run of lines with the same day (their first kDayWidth characters). Runs
  // past a full list are counted as dropped.
  void ListDays();

  // A warning for the dropped lines and one for the dropped day runs, if any.
  void AddWarnings(std::vector<std::string>& warnings) const;

 private:
  TallixData& data_;
  uint64_t dropped_lines_ = 0;
  uint64_t dropped_days_ = 0;
};

}  // namespace tallix
