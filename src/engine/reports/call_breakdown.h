#pragma once
// Views of the last tally that the export reports share: the numbers called
// in the selection that no site in use covers, and the credited calls per day
// and site. Both read the kept lines again with the tally's own rules, so
// they agree with the call tables of a tally over the same selection.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/app/shared_data.h"

namespace tallix {

// A called number that matches no site in use, with its selected calls.
struct UnmatchedNumber {
  std::string number;  // the line's 11-character number field, as it stands
  int64_t calls = 0;
  int64_t seconds = 0;  // a duration beyond 32 bits counts 0, as in the tally
};

// The selected calls of the numbers that no site in use covers, most calls
// first, then by number (byte order).
std::vector<UnmatchedNumber> UnmatchedNumbers(const TallixData& data, std::string_view selection);

// The credited calls of one day (6-character day prefix), one entry per site
// in use.
struct DayCalls {
  std::string day;
  std::vector<int64_t> calls;
  std::vector<int64_t> seconds;
};

// Every day prefix among the credited calls, in log order of the first call
// credited on it. The seconds are those of CallSeconds, so each site's days
// add up to SiteSeconds.
std::vector<DayCalls> CallsPerDay(const TallixData& data, std::string_view selection);

}  // namespace tallix
