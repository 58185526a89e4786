#pragma once
// Text of any bytes made into valid UTF-8 without losing anything: every
// well-formed UTF-8 sequence is kept as it stands, and every other byte
// becomes the character with the same code (0x80..0xFF as U+0080..U+00FF,
// as ISO 8859-1 reads it). For output formats that must be UTF-8.

#include <string>
#include <string_view>

namespace tallix {

// The length of the well-formed UTF-8 sequence at the start of `bytes`
// (Unicode's table of well-formed byte sequences: no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0 when there is none. `bytes` is
// not empty.
size_t Utf8SequenceLength(std::string_view bytes);

// Appends `bytes` to `out`, made valid UTF-8 as above.
void AppendLenientUtf8(std::string& out, std::string_view bytes);

// The characters `text` takes in a fixed-column table: its code points when it
// is well-formed UTF-8, otherwise its bytes, one character each.
size_t TextWidth(std::string_view text);

}  // namespace tallix
