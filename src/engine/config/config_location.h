#pragma once
// Where the configuration file is read and written. A copy of the program in a
// folder of the user's own keeps Tallix.cfg beside it, as it always did; a
// program installed for the whole machine (in a folder its users cannot
// write) keeps it in the per-user configuration folder instead. The choice
// takes the environment and the file checks as arguments, so it is made
// without touching the file system in tests.

#include <functional>
#include <string>
#include <string_view>

#include "engine/util/text_file.h"

namespace tallix {

// The two places a configuration file may lie.
struct ConfigPlaces {
  std::string per_user;        // $XDG_CONFIG_HOME/Tallix/Tallix.cfg; empty when there is none
  std::string beside_program;  // Tallix.cfg in the program's folder
};

// $XDG_CONFIG_HOME/Tallix/Tallix.cfg when XDG_CONFIG_HOME is an absolute
// path, else $HOME/.config/Tallix/Tallix.cfg when HOME is one (a relative or
// empty value counts as unset, as the XDG rules say); beside_program is
// Tallix.cfg in `program_dir`. Either variable may be null (unset).
ConfigPlaces ConfigPlacesFor(const char* xdg_config_home, const char* home,
                             const std::string& program_dir);
// The same places for another file kept with the configuration, such as
// Tariffs.toml: `file_name` instead of Tallix.cfg in both.
ConfigPlaces ConfigPlacesFor(const char* xdg_config_home, const char* home,
                             const std::string& program_dir, std::string_view file_name);

// What the choice needs to know about files.
struct ConfigFileChecks {
  std::function<bool(const std::string&)> exists;    // an ordinary file is there
  std::function<bool(const std::string&)> writable;  // a file there can be replaced or created
};

// The checks on the real file system: IsRegularFile, and write access to the
// folder that holds the file (after following a link), since the file is
// replaced through a temporary file beside it.
ConfigFileChecks SystemConfigFileChecks();

struct ConfigLocation {
  std::string read_path;   // read at start-up; when no file is there the defaults apply
  std::string write_path;  // replaced when Options is confirmed
  std::string skipped;     // SystemConfigLocation: SkippedConfigNote of the per-user file
};

// Reads the per-user file when it exists, else the file beside the program
// (absent: the built-in defaults). Writes back to that file when it can be
// written, else to the per-user file. Without a per-user place (no HOME),
// both are the file beside the program.
ConfigLocation ChooseConfigLocation(const ConfigPlaces& places, const ConfigFileChecks& checks);

// The location for this process: the environment's XDG_CONFIG_HOME and HOME,
// the real file system, and the program's folder `program_dir`.
ConfigLocation SystemConfigLocation(const std::string& program_dir);

// Why the per-user file `path` was passed over although something is there
// (a directory, a device such as /dev/zero, a dangling link): "the per-user
// configuration file '<path>' was skipped: it is a directory". Empty when
// nothing is there or it is an ordinary file.
std::string SkippedConfigNote(const std::string& path);

// Creates the folder that is to hold `write_path`, and its missing parents,
// with permission 0700 as the XDG rules ask (the per-user folder before its
// first write). A folder that exists is left as it is. Failing is no error
// here: the write that follows reports it.
void CreateConfigFolder(const std::string& write_path);

}  // namespace tallix
