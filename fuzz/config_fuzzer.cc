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

// Start-of-program values of the configuration; the other tables stay as
// they are, as they do in a real run.
void ResetConfig(TallixData& data) {
  data.SiteCount = 0;
  data.RouterIdentifier.clear();
  for (auto& name : data.SiteNames) name.clear();
  for (auto& number : data.SiteNumbers) number.clear();
}

bool Storable(const std::string& text) { return text.find_first_of("\"\r\n") == std::string::npos; }

void Check(std::string_view input) {
  static TallixData& first = *new TallixData;
  static TallixData& second = *new TallixData;
  const std::string path = WorkDir() + "/Tallix.cfg";

  ResetConfig(first);
  ReadConfigText(first, input);
  Require(first.SiteCount >= 0 && first.SiteCount <= TallixData::kMaxSiteCount,
          "site count outside 0..10", std::to_string(first.SiteCount));

  bool storable = Storable(first.RouterIdentifier);
  for (size_t i = 0; i < 10; ++i) {
    storable = storable && Storable(first.SiteNames[i]) && Storable(first.SiteNumbers[i]);
  }
  const std::string before = "kept as it was";
  Require(WriteWholeFile(path, before).ok(), "cannot write the work file", path);
  const SiteConfig config = SiteConfigOf(first);
  const Status written = WriteConfigFile(config, path);
  if (!storable) {
    Require(!written.ok(), "a text the format cannot hold was written");
    std::string after;
    Require(ReadWholeFile(path, 1024, after).ok() && after == before,
            "a refused write changed the file");
    return;
  }
  Require(written.ok(), "a storable configuration was not written", written.message());

  ResetConfig(second);
  const ConfigReadResult read = ReadConfigFile(second, path);
  Require(read.status.ok(), "the written file could not be read", read.status.message());
  Require(read.warnings.empty(), "the written file reads with warnings",
          read.warnings.empty() ? "" : read.warnings[0]);
  Require(second.SiteCount == first.SiteCount, "site count changed on the round trip",
          std::to_string(first.SiteCount) + " -> " + std::to_string(second.SiteCount));
  Require(second.RouterIdentifier == first.RouterIdentifier, "identifier changed on the round trip",
          "\"" + first.RouterIdentifier + "\" -> \"" + second.RouterIdentifier + "\"");
  for (size_t i = 0; i < 10; ++i) {
    Require(second.SiteNames[i] == first.SiteNames[i], "a site name changed on the round trip",
            "site " + std::to_string(i) + ": \"" + first.SiteNames[i] + "\" -> \"" +
                second.SiteNames[i] + "\"");
    Require(second.SiteNumbers[i] == first.SiteNumbers[i],
            "a site number changed on the round trip",
            "site " + std::to_string(i) + ": \"" + first.SiteNumbers[i] + "\" -> \"" +
                second.SiteNumbers[i] + "\"");
  }
  // Entry 10 is never written.
  Require(second.SiteNames[10].empty() && second.SiteNumbers[10].empty(),
          "the eleventh site came back from the file");
  Require(ConfigFileText(SiteConfigOf(second)) == ConfigFileText(config),
          "the second write differs");
}

}  // namespace
}  // namespace tallix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  tallix::fuzz::Check(std::string_view(reinterpret_cast<const char*>(bytes), size));
  return 0;
}
