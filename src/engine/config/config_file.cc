#include "engine/config/config_file.h"

#include <algorithm>
#include <cstdint>

#include "engine/analysis/lenient_number.h"
#include "engine/output/output_file.h"
#include "engine/util/text_file.h"

namespace tallix {
namespace {

// A configuration file is a handful of lines; anything this large is not one.
constexpr size_t kMaxConfigBytes = 16 * 1024 * 1024;

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Reads the file's fields one by one, commas and line ends both separating.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}

  // False when the text is used up before a field could start.
  bool Next(std::string& field) {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    if (pos_ >= text_.size()) return false;
    if (text_[pos_] == '"') {
      const size_t close = text_.find('"', pos_ + 1);
      const size_t end = close == std::string_view::npos ? text_.size() : close;
      field.assign(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end == text_.size() ? end : end + 1;
      // Whatever follows the closing quote up to the next separator is dropped.
      while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
    } else {
      size_t end = pos_;
      while (end < text_.size() && text_[end] != ',' && !IsLineEnd(text_[end])) ++end;
      field.assign(text_.substr(pos_, end - pos_));
      pos_ = end;
    }
    SkipSeparator();
    return true;
  }

 private:
  void SkipSeparator() {
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == ',') {
      ++pos_;
    } else if (text_[pos_] == '\r') {
      ++pos_;
      if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    } else if (text_[pos_] == '\n') {
      ++pos_;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Describe(std::string_view text) {
  std::string shown(text.substr(0, 40));
  if (text.size() > 40) shown += "...";
  return "\"" + shown + "\"";
}

}  // namespace

void ApplyDefaultConfig(TallixData& data) {
  data.SiteCount = 1;
  data.RouterIdentifier = "isdnrouter";
  data.SiteNames[0] = "site1";
  data.SiteNumbers[0] = "01234123456";
}

ConfigReadResult ReadConfigFile(TallixData& data, const std::string& path) {
  ConfigReadResult result;
  if (!IsRegularFile(path)) {
    ApplyDefaultConfig(data);
    return result;
  }
  std::string text;
  if (Status read = ReadWholeFile(path, kMaxConfigBytes, text); !read.ok()) {
    result.status = Status::Error("configuration file: " + read.message());
    return result;
  }
  size_t recognised = 0;
  result.warnings = ReadConfigText(data, text, &recognised);
  for (std::string& warning : result.warnings) {
    warning = "configuration file '" + path + "': " + warning;
  }
  if (recognised == 0) {
    std::string note = "configuration file '" + path +
                       "': none of its records was recognised; is it a configuration file?";
    if (data.SiteCount == 0 && data.RouterIdentifier.empty()) {
      note += " No site is in use, and every line with \"disconnected\" is kept.";
    }
    result.notes.push_back(std::move(note));
  }
  return result;
}

std::vector<std::string> ReadConfigText(TallixData& data, std::string_view text,
                                        size_t* recognised) {
  std::vector<std::string> warnings;
  FieldReader reader(text);
  std::string f[4];
  size_t known = 0;
  while (reader.Next(f[0]) && reader.Next(f[1]) && reader.Next(f[2]) && reader.Next(f[3])) {
    if (f[0] == "Version" || f[0] == "NoSites" || f[0] == "ISDNIdentifier" || f[0] == "Site" ||
        f[0] == "END") {
      ++known;
    }
    if (f[0] == "END") break;
    if (f[0] == "NoSites") {
      const double count = RoundHalfEven(ReadLenientNumber(f[1]));
      const double clamped = std::clamp(count, 0.0, static_cast<double>(TallixData::kMaxSiteCount));
      // NaN cannot arise: the reader yields finite numbers or infinities.
      data.SiteCount = static_cast<int16_t>(clamped);
      if (clamped != count) {
        warnings.push_back("the number of sites " + Describe(f[1]) + " lies outside 0 to 10; " +
                           std::to_string(data.SiteCount) + " is used");
      }
    } else if (f[0] == "ISDNIdentifier") {
      data.RouterIdentifier = f[1];
    } else if (f[0] == "Site") {
      const auto index = ReadRoundedNumber(f[1], 0, TallixData::kSiteEntries - 1);
      if (!index) {
        warnings.push_back("a site record with the index " + Describe(f[1]) +
                           " was skipped; site indexes run from 0 to 10");
        continue;
      }
      data.SiteNames[static_cast<size_t>(*index)] = f[2];
      data.SiteNumbers[static_cast<size_t>(*index)] = f[3];
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
  const double value = RoundHalfEven(ReadLenientNumber(number));
  if (!(value >= 0.0 && value <= TallixData::kMaxSiteCount)) return std::nullopt;
  return static_cast<int16_t>(value);
}

std::string ConfigFileText(const SiteConfig& config) {
  std::string out;
  out += "\"Version\",1,0,0\r\n";
  out += "\"NoSites\"," + std::to_string(config.site_count) + ",0,0\r\n";
  out += "\"ISDNIdentifier\"," + Quoted(config.identifier) + ",0,0\r\n";
  for (size_t i = 0; i < SiteConfig::kSites; ++i) {
    out += "\"Site\"," + std::to_string(i) + "," + Quoted(config.names[i]) + "," +
           Quoted(config.numbers[i]) + "\r\n";
  }
  out += "\"END\",\"END\",\"END\",\"END\"\r\n";
  return out;
}

Status WriteConfigFile(const SiteConfig& config, const std::string& path) {
  if (const auto unstorable = FindUnstorableField(config)) {
    return Status::Error("cannot write configuration file '" + path + "': " + unstorable->message);
  }
  const Status written = WriteWholeFile(path, ConfigFileText(config));
  return written.ok() ? written : Status::Error("configuration file: " + written.message());
}

}  // namespace tallix
