#pragma once
// The sentences of a usage error, which both programs give alike: one line,
// then the line that points at --help. A value or option the user typed is
// quoted at most kQuotedChars characters long, so a megabyte given by mistake
// is not echoed back whole.

#include <cstddef>
#include <string>
#include <string_view>

namespace tallix {

inline constexpr size_t kQuotedChars = 80;

// 'text', cut after kQuotedChars characters (UTF-8 sequences counted as one,
// any other byte as one) with "…" after the cut.
std::string QuotedValue(std::string_view text);

// "unknown option '--x'"
std::string UnknownOption(std::string_view option);
// "option '--x' needs a value"
std::string OptionNeedsValue(std::string_view option);
// "option '--x' takes no value"
std::string OptionTakesNoValue(std::string_view option);
// "--x 'value' is not <what>: write <how>"
std::string BadOptionValue(std::string_view option, std::string_view value, std::string_view what,
                           std::string_view how);

// "Try 'program --help'."
std::string TryHelp(std::string_view program);

}  // namespace tallix
