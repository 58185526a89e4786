#include "analysis/duration.h"

#include <cmath>

namespace tallix {
namespace {

void AppendSigned(std::string& out, int64_t n, char unit) {
  if (n < 0) {
    out += '-';
    out += std::to_string(-n);
  } else {
    out += ' ';
    out += std::to_string(n);
  }
  out += unit;
}

}  // namespace

std::string FormatDuration(int32_t seconds) {
  const int64_t total = seconds;
  const auto whole_minutes = static_cast<int64_t>(std::floor(static_cast<double>(total) / 60.0));
  const auto whole_hours = static_cast<int64_t>(std::floor(static_cast<double>(whole_minutes) / 60.0));
  const auto days = static_cast<int64_t>(std::floor(static_cast<double>(whole_hours) / 24.0));
  std::string text;
  text.reserve(24);
  AppendSigned(text, days, 'd');
  AppendSigned(text, whole_hours % 24, 'h');  // C++ % keeps the dividend's sign
  AppendSigned(text, whole_minutes % 60, 'm');
  AppendSigned(text, total % 60, 's');
  return text;
}

}  // namespace tallix
