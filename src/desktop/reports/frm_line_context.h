#pragma once
// A kept line in its context: the line, marked, with up to five lines before
// and after it, read again from its file (plain or compressed) at the line's
// number. A file that is no longer as it was loaded shows a sentence that says
// so instead of lines that may be other ones.

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/util/file_identity.h"

namespace tallix {

// Where a file stood when it was loaded: which file, its size and when it
// was last written. Two stamps differ once the file is replaced or written.
struct FileStamp {
  std::optional<FileIdentity> identity;
  int64_t size = -1;
  int64_t modified_ns = 0;

  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp StampOf(const std::string& path);

// Lines [first, first + lines.size()) of a file's text.
struct LineContext {
  std::string error;  // set when the file could not be read
  uint64_t first = 0;
  std::vector<std::string> lines;  // each cut to kContextLineBytes
};
inline constexpr int kContextLines = 5;
inline constexpr size_t kContextLineBytes = 4096;

// Lines `line` - `around` to `line` + `around` (1-based, as far as they
// exist) of the text of the file at `path`, decompressed when it is stored
// compressed. Reads no further than the last of them.
LineContext ReadLineContext(const std::string& path, uint64_t line, int around);

// True when `read`, a line read again from the file, can be the kept line
// `kept`: equal, or, for a long line that was kept compacted, starting alike.
bool SameKeptLine(std::string_view read, std::string_view kept);

class FormLineContext : public QDialog {
 public:
  // Shows line `line` of `path` (the log's kept line `kept`), or why it
  // cannot be shown: `changed` when the file is not the one loaded.
  FormLineContext(const std::string& path, uint64_t line, std::string_view kept, bool changed,
                  QWidget* parent = nullptr);
};

}  // namespace tallix
