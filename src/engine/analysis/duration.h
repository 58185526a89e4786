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

// Writes the same text at `out`, at most kMaxDurationBytes bytes, and returns
// the end; for report builders that write many of them. Also for a sum of
// many 32-bit durations, which may pass 32 bits.
// REQUIRES: |seconds| < 10^14 (40001 calls of 32-bit durations stay below).
inline constexpr size_t kMaxDurationBytes = 48;
char* WriteDuration(int64_t seconds, char* out);

// Appends that text to `out`.
void AppendDuration(std::string& out, int64_t seconds);

// The quotient rounded down, also for a negative dividend or divisor.
inline int64_t FloorDivide(int64_t dividend, int64_t divisor) {
  const int64_t quotient = dividend / divisor;
  return dividend % divisor != 0 && (dividend < 0) != (divisor < 0) ? quotient - 1 : quotient;
}

}  // namespace tallix
