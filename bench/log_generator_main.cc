// tallix-loggen: writes a generated router log for benchmarks.
//   tallix-loggen [--size BYTES] [--kept N] [--seed S] OUTPUT
// BYTES takes a decimal suffix K, M or G (1G = 1000000000 bytes).

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "log_generator.h"

namespace {

bool ParseCount(std::string_view text, uint64_t& value) {
  uint64_t scale = 1;
  if (!text.empty()) {
    switch (text.back()) {
      case 'K':
      case 'k':
        scale = 1000;
        break;
      case 'M':
      case 'm':
        scale = 1000 * 1000;
        break;
      case 'G':
      case 'g':
        scale = 1000 * 1000 * 1000;
        break;
      default:
        break;
    }
    if (scale != 1) text.remove_suffix(1);
  }
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return false;
  value *= scale;
  return true;
}

int Usage() {
  std::fputs("usage: tallix-loggen [--size BYTES] [--kept N] [--seed S] OUTPUT\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  tallix::bench::LogShape shape;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    uint64_t value = 0;
    if ((arg == "--size" || arg == "--kept" || arg == "--seed") && i + 1 < argc) {
      if (!ParseCount(argv[++i], value)) return Usage();
      if (arg == "--size") shape.size_bytes = value;
      if (arg == "--kept") shape.kept_lines = static_cast<int>(value);
      if (arg == "--seed") shape.seed = static_cast<uint32_t>(value);
    } else if (output.empty() && !arg.starts_with("--")) {
      output = arg;
    } else {
      return Usage();
    }
  }
  if (output.empty()) return Usage();
  std::FILE* file = std::fopen(output.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "tallix-loggen: cannot write '%s': %s\n", output.c_str(),
                 std::strerror(errno));
    return 1;
  }
  bool ok = true;
  tallix::bench::GenerateLog(shape, [&](std::string_view piece) {
    ok = ok && std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
  });
  ok = std::fclose(file) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "tallix-loggen: cannot write '%s'\n", output.c_str());
    return 1;
  }
  return 0;
}
