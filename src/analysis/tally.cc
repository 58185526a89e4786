#include "analysis/tally.h"

#include <cstdint>
#include <limits>

#include "analysis/duration.h"
#include "analysis/lenient_number.h"
#include "app/text_search.h"

namespace tallix {
namespace {

constexpr size_t kStampLength = 15;
constexpr size_t kNumberLength = 11;
constexpr size_t kDurationLength = 10;

// Like the 1-based Mid(line, start, length): empty when start lies past the end.
std::string_view Mid(std::string_view line, size_t start, size_t length) {
  if (start > line.size()) return {};
  return line.substr(start - 1, length);
}

// The 1-based position of `keyword`, or 0 when absent.
size_t KeywordPosition(std::string_view line, std::string_view keyword) {
  const size_t offset = FindNoCase(line, keyword);
  return offset == std::string_view::npos ? 0 : offset + 1;
}

bool FitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

}  // namespace

CallFields ReadCallFields(std::string_view line) {
  CallFields fields;
  fields.stamp = line.substr(0, kStampLength);
  fields.number = Mid(line, KeywordPosition(line, "from") + 5, kNumberLength);
  const std::string_view duration = Mid(line, KeywordPosition(line, "lasted") + 7, kDurationLength);
  // Ten characters hold at most ten digits, but an exponent reaches any size.
  const auto seconds = ReadRoundedNumber(duration, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max());
  fields.seconds_fit = seconds.has_value();
  fields.seconds = seconds.value_or(0);
  return fields;
}

std::string SelectionCaption(std::string_view selection) {
  if (selection == kAllDataSelection) return "All Data";
  return "Free Date Search : '" + std::string(selection) + "'";
}

TallyResult TallyCalls(TallixData& data, std::string_view selection) {
  TallyResult result;
  const int sites = SitesInUse(data);
  const int lines = LinesInUse(data);
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    data.SiteCallCounts[s] = 0;
    data.SiteSeconds[s] = 0;
  }
  bool site_full_reported[TallixData::kSiteEntries] = {};

  for (int r = 0; r < lines; ++r) {
    const std::string_view line = data.LogLines[static_cast<size_t>(r)];
    const CallFields call = ReadCallFields(line);
    if (!ContainsNoCase(call.stamp, selection)) continue;
    bool duration_reported = false;
    for (int s = 0; s < sites; ++s) {
      const auto site = static_cast<size_t>(s);
      if (call.number != data.SiteNumbers[site]) continue;
      const int16_t k = data.SiteCallCounts[site];
      if (k >= TallixData::kMaxCallsPerSite) {
        if (!site_full_reported[site]) {
          site_full_reported[site] = true;
          result.warnings.push_back("site '" + data.SiteNames[site] + "' has more than " +
                                    std::to_string(TallixData::kMaxCallsPerSite) +
                                    " calls; only the first " +
                                    std::to_string(TallixData::kMaxCallsPerSite) +
                                    " are counted");
        }
        continue;
      }
      int64_t seconds = call.seconds;
      if (!call.seconds_fit && !duration_reported) {
        duration_reported = true;
        result.warnings.push_back("kept line " + std::to_string(r + 1) + " ('" +
                                  std::string(call.stamp) +
                                  "'): the duration does not fit 32 bits; the call counts 0 seconds");
      } else if (call.seconds_fit && !FitsInt32(data.SiteSeconds[site] + seconds)) {
        result.warnings.push_back("kept line " + std::to_string(r + 1) + " ('" +
                                  std::string(call.stamp) + "'): the total of site '" +
                                  data.SiteNames[site] +
                                  "' would not fit 32 bits; the call counts 0 seconds");
        seconds = 0;
      }
      data.CallStamps(k, s).assign(call.stamp);
      data.CallSeconds(k, s) = static_cast<int32_t>(seconds);
      data.SiteSeconds[site] = static_cast<int32_t>(data.SiteSeconds[site] + seconds);
      data.SiteCallCounts[site] = static_cast<int16_t>(k + 1);
    }
  }

  result.rows.reserve(static_cast<size_t>(sites));
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    result.rows.push_back(
        {std::to_string(data.SiteCallCounts[s]), FormatDuration(data.SiteSeconds[s])});
  }
  result.caption = SelectionCaption(selection);
  return result;
}

}  // namespace tallix
