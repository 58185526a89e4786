#pragma once
// The log target's plain reference versions of the loader and the tally:
// each is written the obvious way and compared with the engine's values
// after a load or a tally. Stops the run on the first difference.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/analysis/tally.h"
#include "engine/log/log_loader.h"

namespace tallix::fuzz {

// One fuzz input, cut into its parts.

struct Input {
  uint32_t knobs = 0;  // the four header bytes, for the file load's options
  std::string selection;
  std::string identifier;
  int16_t site_count = 0;
  std::string log;
};

// The loaded log against the loader done the obvious way.
void CheckLoad(const Input& in, const LoadResult& result);

// The tally done the obvious way, compared call by call. Returns the number
// of selected calls to numbers no site in use covers.
size_t CheckTally(const LoadedLog& log, const SiteConfig& config, const Input& in,
                  const TallyResult& result);

}  // namespace tallix::fuzz
