#include "engine/util/file_identity.h"

#include <sys/stat.h>

namespace tallix {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino)};
}

bool IsSameFile(const std::string& a, const std::string& b) {
  const std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

std::error_code FollowLinks(std::filesystem::path& path,
                            const std::function<bool(const std::filesystem::path&)>& stop) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (int hops = 0; !(stop && stop(path)) && fs::is_symlink(fs::symlink_status(path, ec));
       ++hops) {
    if (hops == 40) return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    const fs::path next = fs::read_symlink(path, ec);
    if (ec) return ec;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return {};
}

}  // namespace tallix
