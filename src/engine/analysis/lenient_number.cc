#include "engine/analysis/lenient_number.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <string>

namespace tallix {
namespace {

bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Walks the text with the skipped characters left out.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) { SkipBlanks(); }
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void Advance() {
    ++pos_;
    SkipBlanks();
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
  }
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

double ReadLenientNumber(std::string_view text) {
  Cursor in(text);
  // The number is rebuilt without blanks in the form from_chars reads; it has
  // no locale, so a decimal comma in the user's locale cannot change it.
  std::string number;
  bool negative = false;
  if (in.Peek() == '+' || in.Peek() == '-') {
    negative = in.Peek() == '-';
    in.Advance();
  }
  // Appends the digits at the cursor to `out`; true when there was one.
  auto take_digits = [&in](std::string& out) {
    bool any = false;
    for (; IsDigit(in.Peek()); in.Advance()) {
      out += in.Peek();
      any = true;
    }
    return any;
  };
  bool has_digits = take_digits(number);
  if (in.Peek() == '.') {
    number += '.';
    in.Advance();
    has_digits = take_digits(number) || has_digits;
  }
  if (!has_digits) return 0.0;
  const char e = in.Peek();
  if (e == 'e' || e == 'E' || e == 'd' || e == 'D') {
    // An exponent counts only when digits follow its optional sign.
    std::string exponent = "e";
    in.Advance();
    if (in.Peek() == '+' || in.Peek() == '-') {
      exponent += in.Peek();
      in.Advance();
    }
    if (take_digits(exponent)) number += exponent;
  }
  double value = 0.0;
  const char* first = number.data();
  const char* last = first + number.size();
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a double; from_chars leaves `value` alone,
    // strtod in the C locale says which: an infinity or (nearly) zero.
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
    value = strtod_l(number.c_str(), nullptr, c_locale);
  } else if (ec != std::errc() || ptr != last) {
    value = 0.0;
  }
  return negative ? -value : value;
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction > 0.5) return floor + 1.0;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::optional<int64_t> ReadRoundedNumber(std::string_view text, int64_t min, int64_t max) {
  // A whole number of up to 15 digits (exact as a double) that nothing
  // continues, the form the router writes durations in, is read without
  // building a text for from_chars: the tally reads one a line.
  size_t i = 0;
  while (i < text.size() && IsSkipped(text[i])) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (negative || text[i] == '+')) ++i;
  int64_t whole = 0;
  int digits = 0;
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      if (++digits > 15) break;
      whole = whole * 10 + (text[i] - '0');
    } else if (!IsSkipped(text[i])) {
      break;
    }
  }
  const char next = i < text.size() ? static_cast<char>(text[i] | 0x20) : ' ';
  if (digits > 0 && digits <= 15 && next != '.' && next != 'e' && next != 'd') {
    if (negative) whole = -whole;
    if (whole < min || whole > max) return std::nullopt;
    return whole;
  }
  const double rounded = RoundHalfEven(ReadLenientNumber(text));
  // 2^63 compares equal to INT64_MAX as a double but does not fit.
  if (!(rounded >= static_cast<double>(min) && rounded <= static_cast<double>(max)) ||
      rounded >= 0x1p63) {
    return std::nullopt;
  }
  return static_cast<int64_t>(rounded);
}

}  // namespace tallix
