#include "engine/app/shared_data.h"

#include <algorithm>

namespace tallix {

TallixData::TallixData() : LogDates(kLogDateEntries) {}

int SitesInUse(const TallixData& data) {
  return std::clamp<int>(data.SiteCount, 0, TallixData::kMaxSiteCount);
}

int LinesInUse(const TallixData& data) {
  return std::clamp<int32_t>(data.LineCount, 0, TallixData::kLogLineEntries);
}

int CallsInUse(const TallixData& data, int site) {
  return std::clamp<int>(data.SiteCallCounts[static_cast<size_t>(site)], 0,
                         TallixData::kMaxCallsPerSite);
}

}  // namespace tallix
