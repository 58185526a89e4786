#pragma once
// Writing an output: the configuration file, the saved report, an export and
// the command's output, each replaced whole.

#include <string>
#include <string_view>

#include "engine/util/status.h"

namespace tallix {

// Writes `contents` as the whole of the file at `path`. An ordinary file (or a
// new one) is replaced atomically: the bytes go to a temporary file beside it,
// which is renamed over the target only once everything was written, so a
// failed write leaves the old file as it was and no partial file behind. The
// new file keeps the old one's owner, group and permissions as far as the
// process may set them; a hard link's other names keep the old bytes. A link
// is followed as the shell's ">" follows it: its target is written and the
// link kept, and a dangling link creates its target. An existing file that is
// not an ordinary file (a device such as /dev/stdout) is written in place. A
// directory, and an existing file that the user may not write, are refused.
// The error names `path` and the reason: "cannot write '<path>': <reason>".
Status WriteWholeFile(const std::string& path, std::string_view contents);

}  // namespace tallix
