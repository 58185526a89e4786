#pragma once
// A range of times that selects calls (--since and --until), and the words a
// caption says it in. Each end is optional and belongs to the range; a time
// is compared as the log wrote it, its offset ignored.

#include <optional>
#include <string>
#include <string_view>

#include "engine/analysis/call_time.h"
#include "engine/util/status.h"

namespace tallix {

// One end of a range as the user wrote it: "YYYY-MM-DD", "YYYY-MM-DD hh:mm"
// or "YYYY-MM-DDThh:mm:ss".
struct RangeEnd {
  WallTime time{};  // for a date alone: its first second, or its last as an until
  enum class Written { kDate, kMinute, kSecond } written = Written::kDate;
};

struct TimeRange {
  std::optional<RangeEnd> since;
  std::optional<RangeEnd> until;

  bool limited() const { return since || until; }
  // A line without a time lies in no limited range.
  bool Contains(const CallTime& time) const;
};

// Reads the texts of --since and --until, each optional. An until of a date
// alone takes in that whole day; a time given is itself the end. A text in
// another form or out of range ("--since '2026-13-01' is not ...") and a
// start after the end ("--since '...' lies after --until '...'") fail, with a
// message that quotes the text.
Status ReadTimeRange(std::optional<std::string_view> since, std::optional<std::string_view> until,
                     TimeRange& range);

// The range in words, with the precision it was written in: "from 1 Dec 2026
// to 31 Dec 2026", "since 1 Dec 2026 08:30", "until 7 Dec 2026 23:59:59";
// empty when not limited.
std::string RangeCaption(const TimeRange& range);

}  // namespace tallix
