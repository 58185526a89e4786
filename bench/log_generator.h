#pragma once
// Generates router logs for benchmarks: syslog lines from several hosts and
// programs, some writing "Disconnected", with a given number of call-end
// lines of the router spread evenly among them; the router's name is on
// about 3% of the lines.
// The same shape always gives the same bytes.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tallix::bench {

struct LogShape {
  uint64_t size_bytes = 100u * 1000 * 1000;  // about this many bytes
  int kept_lines = 40001;                    // call-end lines of "isdnrouter"
  uint32_t seed = 1;
};

// The ten site numbers the generated calls go to. Site 0 takes 10001 calls
// when there are enough kept lines; the rest share the remainder.
std::vector<std::string> BenchSiteNumbers();

// Hands the log text, LF line ends, to `sink` in pieces of about a megabyte,
// so that logs larger than memory can be written.
void GenerateLog(const LogShape& shape, const std::function<void(std::string_view)>& sink);

// The whole log text at once.
std::string GenerateLog(const LogShape& shape);

}  // namespace tallix::bench
