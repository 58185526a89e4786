#pragma once
// The tariff file (Tariffs.toml): the currency, the public holidays, the
// tariffs that price calls in units by weekday and time of day, and the
// budgets per site and period. Reading gives either the whole value or one
// refusal that names the file, and the line and column where there is one;
// a file is never half taken.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analysis/periods.h"

namespace tallix {

inline constexpr char kTariffFileName[] = "Tariffs.toml";

// A longer file is refused unread: memory stays bounded whatever is given.
inline constexpr size_t kMaxTariffFileBytes = size_t{1} << 20;

// Amounts are held in millionths of the currency's unit, exactly.
inline constexpr int64_t kMillionths = 1'000'000;
// The largest amount a file may give: 999999999999.999999.
inline constexpr int64_t kMaxAmount = 1'000'000'000'000 * kMillionths - 1;

// The kinds of day a zone may hold, as bits of TariffZone::days: Mon..Sun
// are 0..6 (ISO order), and a date listed in `holidays` is kHoliday instead
// of its weekday.
inline constexpr int kHoliday = 7;
inline constexpr int kDayKinds = 8;
inline constexpr std::string_view kDayKindNames[kDayKinds] = {"Mon", "Tue", "Wed", "Thu",
                                                              "Fri", "Sat", "Sun", "Hol"};

struct TariffZone {
  uint8_t days = 0;          // bit k for day kind k
  int16_t from_minute = 0;   // 0..1439; the zone holds from <= time < to
  int16_t to_minute = 0;     // from_minute+1..1440
  int64_t unit_seconds = 1;  // at least 1
  int64_t unit_price = 0;    // millionths, 0..kMaxAmount
};

struct Tariff {
  std::string name;                   // unique within the file
  std::vector<std::string> prefixes;  // "" matches every number
  int64_t setup = 0;                  // millionths, charged once per call; 0 when not given
  std::vector<TariffZone> zones;      // file order: the first that holds a time applies
};

struct Budget {
  std::string number;  // a site's number, compared as it stands
  PeriodUnit per = PeriodUnit::kMonth;
  int64_t amount = 0;  // millionths
};

struct Tariffs {
  std::string currency;  // at most 8 characters; "" when not given
  int decimals = 2;      // places amounts are written with, 0..6
  // Ascending and without repeats, whatever the file's order.
  std::vector<std::chrono::local_days> holidays;
  std::vector<Tariff> tariffs;  // file order
  std::vector<Budget> budgets;  // file order; one per (number, per) at most
};

// A read tariff file, or why it was refused.
struct TariffRead {
  Tariffs tariffs;    // empty when refused
  std::string error;  // empty when read: "Tariffs.toml:7:3: unknown key \"nmae\" in [[tariff]]"
  bool ok() const { return error.empty(); }
};

// Reads the tariff file's text. Messages begin with `file_name` as it is
// given (the caller passes the path it opened, so a person can find the
// file), then ":line:column" where the fault has a place in the text. When a
// file has several faults, the first in the text is told; a gap in a tariff's
// zones, which has no single place, is told only when nothing else is wrong,
// as `<file>: tariff "Local" covers no zone on Sat at 00:00`. Refused:
// TOML syntax, unknown keys at every level, values of the wrong type, a
// missing `name`, `prefixes` or zone (and any key of a zone or a budget),
// amounts that are floats, negative, longer than 6 places or above
// kMaxAmount, `unit_seconds` below 1, a time not "hh:mm" or `from` not before
// `to`, an unknown day name, a holiday that is not a date YYYY-MM-DD in years
// 1..9999, a budget `per` other than day, week or month, two tariffs of one
// name, two budgets of one number and `per`, a currency longer than 8
// characters (UTF-8 code points), decimals outside 0..6, and a gap: every
// tariff covers every minute of Mon..Sun, and of Hol when there are holidays.
TariffRead ReadTariffText(std::string_view text, std::string_view file_name);

// Reads the file at `path` (an ordinary file of at most kMaxTariffFileBytes)
// and names it by `path` in every message.
TariffRead ReadTariffFile(const std::string& path);

// One warning for each budget whose number is none of `site_numbers`:
// `<file_name>: budget for number "0999" names no site`. The budget stays
// in the value; it simply never applies.
std::vector<std::string> BudgetWarnings(const Tariffs& tariffs,
                                        std::span<const std::string> site_numbers,
                                        std::string_view file_name);

}  // namespace tallix
