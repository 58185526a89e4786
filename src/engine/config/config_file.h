#pragma once
// The site configuration file: how many sites are in use, the text that marks
// a router line, and ten site names and numbers, as 14 comma-separated records
// ("Version", "NoSites", "ISDNIdentifier", ten "Site", "END"), CR LF ended.
// Reading makes a SiteConfig (site_config.h), the value the Options dialog
// edits and writing takes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/config/site_config.h"
#include "engine/util/status.h"

namespace tallix {

inline constexpr char kConfigFileName[] = "Tallix.cfg";

// What reading a configuration produced besides the values.
struct ConfigReadResult {
  SiteConfig config;
  Status status;                      // a failure names the file and the reason
  std::vector<std::string> warnings;  // values brought within limits, each kind capped
  // Remarks that change no value: a file none of whose records was recognised
  // (empty, binary, a log given by mistake) still counts as read, as stored
  // files rely on, but leaves no site in use; this says so.
  std::vector<std::string> notes;
};

// The built-in configuration of a start without a file: one site "site1" with
// number "01234123456", identifier "isdnrouter".
SiteConfig DefaultConfig();

// Reads the configuration at `path`; what no record sets stays empty. When
// no ordinary file is there (missing, or a directory), the defaults apply and
// that is no error. A file that exists but cannot be read gives an error.
ConfigReadResult ReadConfigFile(const std::string& path);

// Reads configuration records from `text` into `config`, exactly as from a file.
// Reading stops at the "END" record, or keeps what was read when the text ends
// first. A "Site" record whose index lies outside 0..10 is skipped and a site
// count outside 0..10 is brought into it; each gives a warning. Fields are
// separated by commas and line ends (CR LF, LF or CR) alike; an empty line is
// an empty field. `recognised`, when given, is set to the number of records
// whose first field is one the file uses ("Version", "NoSites",
// "ISDNIdentifier", "Site", "END").
std::vector<std::string> ReadConfigText(SiteConfig& config, std::string_view text,
                                        size_t* recognised = nullptr);

// The file's text for `config`, as WriteConfigFile writes it: 14 records,
// all ten sites whatever the count.
std::string ConfigFileText(const SiteConfig& config);

// The number of sites typed into the Options dialog: a whole number from 0
// to 10 once rounded half to even, in the plain form (a sign, digits, a
// point and digits), blanks around it allowed ("2.5" -> 2, " 4 " -> 4).
// nullopt for anything else: empty, letters, trailing text, blanks inside
// ("1 0"), an exponent ("1e1", "3d0"), 11, -1. The file reader stays lenient.
std::optional<int16_t> ParseSiteCountText(std::string_view text);

// Replaces the file at `path` with ConfigFileText(config), atomically.
// Refuses, leaving the file as it was, when FindUnstorableField finds a field
// the file cannot hold ("cannot write configuration file '<path>': <its
// message>") or when the write fails.
Status WriteConfigFile(const SiteConfig& config, const std::string& path);

}  // namespace tallix
