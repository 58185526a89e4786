#pragma once
// Logs that can only be read in order: standard input (named "-") and, given
// by name, a named pipe or a character device. They are read as they come,
// with no size known beforehand, so the loader streams them through its
// scanner as it does a compressed file. The command reads them; the window,
// which could wait forever on a pipe with no writer, does not.

#include "engine/log/log_source.h"

namespace tallix {

// The LOGFILE name that stands for standard input.
inline constexpr char kStandardInputName[] = "-";

// The system's files (SystemLogFiles), and the streams above.
LogFileSystem& SystemLogFilesAndStreams();

}  // namespace tallix
