#include "engine/log/reference_loader.h"

#include "engine/log/line_keeper.h"
#include "engine/log/log_scan.h"

namespace tallix {

LoadResult LoadLogText(TallixData& data, std::string_view text, const std::string& path) {
  LoadResult result;
  if (text.size() > kMaxLogFileSize) {
    return {false, "log file: cannot read '" + path + "': it is larger than 2147483647 bytes", {}};
  }
  data.LogFilePath = path;
  data.LogFileSize = static_cast<int32_t>(text.size());
  data.LineCount = 0;
  data.DateCount = 0;
  data.LogLines.Clear();
  LineKeeper keeper(data);
  ForEachKeptLine(text, KeptLineFinders(data.RouterIdentifier),
                  [&](std::string_view line) { keeper.Keep(line); });
  keeper.ListDays();
  keeper.AddWarnings(result.warnings);
  return result;
}

}  // namespace tallix
