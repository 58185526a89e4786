#pragma once
// The site configuration as one value: how many sites are in use, the text
// that marks a router's line, and the names and numbers of the ten sites a user
// edits. The configuration reader makes it; the Options dialog builds a new one
// from its fields, asks FindUnstorableField which field (if any) the file
// cannot hold, writes it with WriteConfigFile (config_file.h), and only once
// that succeeded hands it to the window in place of the old one.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tallix {

struct SiteConfig {
  // Rows the main window, the Options dialog and the file hold.
  static constexpr size_t kSites = 10;

  int16_t SiteCount = 0;
  std::string RouterIdentifier;
  std::array<std::string, kSites> SiteNames;
  std::array<std::string, kSites> SiteNumbers;

  // SiteCount brought into 0..kSites: a value made by hand may hold any
  // count, and every reader of the sites loops to this.
  int SitesInUse() const { return SiteCount < 0 ? 0 : SiteCount > 10 ? 10 : SiteCount; }

  friend bool operator==(const SiteConfig&, const SiteConfig&) = default;
};

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
