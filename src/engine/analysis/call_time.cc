#include "engine/analysis/call_time.h"

#include <algorithm>
#include <initializer_list>

namespace tallix {
namespace {

using std::chrono::day;
using std::chrono::days;
using std::chrono::hours;
using std::chrono::local_days;
using std::chrono::minutes;
using std::chrono::month;
using std::chrono::seconds;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr std::string_view kMonthNames = "JanFebMarAprMayJunJulAugSepOctNovDec";
constexpr std::array<uint8_t, 12> kLongestMonth = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Two decimal digits at `at`, or -1: a stamp's fields have a fixed width, no
// sign and no blanks, unlike the numbers lenient_number.h reads.
int TwoDigits(std::string_view text, size_t at) {
  if (at + 2 > text.size() || !IsDigit(text[at]) || !IsDigit(text[at + 1])) return -1;
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// The month that a three-letter English abbreviation names, any letter case,
// or 0.
int MonthOfName(std::string_view name) {
  for (size_t m = 0; m < 12; ++m) {
    const char* known = kMonthNames.data() + 3 * m;
    if ((name[0] | 0x20) == (known[0] | 0x20) && (name[1] | 0x20) == known[1] &&
        (name[2] | 0x20) == known[2]) {
      return static_cast<int>(m) + 1;
    }
  }
  return 0;
}

// "hh:mm:ss" at `at` into `stamp`; false when it is not one.
bool ReadClock(std::string_view text, size_t at, LineStamp& stamp) {
  if (at + 8 > text.size() || text[at + 2] != ':' || text[at + 5] != ':') return false;
  const int h = TwoDigits(text, at);
  const int m = TwoDigits(text, at + 3);
  const int s = TwoDigits(text, at + 6);
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 60) return false;
  stamp.hour = static_cast<uint8_t>(h);
  stamp.minute = static_cast<uint8_t>(m);
  stamp.second = static_cast<uint8_t>(s);
  return true;
}

bool ReadTraditional(std::string_view line, LineStamp& stamp) {
  if (line.size() < 15 || line[3] != ' ' || line[6] != ' ') return false;
  const int m = MonthOfName(line);
  if (m == 0) return false;
  int d = -1;
  if (line[4] == ' ' && IsDigit(line[5])) {
    d = line[5] - '0';
  } else {
    d = TwoDigits(line, 4);
  }
  if (d < 1 || d > kLongestMonth[static_cast<size_t>(m - 1)]) return false;
  if (!ReadClock(line, 7, stamp)) return false;
  stamp.month = static_cast<uint8_t>(m);
  stamp.day = static_cast<uint8_t>(d);
  stamp.form = StampForm::kTraditional;
  stamp.length = 15;
  return true;
}

bool ReadRfc3339(std::string_view line, LineStamp& stamp) {
  if (line.size() < 20 || line[4] != '-' || line[7] != '-') return false;
  const int century = TwoDigits(line, 0);
  const int in_century = TwoDigits(line, 2);
  const int m = TwoDigits(line, 5);
  const int d = TwoDigits(line, 8);
  if (century < 0 || in_century < 0 || m < 1 || m > 12 || d < 1) return false;
  const int y = century * 100 + in_century;
  if (y < kFirstYear) return false;
  const year_month_day date{year{y}, month{static_cast<unsigned>(m)},
                            day{static_cast<unsigned>(d)}};
  if (!date.ok()) return false;
  const char between = line[10];
  if (between != 'T' && between != 't' && between != ' ') return false;
  if (!ReadClock(line, 11, stamp)) return false;
  size_t at = 19;
  if (line[at] == '.') {
    const size_t digits = at + 1;
    at = digits;
    while (at < line.size() && IsDigit(line[at])) ++at;
    if (at == digits) return false;
  }
  if (at >= line.size()) return false;
  int offset = 0;
  char sign = '+';
  if (line[at] == 'Z' || line[at] == 'z') {
    ++at;
  } else if (line[at] == '+' || line[at] == '-') {
    sign = line[at];
    const int oh = TwoDigits(line, at + 1);
    size_t minutes_at = at + 3;
    if (minutes_at < line.size() && line[minutes_at] == ':') ++minutes_at;
    const int om = TwoDigits(line, minutes_at);
    if (oh < 0 || oh > 23 || om < 0 || om > 59) return false;
    offset = oh * 60 + om;
    at = minutes_at + 2;
  } else {
    return false;
  }
  if (at >= line.size() || line[at] != ' ') return false;
  stamp.year = static_cast<int16_t>(y);
  stamp.month = static_cast<uint8_t>(m);
  stamp.day = static_cast<uint8_t>(d);
  stamp.offset_sign = sign;
  stamp.offset_minutes = static_cast<uint16_t>(offset);
  stamp.form = StampForm::kRfc3339;
  stamp.length = static_cast<uint32_t>(at);
  return true;
}

// The time of `stamp` in year `y`, or none when that date does not exist.
CallTime TimeInYear(const LineStamp& stamp, int y) {
  CallTime time;
  if (y < kFirstYear || y > kLastYear) return time;
  const year_month_day date{year{y}, month{stamp.month}, day{stamp.day}};
  if (!date.ok()) return time;
  const int second = stamp.second == 60 ? 59 : stamp.second;
  time.wall = local_days{date} + hours{stamp.hour} + minutes{stamp.minute} + seconds{second};
  time.has_time = true;
  return time;
}

// Compares month, day and time of day, the year left out.
uint32_t WithinYear(const LineStamp& stamp) {
  return ((((stamp.month * 32u) + stamp.day) * 24u + stamp.hour) * 60u + stamp.minute) * 61u +
         stamp.second;
}

// `n` in `width` digits, zero-padded, at `out`; returns the end. Times are
// written into a buffer this way, to reach their text in one append.
char* PutDigits(char* out, unsigned n, int width) {
  for (int i = width - 1; i >= 0; --i, n /= 10) out[i] = static_cast<char>('0' + n % 10);
  return out + width;
}

// Two-digit parts joined by colons: "hh:mm:ss", or "hh:mm" for an offset.
char* PutClock(char* out, std::initializer_list<unsigned> parts) {
  for (const unsigned& part : parts) {
    if (&part != parts.begin()) *out++ = ':';
    out = PutDigits(out, part, 2);
  }
  return out;
}

// "YYYY-MM-DD". Dates here lie in years 1 to 10000 (the week of 9999-12-31
// ends in 10000).
char* PutDate(char* out, year_month_day date) {
  const auto y = static_cast<unsigned>(std::max(static_cast<int>(date.year()), 0));
  out = PutDigits(out, y, y >= 10000 ? 5 : 4);
  *out++ = '-';
  out = PutDigits(out, static_cast<unsigned>(date.month()), 2);
  *out++ = '-';
  return PutDigits(out, static_cast<unsigned>(date.day()), 2);
}

// Calls visit(i, shift) for each traditional stamp i, in order, with its
// year less the first one's.
template <typename Visit>
void WalkYears(std::span<const LineStamp> stamps, Visit visit) {
  int32_t shift = 0;
  int previous_month = 0;
  for (size_t i = 0; i < stamps.size(); ++i) {
    const LineStamp& stamp = stamps[i];
    if (stamp.form != StampForm::kTraditional) continue;
    if (previous_month != 0) {
      const int step = stamp.month - previous_month;
      if (step <= -6) ++shift;
      if (step >= 6) --shift;
    }
    previous_month = stamp.month;
    visit(i, shift);
  }
}

}  // namespace

LineStamp ReadLineStamp(std::string_view line) {
  LineStamp stamp;
  line = line.substr(0, kLongestStampBytes);
  if (ReadTraditional(line, stamp) || ReadRfc3339(line, stamp)) return stamp;
  return LineStamp{};
}

std::string_view MonthName(unsigned month) { return kMonthNames.substr((month - 1) * 3, 3); }

void AppendDigits(std::string& out, unsigned n, int width) {
  char digits[10];
  out += std::string_view(digits, PutDigits(digits, n, width));
}

std::array<char, 15> TraditionalStamp(const LineStamp& stamp) {
  std::array<char, 15> text;
  char* at = std::copy_n(MonthName(stamp.month).begin(), 3, text.begin());
  *at++ = ' ';
  at = PutDigits(at, stamp.day, 2);
  if (text[4] == '0') text[4] = ' ';
  *at++ = ' ';
  PutClock(at, {stamp.hour, stamp.minute, stamp.second});
  return text;
}

std::vector<CallTime> LineTimes(std::span<const LineStamp> stamps, const YearRule& rule) {
  const LineStamp* last = nullptr;
  int32_t last_shift = 0;
  WalkYears(stamps, [&](size_t i, int32_t shift) {
    last = &stamps[i];
    last_shift = shift;
  });
  // The first traditional stamp's year, from --year or from the last one.
  int64_t first_year = 0;
  if (rule.first_year) {
    first_year = *rule.first_year;
  } else if (last != nullptr) {
    const local_days reference_day = std::chrono::floor<days>(rule.reference);
    const year_month_day reference_date{reference_day};
    const std::chrono::hh_mm_ss clock{rule.reference - reference_day};
    LineStamp reference;
    reference.month = static_cast<uint8_t>(static_cast<unsigned>(reference_date.month()));
    reference.day = static_cast<uint8_t>(static_cast<unsigned>(reference_date.day()));
    reference.hour = static_cast<uint8_t>(clock.hours().count());
    reference.minute = static_cast<uint8_t>(clock.minutes().count());
    reference.second = static_cast<uint8_t>(clock.seconds().count());
    int64_t last_year = static_cast<int>(reference_date.year());
    if (WithinYear(*last) > WithinYear(reference)) --last_year;
    first_year = last_year - last_shift;
  }
  std::vector<CallTime> times(stamps.size());
  WalkYears(stamps, [&](size_t i, int32_t shift) {
    const int64_t y = first_year + shift;
    if (y >= kFirstYear && y <= kLastYear) times[i] = TimeInYear(stamps[i], static_cast<int>(y));
  });
  for (size_t i = 0; i < stamps.size(); ++i) {
    const LineStamp& stamp = stamps[i];
    if (stamp.form != StampForm::kRfc3339) continue;
    times[i] = TimeInYear(stamp, stamp.year);
    times[i].has_offset = true;
    times[i].offset_sign = stamp.offset_sign;
    times[i].offset_minutes = stamp.offset_minutes;
  }
  return times;
}

void AppendDateText(std::string& out, year_month_day date) {
  char text[16];
  out += std::string_view(text, PutDate(text, date));
}

void AppendTimeText(std::string& out, const CallTime& time) {
  if (!time.has_time) return;
  const local_days date = std::chrono::floor<days>(time.wall);
  const auto clock = static_cast<unsigned>((time.wall - date).count());
  char text[40];
  char* at = PutDate(text, year_month_day{date});
  *at++ = 'T';
  at = PutClock(at, {clock / 3600, clock / 60 % 60, clock % 60});
  if (time.has_offset) {
    *at++ = time.offset_sign;
    at = PutClock(at, {time.offset_minutes / 60u, time.offset_minutes % 60u});
  }
  out += std::string_view(text, at);
}

std::string TimeText(const CallTime& time) {
  std::string text;
  AppendTimeText(text, time);
  return text;
}

}  // namespace tallix
