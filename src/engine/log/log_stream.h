#pragma once
// Logs that can only be read in order: standard input (named "-") and, given
// by name, a named pipe or a character device. They are read as they come,
// with no size known beforehand, so the loader streams them through its
// scanner as it does a compressed file. The command reads them; the window,
// which could wait forever on a pipe with no writer, does not.

#include <memory>
#include <optional>
#include <string>

#include "engine/log/log_source.h"
#include "engine/util/status.h"

namespace tallix {

// The LOGFILE name that stands for standard input.
inline constexpr char kStandardInputName[] = "-";

// Opens `path` when it is standard input or names a stream, setting *source.
// Fails, saying what it is, for a name that is no ordinary file, folder or
// stream (a socket, a block device). nullopt leaves `path` to be opened as
// an ordinary file (which also reports a folder or a missing name).
std::optional<Status> OpenLogStream(const std::string& path, std::unique_ptr<LogSource>* source);

// The system's files (SystemLogFiles), and the streams above.
LogFileSystem& SystemLogFilesAndStreams();

}  // namespace tallix
