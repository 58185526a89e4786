#pragma once
// Generates router logs for benchmarks: syslog lines from several hosts with
// a given number of call-end lines of the router spread evenly among them.

#include <cstdint>
#include <string>
#include <vector>

namespace tallix::bench {

struct LogSpec {
  uint64_t size_bytes = 100u * 1000 * 1000;  // about this many bytes
  int kept_lines = 40001;                    // call-end lines of "isdnrouter"
  uint32_t seed = 1;
};

// The ten site numbers the generated calls go to. Site 0 takes 10001 calls
// when there are enough kept lines; the rest share the remainder.
std::vector<std::string> BenchSiteNumbers();

// The log text, LF line ends.
std::string GenerateLog(const LogSpec& spec);

}  // namespace tallix::bench
