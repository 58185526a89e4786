// Fuzz target: the configuration reader on arbitrary bytes, then a write and
// a second read of the file, which must give back the same values; texts the
// format cannot hold must be refused, leaving the file as it was.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "engine/config/config_file.h"
#include "engine/output/output_file.h"
#include "engine/util/text_file.h"
#include "fuzz_check.h"

namespace tallix::fuzz {
namespace {

bool Storable(const std::string& text) { return text.find_first_of("\"\r\n") == std::string::npos; }

void Check(std::string_view input) {
  const std::string path = WorkDir() + "/Tallix.cfg";

  SiteConfig first;
  ReadConfigText(first, input);
  Require(first.SiteCount >= 0 && first.SiteCount <= static_cast<int16_t>(SiteConfig::kSites),
          "site count outside 0..10", std::to_string(first.SiteCount));

  bool storable = Storable(first.RouterIdentifier);
  for (size_t i = 0; i < SiteConfig::kSites; ++i) {
    storable = storable && Storable(first.SiteNames[i]) && Storable(first.SiteNumbers[i]);
  }
  const std::string before = "kept as it was";
  Require(WriteWholeFile(path, before).ok(), "cannot write the work file", path);
  const Status written = WriteConfigFile(first, path);
  if (!storable) {
    Require(!written.ok(), "a text the format cannot hold was written");
    std::string after;
    Require(ReadWholeFile(path, 1024, after).ok() && after == before,
            "a refused write changed the file");
    return;
  }
  Require(written.ok(), "a storable configuration was not written", written.message());

  const ConfigReadResult read = ReadConfigFile(path);
  const SiteConfig& second = read.config;
  Require(read.status.ok(), "the written file could not be read", read.status.message());
  Require(read.warnings.empty(), "the written file reads with warnings",
          read.warnings.empty() ? "" : read.warnings[0]);
  Require(second.SiteCount == first.SiteCount, "site count changed on the round trip",
          std::to_string(first.SiteCount) + " -> " + std::to_string(second.SiteCount));
  Require(second.RouterIdentifier == first.RouterIdentifier, "identifier changed on the round trip",
          "\"" + first.RouterIdentifier + "\" -> \"" + second.RouterIdentifier + "\"");
  for (size_t i = 0; i < SiteConfig::kSites; ++i) {
    Require(second.SiteNames[i] == first.SiteNames[i], "a site name changed on the round trip",
            "site " + std::to_string(i) + ": \"" + first.SiteNames[i] + "\" -> \"" +
                second.SiteNames[i] + "\"");
    Require(second.SiteNumbers[i] == first.SiteNumbers[i],
            "a site number changed on the round trip",
            "site " + std::to_string(i) + ": \"" + first.SiteNumbers[i] + "\" -> \"" +
                second.SiteNumbers[i] + "\"");
  }
  Require(ConfigFileText(second) == ConfigFileText(first), "the second write differs");
}

}  // namespace
}  // namespace tallix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  tallix::fuzz::Check(std::string_view(reinterpret_cast<const char*>(bytes), size));
  return 0;
}
