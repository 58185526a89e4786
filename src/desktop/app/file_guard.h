#pragma once
// The files a report must never overwrite: a report written over the loaded
// log or the configuration file would destroy what it was made from.

#include <QString>
#include <span>

namespace tallix {

// The entry of `files` that names the same existing file as `target`, through
// whatever path, link or relative name; an empty text when none does (a
// target that does not exist yet is none of them). Empty entries are skipped.
QString SameFileAmong(const QString& target, std::span<const QString> files);

}  // namespace tallix
