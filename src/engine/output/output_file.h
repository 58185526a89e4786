#pragma once
// Writing an output: the configuration file, the saved report, an export and
// the command's output, each replaced whole.

#include <functional>
#include <string>
#include <string_view>

#include "engine/output/report_sink.h"
#include "engine/util/status.h"

namespace tallix {

// Asked just before an ordinary file is replaced, with the name the rename
// replaces: a failed Status refuses it, and nothing is replaced. What the
// file leads to may have changed since the output was opened.
using ReplaceCheck = std::function<Status(const std::string& replaced)>;

// Writes what `make` passes to its sink as the whole of the file at `path`,
// as it is made, so that an output of any size takes little memory.
//
// An ordinary file (or a new one) is replaced atomically: the bytes go to a
// temporary file beside it (".tallix-XXXXXX"), which is renamed over the
// target only once everything was written and `check` let it, so a failed
// write leaves the old file as it was and no temporary file behind. The new
// file keeps the old one's owner, group and permissions as far as the process
// may set them; a hard link's other names keep the old bytes. A link is
// followed as the shell's ">" follows it: its target is written and the link
// kept, and a dangling link creates its target.
//
// A name of one of the process's descriptors (/dev/stdout, /dev/fd/N,
// /proc/self/fd/N) writes to that descriptor as it stands, so a standard
// output opened for appending is appended to and a pipe works. Any other
// existing file that is not an ordinary file (a terminal, a named pipe, a
// device) is opened and written in place. A terminal gets its control
// characters as visible escapes (TerminalText). A directory, and an existing
// file that the user may not write, are refused.
//
// The error names `path` and the reason: "cannot write '<path>': <reason>",
// "file too large" past a file size limit and "not enough memory" when
// making the output ran out of it.
Status WriteOutputFile(const std::string& path, const std::function<void(ReportSink&)>& make,
                       const ReplaceCheck& check = nullptr);

// WriteOutputFile of `contents`.
Status WriteWholeFile(const std::string& path, std::string_view contents);

// Makes a write past the file size limit fail with EFBIG, reported like any
// other write error, instead of the signal ending the process. Called by the
// writers above; a program that writes its standard output itself calls it.
void IgnoreFileSizeSignal();

// Text bound for a terminal: every control character but TAB, CR and LF
// becomes a visible escape (VisibleText), so that log text cannot send escape
// sequences. Text comes in pieces; each is passed on up to its last line feed
// and the rest held, so that a character cut between two pieces is still
// seen whole.
class TerminalText {
 public:
  std::string Pass(std::string_view piece);
  std::string Rest();

 private:
  std::string held_;
};

}  // namespace tallix
