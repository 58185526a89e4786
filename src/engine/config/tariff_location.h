#pragma once
// Where the tariff file is read from: the file given with --tariff; else
// Tariffs.toml in the per-user configuration folder when it is there; else
// Tariffs.toml beside the program when it is there; else none, and nothing is
// costed. The places are those of the configuration file (ConfigPlacesFor).

#include <functional>
#include <string>

#include "engine/config/config_location.h"

namespace tallix {

// The tariff file's places for this environment and program folder.
ConfigPlaces TariffPlacesFor(const char* xdg_config_home, const char* home,
                             const std::string& program_dir);

// The file to read: `given` when it is not empty (read even when missing, so
// that its absence is told); else the first of the two places for which
// `exists` holds; else "" for none.
std::string ChooseTariffPath(const std::string& given, const ConfigPlaces& places,
                             const std::function<bool(const std::string&)>& exists);

// The same for this process: XDG_CONFIG_HOME, HOME, and ordinary files
// (IsRegularFile) on the real file system.
std::string SystemTariffPath(const std::string& given, const std::string& program_dir);

// Says where a tariff file is looked for, for an output that needs one:
// "no tariff file: give one with --tariff FILE, or put one at
// '/home/ann/.config/Tallix/Tariffs.toml' or '/usr/bin/Tariffs.toml'".
std::string TariffSearchText(const ConfigPlaces& places);

}  // namespace tallix
