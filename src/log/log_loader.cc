#include "log/log_loader.h"

#include <cstring>

#include "app/text_file.h"
#include "app/text_search.h"

namespace tallix {
namespace {

constexpr std::string_view kCallEndWord = "disconnected";
constexpr size_t kDayLength = 6;
constexpr size_t kMinuteLength = 12;

// Keeps one line: appends it to LogLines and extends the day runs.
class LineKeeper {
 public:
  explicit LineKeeper(TallixData& data) : data_(data) {}

  void Keep(std::string_view line) {
    if (data_.LineCount >= TallixData::kLogLineEntries) {
      ++dropped_lines_;
      return;
    }
    data_.LogLines[static_cast<size_t>(data_.LineCount)].assign(line);
    ++data_.LineCount;
    // Runs are told apart by the previous kept line's day, so that runs past
    // a full list are counted as runs, not as lines.
    const std::string_view day = line.substr(0, kDayLength);
    if (data_.LineCount > 1 && day == previous_day_) return;
    previous_day_.assign(day);
    if (data_.DateCount >= TallixData::kLogDateEntries) {
      ++dropped_days_;
      return;
    }
    data_.LogDates[static_cast<size_t>(data_.DateCount)].assign(day);
    ++data_.DateCount;
  }

  void AddWarnings(std::vector<std::string>& warnings) const {
    if (dropped_lines_ > 0) {
      warnings.push_back("the log holds " + std::to_string(dropped_lines_) +
                         " more call-end lines than the " +
                         std::to_string(TallixData::kLogLineEntries) +
                         " that can be kept; they were not loaded");
    }
    if (dropped_days_ > 0) {
      warnings.push_back("the day list is full at " +
                         std::to_string(TallixData::kLogDateEntries) + " entries; " +
                         std::to_string(dropped_days_) +
                         " later day runs are not listed, but their calls are counted");
    }
  }

 private:
  TallixData& data_;
  uint64_t dropped_lines_ = 0;
  uint64_t dropped_days_ = 0;
  std::string previous_day_;
};

}  // namespace

bool IsKeptLine(std::string_view line, std::string_view identifier) {
  return ContainsNoCase(line, kCallEndWord) && ContainsNoCase(line, identifier);
}

LoadResult LoadLog(TallixData& data, const std::string& path) {
  std::string text;
  const FileResult read = ReadWholeFile(path, kMaxLogFileSize, text);
  if (!read.ok) return {false, "log file: " + read.error, {}};
  return LoadLogText(data, text, path);
}

LoadResult LoadLogText(TallixData& data, std::string_view text, const std::string& path) {
  LoadResult result;
  if (text.size() > kMaxLogFileSize) {
    return {false, "log file: cannot read '" + path + "': it is larger than 2147483647 bytes", {}};
  }
  data.LogFilePath = path;
  data.LogFileSize = static_cast<int32_t>(text.size());
  data.LineCount = 0;
  data.DateCount = 0;
  LineKeeper keeper(data);
  // Only lines that hold the call-end word can be kept, so look for the word
  // and cut out just the line around each hit.
  size_t from = 0;
  while (from < text.size()) {
    const size_t hit = FindNoCase(text.substr(from), kCallEndWord);
    if (hit == std::string_view::npos) break;
    const size_t at = from + hit;
    const size_t previous_lf = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
    const size_t start = previous_lf == std::string_view::npos ? 0 : previous_lf + 1;
    const size_t lf = text.find('\n', at);
    const size_t end = lf == std::string_view::npos ? text.size() : lf;
    const std::string_view line = text.substr(start, end - start);
    if (ContainsNoCase(line, data.RouterIdentifier)) keeper.Keep(line);
    from = end + 1;
  }
  keeper.AddWarnings(result.warnings);
  return result;
}

LogPanel LogPanelTexts(const TallixData& data) {
  LogPanel panel;
  const int lines = LinesInUse(data);
  if (lines > 0) {
    panel.LogStart = data.LogLines[0].substr(0, kMinuteLength);
    panel.LogEnd = data.LogLines[static_cast<size_t>(lines - 1)].substr(0, kMinuteLength);
  }
  panel.LogRecords = " " + std::to_string(data.LineCount);
  return panel;
}

std::vector<std::string> DayList(const TallixData& data) {
  const int count = std::min<int>(std::max<int>(data.DateCount, 0), TallixData::kLogDateEntries);
  return {data.LogDates.begin(), data.LogDates.begin() + count};
}

}  // namespace tallix
