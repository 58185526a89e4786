#pragma once
// The duration text that every view of the results uses: days, hours, minutes
// and seconds, each number after one blank when it is 0 or more, or after "-"
// when it is negative (3661 -> " 0d 1h 1m 1s", -61 -> "-1d-1h-2m-1s").

#include <cstddef>
#include <cstdint>
#include <string>

namespace tallix {

// Defined for every 32-bit input. The quotients (whole minutes, hours, days)
// are floored; the parts keep the sign of what they are taken from.
std::string FormatDuration(int32_t seconds);

// Writes FormatDuration(seconds) at `out`, at most kMaxDurationBytes bytes, and
// returns the end; for report builders that write many of them.
inline constexpr size_t kMaxDurationBytes = 48;
char* WriteDuration(int32_t seconds, char* out);

// The same text for a sum of many 32-bit durations, which may pass 32 bits.
// REQUIRES: |seconds| < 10^14 (40001 calls of 32-bit durations stay below).
char* WriteLongDuration(int64_t seconds, char* out);

// Appends FormatDuration(seconds) to `out`.
void AppendDuration(std::string& out, int32_t seconds);

}  // namespace tallix
