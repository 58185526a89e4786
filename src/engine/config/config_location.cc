#include "engine/config/config_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "engine/config/config_file.h"
#include "engine/util/file_identity.h"

namespace tallix {

namespace fs = std::filesystem;

namespace {

constexpr char kConfigFolderName[] = "Tallix";

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

bool FolderOfFileWritable(const std::string& path) {
  // A link is replaced at its target, so the target's folder must be writable.
  fs::path target(path);
  if (FollowLinks(target)) return false;
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

ConfigPlaces ConfigPlacesFor(const char* xdg_config_home, const char* home,
                             const std::string& program_dir) {
  return ConfigPlacesFor(xdg_config_home, home, program_dir, kConfigFileName);
}

ConfigPlaces ConfigPlacesFor(const char* xdg_config_home, const char* home,
                             const std::string& program_dir, std::string_view file_name) {
  ConfigPlaces places;
  if (IsAbsolute(xdg_config_home)) {
    places.per_user = (fs::path(xdg_config_home) / kConfigFolderName / file_name).string();
  } else if (IsAbsolute(home)) {
    places.per_user = (fs::path(home) / ".config" / kConfigFolderName / file_name).string();
  }
  places.beside_program = (fs::path(program_dir) / file_name).string();
  return places;
}

ConfigFileChecks SystemConfigFileChecks() { return {IsRegularFile, FolderOfFileWritable}; }

ConfigLocation ChooseConfigLocation(const ConfigPlaces& places, const ConfigFileChecks& checks) {
  const bool per_user = !places.per_user.empty();
  ConfigLocation location;
  location.read_path =
      per_user && checks.exists(places.per_user) ? places.per_user : places.beside_program;
  location.write_path =
      !per_user || checks.writable(location.read_path) ? location.read_path : places.per_user;
  return location;
}

ConfigLocation SystemConfigLocation(const std::string& program_dir) {
  const ConfigPlaces places =
      ConfigPlacesFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), program_dir);
  ConfigLocation location = ChooseConfigLocation(places, SystemConfigFileChecks());
  location.skipped = SkippedConfigNote(places.per_user);
  return location;
}

std::string SkippedConfigNote(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) return {};
  std::string why;
  if (::stat(path.c_str(), &st) != 0) {
    why = errno == ENOENT ? "it is a link to a file that does not exist" : std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    why = "it is a directory";
  } else if (!S_ISREG(st.st_mode)) {
    why = "it is not an ordinary file";
  } else {
    return {};
  }
  return "the per-user configuration file '" + path + "' was skipped: " + why;
}

void CreateConfigFolder(const std::string& write_path) {
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path folder = fs::path(write_path).parent_path();
       !folder.empty() && !fs::exists(folder, ec) && folder != folder.parent_path();
       folder = folder.parent_path()) {
    missing.push_back(folder);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) ::mkdir(it->c_str(), 0700);
}

}  // namespace tallix
