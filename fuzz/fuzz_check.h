#pragma once
// What the fuzz targets share: a check that stops the run with a readable
// reason (libFuzzer then saves the input), and plain reference versions of
// the engine's text searches to compare the engine against.

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tallix::fuzz {

// Stops the run when `ok` is false; libFuzzer records the input as a crash.
inline void Require(bool ok, const char* what, const std::string& detail = {}) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
  std::abort();
}

// An ASCII letter folded to lower case; any other byte as it is.
inline char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The offset of `needle` in `haystack`, letter case ignored, or npos; the
// obvious way, trying every start.
inline size_t PlainFind(std::string_view haystack, std::string_view needle) {
  for (size_t start = 0; start + needle.size() <= haystack.size(); ++start) {
    size_t k = 0;
    while (k < needle.size() && Lower(haystack[start + k]) == Lower(needle[k])) ++k;
    if (k == needle.size()) return start;
  }
  return std::string_view::npos;
}

// A directory of this process's own for the files a target writes; /dev/shm
// when there is one, so that the many small writes stay in memory.
inline const std::string& WorkDir() {
  static const std::string dir = [] {
    std::string pattern =
        access("/dev/shm", W_OK) == 0 ? "/dev/shm/tallix-fuzz-XXXXXX" : "/tmp/tallix-fuzz-XXXXXX";
    Require(mkdtemp(pattern.data()) != nullptr, "cannot make a work directory");
    return pattern;
  }();
  return dir;
}

inline bool PlainContains(std::string_view haystack, std::string_view needle) {
  return PlainFind(haystack, needle) != std::string::npos;
}

}  // namespace tallix::fuzz
