#include "engine/util/usage_message.h"

namespace tallix {

std::string QuotedValue(std::string_view text) {
  size_t chars = 0;
  size_t end = 0;
  // A character starts at every byte that does not continue a UTF-8
  // sequence: the cut never splits one.
  for (; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && ++chars > kQuotedChars) break;
  }
  std::string quoted = "'";
  quoted.append(text.substr(0, end));
  quoted += end < text.size() ? "\u2026'" : "'";
  return quoted;
}

std::string UnknownOption(std::string_view option) {
  return "unknown option " + QuotedValue(option);
}

std::string OptionNeedsValue(std::string_view option) {
  return "option " + QuotedValue(option) + " needs a value";
}

std::string OptionTakesNoValue(std::string_view option) {
  return "option " + QuotedValue(option) + " takes no value";
}

std::string BadOptionValue(std::string_view option, std::string_view value, std::string_view what,
                           std::string_view how) {
  std::string message(option);
  message += ' ';
  message += QuotedValue(value);
  message += " is not ";
  message += what;
  message += ": write ";
  message += how;
  return message;
}

std::string TryHelp(std::string_view program) {
  std::string line = "Try '";
  line += program;
  line += " --help'.";
  return line;
}

}  // namespace tallix
