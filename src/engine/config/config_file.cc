#include "engine/config/config_file.h"

#include <algorithm>
#include <cstdint>

#include "engine/analysis/lenient_number.h"
#include "engine/output/output_file.h"
#include "engine/util/text_file.h"
#include "engine/util/warning_limit.h"

namespace tallix {
namespace {

// A configuration file is a handful of lines; anything this large is not one.
constexpr size_t kMaxConfigBytes = 16 * 1024 * 1024;

// Reads the file's fields one by one, commas and line ends both separating.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}

  // False when the text is used up before a field could start.
  bool Next(std::string& field) {
    pos_ = std::min(text_.find_first_not_of(" \t", pos_), text_.size());
    if (pos_ == text_.size()) return false;
    const bool quoted = text_[pos_] == '"';
    if (quoted) {
      const size_t close = text_.find('"', pos_ + 1);
      field.assign(text_.substr(pos_ + 1, close - pos_ - 1));
      pos_ = close == std::string_view::npos ? text_.size() : close + 1;
    }
    // Whatever follows the closing quote up to the next separator is dropped.
    const size_t end = std::min(text_.find_first_of(",\r\n", pos_), text_.size());
    if (!quoted) field.assign(text_.substr(pos_, end - pos_));
    pos_ = end;
    if (pos_ < text_.size()) pos_ += text_.substr(pos_, 2) == "\r\n" ? 2u : 1u;
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Describe(std::string_view text) {
  return Quoted(std::string(text.substr(0, 40)) + (text.size() > 40 ? "..." : ""));
}

}  // namespace

SiteConfig DefaultConfig() {
  SiteConfig config;
  config.SiteCount = 1;
  config.RouterIdentifier = "isdnrouter";
  config.SiteNames[0] = "site1";
  config.SiteNumbers[0] = "01234123456";
  return config;
}

ConfigReadResult ReadConfigFile(const std::string& path) {
  ConfigReadResult result;
  if (!IsRegularFile(path)) {
    result.config = DefaultConfig();
    return result;
  }
  std::string text;
  if (Status read = ReadWholeFile(path, kMaxConfigBytes, text); !read.ok()) {
    result.status = read.Within("configuration file: ");
    return result;
  }
  size_t recognised = 0;
  WarningCap warnings;
  for (const std::string& warning : ReadConfigText(result.config, text, &recognised)) {
    warnings.Add("configuration file '" + path + "': " + warning);
  }
  result.warnings = warnings.Told();
  if (recognised == 0) {
    std::string note = "configuration file '" + path +
                       "': none of its records was recognised; is it a configuration file?";
    if (result.config.SiteCount == 0 && result.config.RouterIdentifier.empty()) {
      note += " No site is in use, and every line with \"disconnected\" is kept.";
    }
    result.notes.push_back(std::move(note));
  }
  return result;
}

std::vector<std::string> ReadConfigText(SiteConfig& config, std::string_view text,
                                        size_t* recognised) {
  std::vector<std::string> warnings;
  FieldReader reader(text);
  std::string f[4];
  size_t known = 0;
  while (reader.Next(f[0]) && reader.Next(f[1]) && reader.Next(f[2]) && reader.Next(f[3])) {
    known += f[0] == "Version" || f[0] == "NoSites" || f[0] == "ISDNIdentifier" || f[0] == "Site" ||
             f[0] == "END";
    if (f[0] == "END") break;
    if (f[0] == "NoSites") {
      const double count = RoundHalfEven(ReadLenientNumber(f[1]));
      const double clamped = std::clamp(count, 0.0, static_cast<double>(SiteConfig::kSites));
      // NaN cannot arise: the reader yields finite numbers or infinities.
      config.SiteCount = static_cast<int16_t>(clamped);
      if (clamped != count) {
        warnings.push_back("the number of sites " + Describe(f[1]) + " lies outside 0 to 10; " +
                           std::to_string(config.SiteCount) + " is used");
      }
    } else if (f[0] == "ISDNIdentifier") {
      config.RouterIdentifier = f[1];
    } else if (f[0] == "Site") {
      const auto index = ReadRoundedNumber(f[1], 0, SiteConfig::kSites);
      if (!index) {
        warnings.push_back("a site record with the index " + Describe(f[1]) +
                           " was skipped; site indexes run from 0 to 10");
        continue;
      }
      // Index 10, which older files may hold, names no row: read and passed over.
      if (*index == SiteConfig::kSites) continue;
      config.SiteNames[static_cast<size_t>(*index)] = f[2];
      config.SiteNumbers[static_cast<size_t>(*index)] = f[3];
    }
  }
  if (recognised != nullptr) *recognised = known;
  return warnings;
}

std::optional<int16_t> ParseSiteCountText(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  const std::string_view number = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  // The plain form only: the file reader's leniency (blanks inside, an
  // exponent) would take "1 0" for 10.
  size_t digits = 0;
  bool point = false;
  for (size_t i = 0; i < number.size(); ++i) {
    const char c = number[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else if (!(i == 0 && (c == '+' || c == '-'))) {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  const std::optional<int64_t> value = ReadRoundedNumber(number, 0, SiteConfig::kSites);
  if (!value) return std::nullopt;
  return static_cast<int16_t>(*value);
}

std::string ConfigFileText(const SiteConfig& config) {
  std::string out;
  out += "\"Version\",1,0,0\r\n";
  out += "\"NoSites\"," + std::to_string(config.SiteCount) + ",0,0\r\n";
  out += "\"ISDNIdentifier\"," + Quoted(config.RouterIdentifier) + ",0,0\r\n";
  for (size_t i = 0; i < SiteConfig::kSites; ++i) {
    out += "\"Site\"," + std::to_string(i) + "," + Quoted(config.SiteNames[i]) + "," +
           Quoted(config.SiteNumbers[i]) + "\r\n";
  }
  out += "\"END\",\"END\",\"END\",\"END\"\r\n";
  return out;
}

Status WriteConfigFile(const SiteConfig& config, const std::string& path) {
  if (const auto unstorable = FindUnstorableField(config)) {
    return Status::Refused("cannot write configuration file '" + path +
                           "': " + unstorable->message);
  }
  const Status written = WriteWholeFile(path, ConfigFileText(config));
  return written.Within("configuration file: ");
}

}  // namespace tallix
