#include "engine/analysis/duration.h"

#include <charconv>

namespace tallix {
namespace {

// Each part takes at most 12 bytes: a sign, 10 digits and the unit.
char* WriteSigned(char* out, int64_t n, char unit) {
  *out++ = n < 0 ? '-' : ' ';
  out = std::to_chars(out, out + 10, n < 0 ? -n : n).ptr;
  *out++ = unit;
  return out;
}

}  // namespace

char* WriteDuration(int64_t total, char* out) {
  const int64_t whole_minutes = FloorDivide(total, 60);
  const int64_t whole_hours = FloorDivide(whole_minutes, 60);
  const int64_t days = FloorDivide(whole_hours, 24);
  out = WriteSigned(out, days, 'd');
  out = WriteSigned(out, whole_hours % 24, 'h');  // C++ % keeps the dividend's sign
  out = WriteSigned(out, whole_minutes % 60, 'm');
  return WriteSigned(out, total % 60, 's');
}

void AppendDuration(std::string& out, int64_t seconds) {
  char text[kMaxDurationBytes];
  out.append(text, static_cast<size_t>(WriteDuration(seconds, text) - text));
}

std::string FormatDuration(int32_t seconds) {
  std::string text;
  text.reserve(24);
  AppendDuration(text, seconds);
  return text;
}

}  // namespace tallix
