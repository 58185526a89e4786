#include "engine/config/site_config.h"

namespace tallix {
namespace {

// False when `text` holds a double quote or a line break (CR or LF): the
// file's text fields cannot hold either.
bool IsStorableConfigText(std::string_view text) {
  return text.find_first_of("\"\r\n") == std::string_view::npos;
}

}  // namespace

std::optional<UnstorableField> FindUnstorableField(const SiteConfig& config) {
  using Kind = UnstorableField::Kind;
  const std::string why =
      " holds a double quote or a line break, which the configuration file "
      "cannot store";
  if (!IsStorableConfigText(config.RouterIdentifier)) {
    return UnstorableField{Kind::kIdentifier, 0, "The ISDN identifier" + why};
  }
  for (size_t i = 0; i < SiteConfig::kSites; ++i) {
    const std::string row = "Site " + std::to_string(i + 1);
    if (!IsStorableConfigText(config.SiteNames[i])) {
      return UnstorableField{Kind::kName, i, "The name of " + row + why};
    }
    if (!IsStorableConfigText(config.SiteNumbers[i])) {
      return UnstorableField{Kind::kNumber, i, "The ISDN number of " + row + why};
    }
  }
  return std::nullopt;
}

}  // namespace tallix
