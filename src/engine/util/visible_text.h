#pragma once
// Text for a message that reaches a terminal or a message box: log text and
// file names may hold control characters, and written raw an escape sequence
// could move the cursor, clear the screen or retitle the window. Every control
// character but TAB is written as a visible escape ("\x1B"): the C0 bytes and
// DEL, and the C1 controls both as UTF-8 (C2 80..C2 9F, written "\xC2\x9B")
// and as lone bytes 0x80..0x9F outside any UTF-8 sequence, which a terminal
// reading ISO 8859-1 obeys. Everything else is kept as it stands.

#include <string>
#include <string_view>

namespace tallix {

std::string VisibleText(std::string_view text);

}  // namespace tallix
