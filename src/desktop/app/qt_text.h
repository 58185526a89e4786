#pragma once
// The one crossing between the engine's byte strings and Qt's text. The
// engine keeps every text as the bytes of the files it read; the windows show
// them decoded in the system's 8-bit encoding and hand typed text back
// encoded the same way.

#include <QString>
#include <string>
#include <string_view>

namespace tallix {

QString ToQt(std::string_view bytes);
std::string FromQt(const QString& text);

// ToQt for a message box: control characters of file names and log text
// become visible escapes ("\x1B", VisibleText), TAB kept.
QString ToQtMessage(std::string_view bytes);

}  // namespace tallix
