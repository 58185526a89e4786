#include "engine/log/stream_scan.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tallix {
namespace {

constexpr size_t kBlockBytes = 1u << 20;

}  // namespace

FileResult ScanLogStream(LogTextReader& reader, const KeptLineFinders& finders, KeptLines& kept) {
  std::vector<char> buffer(kBlockBytes);
  size_t held = 0;  // bytes of an unfinished line at the buffer's start
  for (;;) {
    // A line longer than the buffer makes it grow; the reader's limit ends
    // the growth, as it ends the text.
    if (held == buffer.size()) buffer.resize(buffer.size() * 2);
    size_t got = 0;
    if (FileResult read = reader.Read(buffer.data() + held, buffer.size() - held, &got); !read.ok) {
      return read;
    }
    const std::string_view have(buffer.data(), held + got);
    const bool at_end = got == 0;
    // Scan the complete lines; at the end, the rest too.
    const size_t complete = at_end ? have.size() : have.rfind('\n') + 1;  // npos + 1 == 0
    ForEachKeptLine(have.substr(0, complete), finders,
                    [&](std::string_view line) { kept.Add(line); });
    if (at_end) return {};
    held = have.size() - complete;
    std::memmove(buffer.data(), buffer.data() + complete, held);
  }
}

}  // namespace tallix
