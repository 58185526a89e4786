#include "engine/config/tariff_location.h"

#include <cstdlib>

#include "engine/config/tariff_file.h"
#include "engine/util/text_file.h"
#include "engine/util/visible_text.h"

namespace tallix {

ConfigPlaces TariffPlacesFor(const char* xdg_config_home, const char* home,
                             const std::string& program_dir) {
  return ConfigPlacesFor(xdg_config_home, home, program_dir, kTariffFileName);
}

std::string ChooseTariffPath(const std::string& given, const ConfigPlaces& places,
                             const std::function<bool(const std::string&)>& exists) {
  if (!given.empty()) return given;
  if (!places.per_user.empty() && exists(places.per_user)) return places.per_user;
  if (exists(places.beside_program)) return places.beside_program;
  return {};
}

std::string SystemTariffPath(const std::string& given, const std::string& program_dir) {
  return ChooseTariffPath(
      given, TariffPlacesFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), program_dir),
      IsRegularFile);
}

std::string TariffSearchText(const ConfigPlaces& places) {
  std::string text = "no tariff file: give one with --tariff FILE, or put one at ";
  if (!places.per_user.empty()) text += "'" + VisibleText(places.per_user) + "' or ";
  return text + "'" + VisibleText(places.beside_program) + "'";
}

}  // namespace tallix
