// What the fuzz targets found, replayed as plain tests so that a return of
// the fault fails the ordinary suite as well.

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "engine/analysis/lenient_number.h"
#include "engine/config/config_file.h"
#include "engine/log/log_loader.h"
#include "support/test_util.h"

namespace tallix {
namespace {

const double kInfinity = std::numeric_limits<double>::infinity();

// fuzz_number: a mantissa of hundreds of digits with a small negative
// exponent overflows a double, and was read as 0 because the exponent's sign
// alone decided between overflow and underflow.
TEST(FuzzFinds, LongMantissaWithNegativeExponentIsInfinite) {
  const struct {
    const char* what;
    std::string text;
    double value;
  } cases[] = {
      {"400 zeros, e-1", "1" + std::string(400, '0') + "e-1", kInfinity},
      {"the fuzz input",
       "999999999999999999999\t999999999999999999\t99444444444444444444444444444444"
       "9999399999999\t" +
           std::string(300, '4'),
       kInfinity},
      {"negative", "-1" + std::string(400, '0') + "D-5", -kInfinity},
      {"small after all", "1" + std::string(400, '0') + "e-400", 1.0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.value, ReadLenientNumber(c.text)) << c.what;
}

// The same text in the configuration: a site count beyond 10 and a site index
// out of range, not 0.
TEST(FuzzFinds, LongMantissaInTheConfiguration) {
  const std::string huge = "1" + std::string(400, '0') + "e-1";
  SiteConfig config;
  const auto warnings = ReadConfigText(
      config, "\"NoSites\"," + huge + ",0,0\n\"Site\"," + huge + ",\"x\",\"y\"\n\"END\",0,0,0\n");
  EXPECT_EQ(10, config.SiteCount);
  EXPECT_EQ("", config.SiteNames[0]);
  EXPECT_EQ(2u, warnings.size());
  EXPECT_FALSE(ParseSiteCountText(huge).has_value());
}

}  // namespace
}  // namespace tallix
