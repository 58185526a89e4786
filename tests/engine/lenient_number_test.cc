#include "engine/analysis/lenient_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tallix {
namespace {

struct NumberCase {
  const char* text;
  double value;
};

class LenientNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(LenientNumberTest, Reads) {
  EXPECT_EQ(GetParam().value, ReadLenientNumber(GetParam().text)) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LenientNumberTest,
    testing::Values(NumberCase{"75", 75}, NumberCase{"75 seconds", 75}, NumberCase{"", 0},
                    NumberCase{"abc", 0}, NumberCase{"x12", 0}, NumberCase{"1 2", 12},
                    NumberCase{" \t\n42", 42}, NumberCase{"4\t2\n0", 420}, NumberCase{"-5", -5},
                    NumberCase{"- 5", -5}, NumberCase{"+7", 7}, NumberCase{"--5", 0},
                    NumberCase{"12.5", 12.5}, NumberCase{".5", 0.5}, NumberCase{"5.", 5},
                    NumberCase{"1.2.3", 1.2}, NumberCase{"1e3", 1000}, NumberCase{"1E+2", 100},
                    NumberCase{"2d2", 200}, NumberCase{"5D-1", 0.5}, NumberCase{"1e", 1},
                    NumberCase{"1e+", 1}, NumberCase{"1 e 2", 100}, NumberCase{"12,5", 12},
                    NumberCase{"\r12", 0}, NumberCase{"007", 7}, NumberCase{"-", 0},
                    NumberCase{".", 0}, NumberCase{"-.25", -0.25}, NumberCase{"1e-400", 0}));

TEST(LenientNumber, HugeExponentIsInfinite) {
  EXPECT_EQ(std::numeric_limits<double>::infinity(), ReadLenientNumber("1e400"));
  EXPECT_EQ(-std::numeric_limits<double>::infinity(), ReadLenientNumber("-9d999"));
  // Range errors are told apart by the magnitude, not by how it is written.
  EXPECT_EQ(std::numeric_limits<double>::infinity(), ReadLenientNumber("0.001e312"));
  EXPECT_EQ(0.0, ReadLenientNumber("1000e-400"));
  EXPECT_EQ(0.0, ReadLenientNumber("0." + std::string(400, '0') + "1"));
  EXPECT_EQ(std::numeric_limits<double>::infinity(),
            ReadLenientNumber("1" + std::string(400, '0')));
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const struct {
    double in, out;
  } cases[] = {{2.5, 2},
               {3.5, 4},
               {12.5, 12},
               {13.5, 14},
               {-2.5, -2},
               {-3.5, -4},
               {0.5, 0},
               {-0.5, -0},
               {1.4999, 1},
               {1.5001, 2},
               {-1.6, -2},
               {7, 7},
               {2147483647.5, 2147483648.0}};
  for (const auto& c : cases) EXPECT_EQ(c.out, RoundHalfEven(c.in)) << c.in;
}

TEST(ReadRoundedNumber, RangeIsInclusiveAndRounded) {
  EXPECT_EQ(10, ReadRoundedNumber("10.5", 0, 10));
  EXPECT_FALSE(ReadRoundedNumber("10.51", 0, 10));
  EXPECT_EQ(0, ReadRoundedNumber("-0.5", 0, 10));
  EXPECT_FALSE(ReadRoundedNumber("-0.51", 0, 10));
  EXPECT_EQ(2147483647, ReadRoundedNumber("2147483647", INT32_MIN, INT32_MAX));
  EXPECT_FALSE(ReadRoundedNumber("2147483648", INT32_MIN, INT32_MAX));
  EXPECT_EQ(INT32_MIN, ReadRoundedNumber("-2147483648", INT32_MIN, INT32_MAX));
  EXPECT_FALSE(ReadRoundedNumber("1e400", INT32_MIN, INT32_MAX));
}

}  // namespace
}  // namespace tallix
