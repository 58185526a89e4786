#pragma once
// The one lenient reading of numbers that the configuration reader and the
// tally share: the number a text begins with, blanks ignored, rounded to a
// whole number with an exact half going to the even neighbour.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tallix {

// Reads the number that `text` begins with. Blanks, tabs and line feeds are
// skipped wherever they stand; then come an optional sign, decimal digits,
// optionally "." and more digits, and optionally an exponent (E or D, either
// case, an optional sign, digits). Reading stops at the first character that
// cannot continue the number. A text that does not begin with a number reads
// as 0. A number too large for a double reads as an infinity of its sign.
double ReadLenientNumber(std::string_view text);

// Rounds to the nearest whole number; an exact half goes to the even
// neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). NaN and infinities pass through.
double RoundHalfEven(double value);

// The rounded number of `text` if it lies in [min, max]; nullopt otherwise.
std::optional<int64_t> ReadRoundedNumber(std::string_view text, int64_t min, int64_t max);

}  // namespace tallix
