#pragma once
// The site configuration file: how many sites are in use, the text that marks
// a router line, and ten site names and numbers, as 14 comma-separated records
// ("Version", "NoSites", "ISDNIdentifier", ten "Site", "END"), CR LF ended.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/app/shared_data.h"
#include "engine/util/text_file.h"

namespace tallix {

inline constexpr char kConfigFileName[] = "Tallix.cfg";

// What reading a configuration produced besides the values.
struct ConfigReadResult {
  bool ok = true;
  std::string error;                  // set when !ok: names the file and the reason
  std::vector<std::string> warnings;  // values brought back within the tables' limits
};

// The built-in configuration of a start without a file: one site "site1" with
// number "01234123456", identifier "isdnrouter". Other entries are untouched.
void ApplyDefaultConfig(TallixData& data);

// Reads the configuration at `path` into `data`. When no ordinary file is
// there (missing, or a directory), the defaults apply and that is no error.
// A file that exists but cannot be read changes nothing and gives an error.
ConfigReadResult ReadConfigFile(TallixData& data, const std::string& path);

// Reads configuration records from `text` into `data`, exactly as from a file.
// Reading stops at the "END" record, or keeps what was read when the text ends
// first. A "Site" record whose index lies outside 0..10 is skipped and a site
// count outside 0..10 is brought into it; each gives a warning. Fields are
// separated by commas and line ends (CR LF, LF or CR) alike; an empty line is
// an empty field.
std::vector<std::string> ReadConfigText(TallixData& data, std::string_view text);

// The file's text for the current configuration, as WriteConfigFile writes it.
std::string ConfigFileText(const TallixData& data);

// The number of sites typed into the Options dialog: a whole number from 0
// to 10 once rounded half to even, in the plain form (a sign, digits, a
// point and digits), blanks around it allowed ("2.5" -> 2, " 4 " -> 4).
// nullopt for anything else: empty, letters, trailing text, blanks inside
// ("1 0"), an exponent ("1e1", "3d0"), 11, -1. The file reader stays lenient.
std::optional<int16_t> ParseSiteCountText(std::string_view text);

// False when `text` holds a double quote or a line break (CR or LF): the
// file's text fields cannot hold either.
bool IsStorableConfigText(std::string_view text);

// Empty when every text of the configuration can be stored; otherwise a
// message naming the first field that holds a double quote or a line break.
std::string FindUnstorableConfigText(const TallixData& data);

// Replaces the file at `path` with ConfigFileText(data), atomically. Refuses,
// leaving the file as it was, when a text cannot be stored or the write fails.
FileResult WriteConfigFile(const TallixData& data, const std::string& path);

}  // namespace tallix
