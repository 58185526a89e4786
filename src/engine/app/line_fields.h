#pragma once
// The fixed widths of a kept line's fields, as the router writes them:
//   Dec  7 10:00:01 isdnrouter isdn: call from 01234123456 disconnected, lasted 75 seconds
// The line starts with its time stamp; the day, the minute and the whole stamp
// are its first 6, 12 and 15 characters. The called number is 11 characters
// after "from", the duration is read from 10 characters after "lasted".

#include <cstddef>

namespace tallix {

inline constexpr size_t kDayWidth = 6;        // "Dec  7": the day list and day selections
inline constexpr size_t kMinuteWidth = 12;    // "Dec  7 10:00": Log Start and Log End
inline constexpr size_t kStampWidth = 15;     // "Dec  7 10:00:01": the call stamp
inline constexpr size_t kNumberWidth = 11;    // "01234123456": the called number
inline constexpr size_t kDurationWidth = 10;  // "75 seconds": read for the duration

}  // namespace tallix
