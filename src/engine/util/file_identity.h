#pragma once
// Which file a name leads to, by device and inode after following links, so
// that two names for one file (a link, a hard link, "./a" and "a") compare
// equal. Used to keep an output from replacing a file that was read, and to
// notice a file given twice.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace tallix {

struct FileIdentity {
  unsigned long long device = 0;
  unsigned long long inode = 0;

  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file `path` leads to; nullopt when there is none (a
// missing file, a dangling link, a folder that cannot be searched).
std::optional<FileIdentity> IdentityOf(const std::string& path);

// True when `a` and `b` both lead to one existing file.
bool IsSameFile(const std::string& a, const std::string& b);

// Follows the symbolic links `path` leads through, each relative one taken
// from the folder that holds it, until a name is no link or `stop` holds for
// it; `path` is then that name. An error past 40 links, or from a link that
// cannot be read.
std::error_code FollowLinks(std::filesystem::path& path,
                            const std::function<bool(const std::filesystem::path&)>& stop = {});

}  // namespace tallix
