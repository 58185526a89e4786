#pragma once
// The site configuration as one value: how many sites are in use, the text
// that marks a router's line, and the names and numbers of the ten sites a user
// edits. Values that change together travel together: the Options dialog
// builds a SiteConfig from its fields, asks FindUnstorableField which field
// (if any) the file cannot hold, writes it with WriteConfigFile
// (config_file.h), and only once that succeeded stores it into the shared data
// with StoreSiteConfig. A refused or failed write thus leaves the shared data
// as they were; nothing is put back by hand.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/app/shared_data.h"

namespace tallix {

struct SiteConfig {
  // Rows the Options dialog and the file hold, one for each site that can be
  // in use: site entries 0..9. Entry 10 of the shared site tables (which only
  // a file can fill) is not part of it.
  static constexpr size_t kSites = TallixData::kMaxSiteCount;

  int16_t site_count = 0;                   // SiteCount
  std::string identifier;                   // RouterIdentifier
  std::array<std::string, kSites> names;    // SiteNames 0..9
  std::array<std::string, kSites> numbers;  // SiteNumbers 0..9

  friend bool operator==(const SiteConfig&, const SiteConfig&) = default;
};

// SiteCount, RouterIdentifier and entries 0..9 of SiteNames and SiteNumbers.
SiteConfig SiteConfigOf(const TallixData& data);

// Sets SiteCount, RouterIdentifier and entries 0..9 of SiteNames and
// SiteNumbers from `config`; entry 10 and everything else stay as they are.
void StoreSiteConfig(const SiteConfig& config, TallixData& data);

// A field of a SiteConfig that the file cannot hold.
struct UnstorableField {
  enum class Kind { kIdentifier, kName, kNumber };
  Kind kind = Kind::kIdentifier;
  size_t site = 0;      // for kName and kNumber: the site entry, 0..9
  std::string message;  // "The name of Site 3 holds a double quote or a line break, ..."
};

// The first field, in the order identifier, then name and number of site 0,
// of site 1 and so on, that holds a double quote or a line break; nullopt when
// every field can be stored. The message names the field as the user sees it
// ("The ISDN identifier", "The name of Site 1", "The ISDN number of Site 10").
std::optional<UnstorableField> FindUnstorableField(const SiteConfig& config);

}  // namespace tallix
