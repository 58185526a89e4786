#pragma once
// The time of a kept line: the date with its year, the time of day, and the
// UTC offset when the line gave one. Two stamp forms are read, nothing else:
//   traditional  "Dec  7 10:00:01"  (no year: the year rule gives it)
//   RFC 3339     "2026-12-07T10:00:01.123+01:00 " (the offset is required)
// A line in any other form, or with a field out of range, has no time and is
// tallied by its text alone. Times are compared as written (wall clock): the
// offset is kept to be shown, never applied.
//
// A second of 60 (a leap second, as RFC 3339 allows) is read, and counts as
// second 59 of its minute: the call keeps its day and its order.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tallix {

// A date and time as the log wrote it, no zone applied.
using WallTime = std::chrono::local_seconds;

// Years a time may have: four digits, from year 1.
inline constexpr int kFirstYear = 1;
inline constexpr int kLastYear = 9999;

enum class StampForm : uint8_t { kNone, kTraditional, kRfc3339 };

// What the first bytes of a line say about its time, before the year rule.
struct LineStamp {
  StampForm form = StampForm::kNone;
  uint8_t month = 0;            // 1..12
  uint8_t day = 0;              // within the month; Feb 29 is allowed without a year
  uint8_t hour = 0;             // 0..23
  uint8_t minute = 0;           // 0..59
  uint8_t second = 0;           // 0..60, as written
  char offset_sign = '+';       // kRfc3339: '+' or '-' ("Z" is "+00:00")
  int16_t year = 0;             // kRfc3339 only: 1..9999
  uint16_t offset_minutes = 0;  // kRfc3339 only: the offset's size
  // The bytes the stamp takes: 15, or an RFC 3339 stamp's up to the blank
  // after it, so that a line can have its stamp put in the traditional form.
  uint32_t length = 0;
};

// The bytes of a line a stamp is read from, its blank included: room for a
// fraction of 20 digits. A long line keeps no more of its start than this.
inline constexpr size_t kLongestStampBytes = 48;

// Reads the stamp that `line` begins with. A traditional stamp is the first
// 15 bytes "Mmm dd hh:mm:ss": an English month abbreviation in any letter
// case, the day blank- or zero-padded. An RFC 3339 stamp is "YYYY-MM-DD",
// "T" or a blank, "hh:mm:ss", an optional fraction, an offset ("Z", "+hh:mm",
// "-hh:mm", "+hhmm" or "-hhmm"), then a blank within the first
// kLongestStampBytes; "t" and "z" are taken as "T" and "Z", as RFC 3339
// allows. Anything else gives form kNone.
LineStamp ReadLineStamp(std::string_view line);

// The traditional 15 bytes of a stamp's month, day and time as written
// ("Dec  7 10:00:01"). REQUIRES: stamp.form != kNone.
std::array<char, 15> TraditionalStamp(const LineStamp& stamp);

// A kept line's time; has_time is false when it has none.
struct CallTime {
  WallTime wall{};
  bool has_time = false;
  bool has_offset = false;  // the line gave an offset (RFC 3339)
  char offset_sign = '+';
  uint16_t offset_minutes = 0;
};

// Where the years of traditional stamps come from.
struct YearRule {
  // --year: the year of the first traditional stamp.
  std::optional<int> first_year;
  // Otherwise the last traditional stamp takes this time's year, or the year
  // before when its month, day and time would lie after it: the last log
  // file's modification time on the local clock.
  WallTime reference{};
};

// The time of every line, from the stamps of the kept lines in log order.
// Walking the traditional stamps, a month smaller than the one before by 6
// or more starts the next year (Dec, then Jan); one larger by 6 or more goes
// back a year (a late line written just after New Year). A date that does not
// exist in its year (Feb 29, 2026), or a year outside 1..9999, gives no time.
// One pass each way; RFC 3339 stamps carry their own year and take no part.
std::vector<CallTime> LineTimes(std::span<const LineStamp> stamps, const YearRule& rule);

// The time as JSON and the exports write it: "2026-12-07T10:00:01", then
// "+hh:mm" or "-hh:mm" when the line gave an offset; the fraction is not
// kept. Appends nothing for a line without a time.
void AppendTimeText(std::string& out, const CallTime& time);
std::string TimeText(const CallTime& time);

// Appends "YYYY-MM-DD" (at least four digits of year).
void AppendDateText(std::string& out, std::chrono::year_month_day date);

// "Jan" to "Dec" for `month` 1 to 12.
std::string_view MonthName(unsigned month);

// Appends `n` in `width` digits, zero-padded. REQUIRES: n < 10^width.
void AppendDigits(std::string& out, unsigned n, int width);

}  // namespace tallix
