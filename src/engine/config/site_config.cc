#include "engine/config/site_config.h"

namespace tallix {
namespace {

// False when `text` holds a double quote or a line break (CR or LF): the
// file's text fields cannot hold either.
bool IsStorableConfigText(std::string_view text) {
  return text.find_first_of("\"\r\n") == std::string_view::npos;
}

}  // namespace

SiteConfig SiteConfigOf(const TallixData& data) {
  SiteConfig config;
  config.site_count = data.SiteCount;
  config.identifier = data.RouterIdentifier;
  for (size_t i = 0; i < SiteConfig::kSites; ++i) {
    config.names[i] = data.SiteNames[i];
    config.numbers[i] = data.SiteNumbers[i];
  }
  return config;
}

void StoreSiteConfig(const SiteConfig& config, TallixData& data) {
  data.SiteCount = config.site_count;
  data.RouterIdentifier = config.identifier;
  for (size_t i = 0; i < SiteConfig::kSites; ++i) {
    data.SiteNames[i] = config.names[i];
    data.SiteNumbers[i] = config.numbers[i];
  }
}

std::optional<UnstorableField> FindUnstorableField(const SiteConfig& config) {
  using Kind = UnstorableField::Kind;
  const std::string why =
      " holds a double quote or a line break, which the configuration file "
      "cannot store";
  if (!IsStorableConfigText(config.identifier)) {
    return UnstorableField{Kind::kIdentifier, 0, "The ISDN identifier" + why};
  }
  for (size_t i = 0; i < SiteConfig::kSites; ++i) {
    const std::string row = "Site " + std::to_string(i + 1);
    if (!IsStorableConfigText(config.names[i])) {
      return UnstorableField{Kind::kName, i, "The name of " + row + why};
    }
    if (!IsStorableConfigText(config.numbers[i])) {
      return UnstorableField{Kind::kNumber, i, "The ISDN number of " + row + why};
    }
  }
  return std::nullopt;
}

}  // namespace tallix
