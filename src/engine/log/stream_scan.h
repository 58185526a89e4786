#pragma once
// The scan behind LoadLog for a compressed log: finds the kept lines of the
// text that a LogTextReader gives out, a block at a time, holding a line cut
// by a block's end over to the next. Memory stays at one block (more only for
// a line longer than a block) whatever the size of the text.

#include "engine/log/log_scan.h"
#include "engine/util/log_text_reader.h"

namespace tallix {

// Collects the kept lines of the reader's whole text into `kept`. Fails as
// the reader fails: a damaged or cut-short file, or a text past its limit.
FileResult ScanLogStream(LogTextReader& reader, const KeptLineFinders& finders, KeptLines& kept);

}  // namespace tallix
