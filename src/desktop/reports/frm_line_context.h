#pragma once
// A kept line in its context: the line, marked, with up to five lines before
// and after it, read again from its file (plain or compressed) at the line's
// number. The line read there is compared with the one that was counted, as
// the loader keeps it: a file only appended to shows every line, while one
// whose line is no longer there (truncated, rotated, rewritten) shows a
// sentence that says so instead of lines that may be other ones. Long lines
// are not wrapped: the box scrolls sideways.

#include <QDialog>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallix {

// Lines [first, first + lines.size()) of a file's text.
struct LineContext {
  struct Line {
    std::string text;  // cut to kContextLineBytes
    bool cut = false;  // the line is longer
  };
  std::string error;  // set when the file could not be read
  uint64_t first = 0;
  std::vector<Line> lines;
  // The line asked for, cut to kMarkedLineBytes: enough to compare it with
  // the line kept from it.
  std::string marked;
};
inline constexpr int kContextLines = 5;
inline constexpr size_t kContextLineBytes = 64 * 1024;
inline constexpr size_t kMarkedLineBytes = 1024 * 1024;

// Lines `line` - `around` to `line` + `around` (1-based, as far as they
// exist) of the text of the file at `path`, decompressed when it is stored
// compressed. Reads no further than the last of them.

class FormLineContext : public QDialog {
 public:
  // Shows line `line` of `path` (the log's kept line `kept`), or why it
  // cannot be shown.
  FormLineContext(const std::string& path, uint64_t line, std::string_view kept,
                  QWidget* parent = nullptr);
};

}  // namespace tallix
