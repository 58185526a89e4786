#include "app/shared_data.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace tallix {

namespace internal {

void* AllocateTableMemory(size_t bytes) {
  constexpr size_t kHugePage = size_t{2} << 20;
  if (bytes >= kHugePage) {
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (void* memory = std::aligned_alloc(kHugePage, rounded)) {
#ifdef MADV_HUGEPAGE
      ::madvise(memory, rounded, MADV_HUGEPAGE);  // only a hint: without it, small pages
#endif
      return memory;
    }
  }
  if (void* memory = std::malloc(bytes)) return memory;
  throw std::bad_alloc();
}

void FreeTableMemory(void* memory) { std::free(memory); }

}  // namespace internal

TallixData::TallixData() : LogLines(kLogLineEntries), LogDates(kLogDateEntries) {}

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
