// tallix-scanbench: the search alone, over a log's blocks as the loader gets
// them, so that its cost can be told from the copy's.
//
//   tallix-scanbench [--runs N] [--identifier NAME] LOG
//
// Each run reads LOG (which should be in the page cache) with pread into one
// reused block of 256 KiB, as the loader does, and times the line scanner over
// each block while it is still in the processor's cache; the reads are timed
// apart. Prints the median over the runs of each, in ms per GB, and the sum
// over the blocks of each block's fastest scan, which a busy machine disturbs
// least. Also counts, once, what the search meets in the text: lines, the
// positions whose first and last bytes pass the call-end word's tests (the
// candidates the filter must look at), the word's matches, and kept lines.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/log/line_scanner.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kBlockBytes = 256u << 10;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// What the filter of `word` meets in `block`: positions whose first and last
// bytes pass, and whole matches. A word cut by the block's end is not
// counted, some hundreds in a GB.
void CountCandidates(std::string_view block, const tallix::NoCaseFinder& word, uint64_t* candidates,
                     uint64_t* matches) {
  using tallix::FoldCase;
  const size_t last = word.size() - 1;
  const char first_byte = FoldCase(word.needle().front()),
             last_byte = FoldCase(word.needle()[last]);
  for (size_t i = 0; i + last < block.size(); ++i) {
    if (FoldCase(block[i]) == first_byte && FoldCase(block[i + last]) == last_byte) {
      ++*candidates;
      if (word.Find(block.substr(i, word.size())) == 0) ++*matches;
    }
  }
}

int Usage() {
  std::fputs("usage: tallix-scanbench [--runs N] [--identifier NAME] LOG\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 9;
  std::string identifier = "isdnrouter";
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--identifier" && i + 1 < argc) {
      identifier = argv[++i];
    } else if (path.empty() && !arg.starts_with("--")) {
      path = arg;
    } else {
      return Usage();
    }
  }
  if (path.empty()) return Usage();
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    std::fprintf(stderr, "tallix-scanbench: cannot read '%s': %s\n", path.c_str(),
                 std::strerror(errno));
    return 1;
  }
  const auto block = std::make_unique_for_overwrite<char[]>(kBlockBytes);
  const tallix::KeptLineFinders finders(identifier);
  std::vector<double> read_runs, scan_runs, fastest;
  uint64_t bytes = 0, lines = 0, candidates = 0, matches = 0, kept = 0;
  for (int run = 0; run <= runs; ++run) {  // run 0 counts and warms up, untimed
    tallix::KeptLines found;
    tallix::LineScanner scanner(finders, found);
    double read_seconds = 0, scan_seconds = 0;
    size_t index = 0;
    for (off_t offset = 0;; offset += static_cast<off_t>(kBlockBytes), ++index) {
      const auto start = Clock::now();
      const ssize_t got = ::pread(fd, block.get(), kBlockBytes, offset);
      const auto read = Clock::now();
      if (got <= 0) break;
      const std::string_view text(block.get(), static_cast<size_t>(got));
      scanner.Feed(text);
      const double scan = std::chrono::duration<double>(Clock::now() - read).count();
      read_seconds += std::chrono::duration<double>(read - start).count();
      scan_seconds += scan;
      if (run == 0) {
        bytes += text.size();
        CountCandidates(text, finders.call_end, &candidates, &matches);
        fastest.push_back(std::numeric_limits<double>::infinity());
      } else {
        fastest[index] = std::min(fastest[index], scan);
      }
    }
    scanner.Finish();
    if (run == 0) {
      lines = found.text_lines;
      kept = found.found;
      continue;
    }
    read_runs.push_back(read_seconds);
    scan_runs.push_back(scan_seconds);
  }
  ::close(fd);
  const double gb = static_cast<double>(std::max<uint64_t>(bytes, 1)) / 1e9;
  double best = 0;
  for (const double seconds : fastest) best += seconds;
  std::printf("%s: %llu bytes, %llu lines, %llu kept\n", path.c_str(),
              static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(lines),
              static_cast<unsigned long long>(kept));
  std::printf("'%.*s' per GB: %.0f candidates (first and last byte), %.0f matches\n",
              static_cast<int>(finders.call_end.size()), finders.call_end.needle().data(),
              static_cast<double>(candidates) / gb, static_cast<double>(matches) / gb);
  std::printf("search: %.1f ms/GB, median of %d runs (each block's fastest: %.1f); pread: %.1f\n",
              Median(scan_runs) * 1e3 / gb, runs, best * 1e3 / gb, Median(read_runs) * 1e3 / gb);
  return 0;
}
