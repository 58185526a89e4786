#include "engine/log/reference_loader.h"

#include <algorithm>

#include "engine/log/line_keeper.h"
#include "engine/log/line_scanner.h"

namespace tallix {

LoadResult LoadLogText(TallixData& data, std::string_view text, const std::string& path) {
  LoadResult result;
  if (text.size() > kMaxLogFileSize) {
    return {
        Status::Error("log file: cannot read '" + path + "': it is larger than 2147483647 bytes"),
        {}};
  }
  data.LogFilePath = path;
  data.LogFilePaths.assign(1, path);
  data.LogFileSize = static_cast<int32_t>(text.size());
  data.LineCount = 0;
  data.DateCount = 0;
  data.LogLines.Clear();
  const auto feeds = static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n'));
  data.LogFileLines.assign(1, feeds + (!text.empty() && text.back() != '\n' ? 1 : 0));
  LineKeeper keeper(data);
  size_t counted = 0;
  uint64_t feeds_before = 0;
  ForEachKeptLine(text, KeptLineFinders(data.RouterIdentifier), [&](std::string_view line) {
    const auto begin = static_cast<size_t>(line.data() - text.data());
    feeds_before +=
        static_cast<uint64_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                         text.begin() + static_cast<std::ptrdiff_t>(begin), '\n'));
    counted = begin;
    const LineOrigin origin{0, static_cast<uint32_t>(feeds_before + 1)};
    if (line.size() > kLongLineBytes) {
      keeper.Keep(CompactLine(line), origin);
    } else {
      keeper.Keep(line, origin);
    }
  });
  data.LinesBeyondKept = keeper.dropped_lines();
  keeper.ListDays();
  keeper.AddWarnings(result.warnings);
  return result;
}

}  // namespace tallix
