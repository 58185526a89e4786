#pragma once
// Where a kept line's fields lie, as the router writes them:
//   Dec  7 10:00:01 isdnrouter isdn: call from 01234123456 disconnected, lasted 75 seconds
// The line starts with its time stamp; the day, the minute and the whole stamp
// are its first 6, 12 and 15 characters. The called number is the 11
// characters 5 after the start of "from", the duration is read from the 10
// characters 7 after the start of "lasted" (letter case ignored, the first of
// each). The tally reads the fields by these, and the loader keeps just the
// bytes they cover of a line too long to keep whole.

#include <cstddef>
#include <string_view>

namespace tallix {

inline constexpr size_t kDayWidth = 6;        // "Dec  7": the day list and day selections
inline constexpr size_t kMinuteWidth = 12;    // "Dec  7 10:00": Log Start and Log End
inline constexpr size_t kStampWidth = 15;     // "Dec  7 10:00:01": the call stamp
inline constexpr size_t kNumberWidth = 11;    // "01234123456": the called number
inline constexpr size_t kDurationWidth = 10;  // "75 seconds": read for the duration

// A field found after a keyword: `width` characters, `offset` after the
// keyword's start.
struct KeywordField {
  std::string_view keyword;
  size_t offset;
  size_t width;
  // The bytes from the keyword's start to the field's end.
  constexpr size_t reach() const { return offset + width; }
};

inline constexpr KeywordField kNumberField{"from", 5, kNumberWidth};
inline constexpr KeywordField kDurationField{"lasted", 7, kDurationWidth};

}  // namespace tallix
