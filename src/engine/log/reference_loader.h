#pragma once
// The reference loader: the plain, one-pass version of LoadLog over bytes
// already in memory, with no file, no parts and no threads. It is
// kept as the simple reference that tests, fuzzers and benchmarks compare the
// loader with; it is not a second entry point, and the programs never call it.

#include <string>
#include <string_view>

#include "engine/app/shared_data.h"
#include "engine/log/log_loader.h"

namespace tallix {

// Loads log bytes already in memory, as LoadLog loads a file's bytes. Lines
// end at line feeds; a carriage return before one stays in the line. The text
// after the last line feed is examined like a line; a kept line longer than
// kLongLineBytes is kept as CompactLine makes it. Kept lines beyond
// LogLines' 40001 entries and day runs beyond LogDates' 101 are dropped, each
// with a warning; the lines of dropped day runs are still kept. A text longer
// than kMaxLogFileSize changes nothing and fails.
LoadResult LoadLogText(TallixData& data, std::string_view text, const std::string& path);

}  // namespace tallix
