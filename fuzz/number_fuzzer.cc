// Fuzz target: the lenient number reader against a plain reading of the same
// text (blanks dropped, the number cut out by hand, strtod in the C locale),
// and the half-to-even rounding against the FPU's round-to-nearest-even.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/analysis/lenient_number.h"
#include "engine/config/config_file.h"
#include "fuzz_check.h"

namespace tallix::fuzz {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

double PlainReading(std::string_view text) {
  // Blanks may stand anywhere: leave them out.
  std::string s;
  for (const char c : text) {
    if (!IsBlank(c)) s += c;
  }
  std::string number;
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) number += s[i++];
  size_t digits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) number += s[i];
  if (i < s.size() && s[i] == '.') {
    number += s[i++];
    for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) number += s[i];
  }
  if (digits == 0) return 0.0;
  if (i < s.size() && std::string_view("eEdD").find(s[i]) != std::string_view::npos) {
    std::string exponent = "e";
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    const size_t first_digit = j;
    for (; j < s.size() && IsDigit(s[j]); ++j) exponent += s[j];
    if (j > first_digit) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

bool SameNumber(double engine, double plain) {
  if (engine == plain) return true;
  // Below the normal range the two readers may round a subnormal differently
  // or flush it to zero; both are "zero" for every user of the value.
  return std::fabs(engine) < DBL_MIN && std::fabs(plain) < DBL_MIN &&
         std::signbit(engine) == std::signbit(plain);
}

std::string Show(std::string_view text) {
  std::string out = "text \"";
  for (const char c : text.substr(0, 200)) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void CheckText(std::string_view text) {
  const double engine = ReadLenientNumber(text);
  const double plain = PlainReading(text);
  Require(!std::isnan(engine), "the reader gave NaN", Show(text));
  Require(SameNumber(engine, plain), "the reader and the plain reading differ",
          Show(text) + " engine " + std::to_string(engine) + " plain " + std::to_string(plain));

  const double rounded = RoundHalfEven(engine);
  if (std::isfinite(engine)) {
    Require(rounded == std::nearbyint(engine), "half-to-even rounding differs from the FPU's",
            Show(text));
  } else {
    Require(rounded == engine, "an infinity did not pass through", Show(text));
  }

  // The ranged reading the tally and the site index use.
  const auto ranged = ReadRoundedNumber(text, -1000, 1000);
  const bool in_range = rounded >= -1000.0 && rounded <= 1000.0;
  Require(ranged.has_value() == in_range, "ranged reading disagrees about the range", Show(text));
  if (ranged) Require(static_cast<double>(*ranged) == rounded, "ranged reading value", Show(text));

  // The Options dialog's strict site count: the plain form between blanks.
  const auto count = ParseSiteCountText(text);
  const size_t first = text.find_first_not_of(" \t");
  const std::string_view core = first == std::string_view::npos
                                    ? std::string_view()
                                    : text.substr(first, text.find_last_not_of(" \t") - first + 1);
  const size_t sign = !core.empty() && (core[0] == '+' || core[0] == '-') ? 1 : 0;
  const std::string_view body = core.substr(sign);
  const bool plain_form = body.find_first_not_of("0123456789.") == std::string_view::npos &&
                          std::count(body.begin(), body.end(), '.') <= 1 &&
                          body.find_first_of("0123456789") != std::string_view::npos;
  const double plain_rounded = plain_form ? RoundHalfEven(ReadLenientNumber(core)) : 0.0;
  const bool count_ok = plain_form && plain_rounded >= 0.0 && plain_rounded <= 10.0;
  Require(count.has_value() == count_ok, "site count text accepted wrongly", Show(text));
  if (count) Require(*count == plain_rounded, "site count value", Show(text));
}

}  // namespace
}  // namespace tallix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string raw(reinterpret_cast<const char*>(bytes), size);
  tallix::fuzz::CheckText(raw);
  // The same bytes brought into the number alphabet, so that long numbers of
  // digits, signs, points, exponents and blanks come up often.
  static constexpr std::string_view kAlphabet = "0123456789+-.eEdD \t\n\rx";
  std::string mapped = raw;
  for (char& c : mapped) {
    if (kAlphabet.find(c) == std::string_view::npos) {
      c = kAlphabet[static_cast<unsigned char>(c) % kAlphabet.size()];
    }
  }
  tallix::fuzz::CheckText(mapped);
  return 0;
}
