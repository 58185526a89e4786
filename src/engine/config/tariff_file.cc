#include "engine/config/tariff_file.h"

#include <toml++/toml.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <tuple>
#include <utility>

#include "engine/util/text_file.h"
#include "engine/util/visible_text.h"

namespace tallix {
namespace {

constexpr size_t kMaxCurrencyCharacters = 8;
constexpr int kMaxDecimals = 6;
constexpr int kMaxPlaces = 6;
constexpr int kMaxWholeDigits = 12;  // kMaxAmount's
constexpr int kMinutesPerDay = 24 * 60;

std::string Quoted(std::string_view text) { return "\"" + VisibleText(text) + "\""; }

// The faults found, of which the first in the text is told; a missing key
// only when nothing else is wrong, since a misspelt key is also a missing one
// and its own message says more.
class Faults {
 public:
  void Add(const toml::source_region& where, std::string what, bool missing = false) {
    const std::tuple<bool, uint64_t, uint64_t> at{missing, where.begin.line, where.begin.column};
    if (!what_.empty() && at >= at_) return;
    at_ = at;
    what_ = std::move(what);
  }
  bool any() const { return !what_.empty(); }
  std::string Message(std::string_view file_name) const {
    return std::string(file_name) + ":" + std::to_string(std::get<1>(at_)) + ":" +
           std::to_string(std::get<2>(at_)) + ": " + what_;
  }

 private:
  std::tuple<bool, uint64_t, uint64_t> at_{};
  std::string what_;
};

// Reads the values of one table, adding a fault for each that is missing or
// wrong; `header` names the table in messages.
struct Reader {
  const toml::table& table;
  std::string_view header;  // "[[tariff]]"; "" for the top level
  Faults& faults;

  void CheckKeys(std::initializer_list<std::string_view> known) const {
    for (auto&& [key, node] : table) {
      if (std::find(known.begin(), known.end(), key.str()) != known.end()) continue;
      faults.Add(key.source(), "unknown key " + Quoted(key.str()) +
                                   (header.empty() ? "" : " in " + std::string(header)));
    }
  }

  // The value of `key`; when it is missing and `required`, a fault.
  const toml::node* Find(std::string_view key, bool required = true) const {
    const toml::node* node = table.get(key);
    if (node == nullptr && required) {
      faults.Add(table.source(), std::string(header) + " has no \"" + std::string(key) + "\"",
                 true);
    }
    return node;
  }

  void Wrong(const toml::node& node, std::string_view key, std::string_view what) const {
    faults.Add(node.source(), "\"" + std::string(key) + "\" " + std::string(what));
  }

  std::optional<std::string> String(std::string_view key, bool required = true) const {
    const toml::node* node = Find(key, required);
    if (node == nullptr) return std::nullopt;
    if (const auto* text = node->as_string()) return text->get();
    Wrong(*node, key, "must be a string");
    return std::nullopt;
  }

  std::optional<int64_t> Integer(std::string_view key) const {
    const toml::node* node = Find(key);
    if (node == nullptr) return std::nullopt;
    if (const auto* number = node->as_integer()) return number->get();
    Wrong(*node, key, "must be an integer");
    return std::nullopt;
  }

  std::optional<int64_t> Amount(std::string_view key, bool required = true) const;
  std::optional<int16_t> Minute(std::string_view key) const;

  // The array of strings at `key`, each passed to `each` with its node.
  template <typename Each>
  void Strings(std::string_view key, std::string_view what, Each each) const {
    const toml::node* node = Find(key);
    if (node == nullptr) return;
    const toml::array* array = node->as_array();
    if (array == nullptr) return Wrong(*node, key, "must be an array of " + std::string(what));
    for (const toml::node& element : *array) each(element);
  }
};

// A decimal of at most kMaxPlaces places, as text, in millionths.
std::optional<int64_t> ParseAmountText(std::string_view text, std::string& why) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  const size_t point = digits.find('.');
  const std::string_view whole = digits.substr(0, point);
  const std::string_view places =
      point == std::string_view::npos ? std::string_view{} : digits.substr(point + 1);
  const auto all_digits = [](std::string_view part) {
    return !part.empty() &&
           std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!all_digits(whole) || (point != std::string_view::npos && !all_digits(places))) {
    why = "is not an amount such as \"0.10\": " + Quoted(text);
    return std::nullopt;
  }
  if (negative) {
    why = "is negative: " + Quoted(text);
    return std::nullopt;
  }
  if (places.size() > kMaxPlaces) {
    why = "has more than 6 decimal places: " + Quoted(text);
    return std::nullopt;
  }
  const std::string_view significant =
      whole.substr(std::min(whole.find_first_not_of('0'), whole.size()));
  if (significant.size() > kMaxWholeDigits) {
    why = "is too large: " + Quoted(text);
    return std::nullopt;
  }
  int64_t amount = 0;
  for (const char c : significant) amount = amount * 10 + (c - '0');
  int64_t fraction = 0;
  for (size_t i = 0; i < kMaxPlaces; ++i) {
    fraction = fraction * 10 + (i < places.size() ? places[i] - '0' : 0);
  }
  return amount * kMillionths + fraction;
}

std::optional<int64_t> Reader::Amount(std::string_view key, bool required) const {
  const toml::node* node = Find(key, required);
  if (node == nullptr) return std::nullopt;
  std::string why;
  std::optional<int64_t> amount;
  if (const auto* text = node->as_string()) {
    amount = ParseAmountText(text->get(), why);
  } else if (const auto* number = node->as_integer()) {
    const int64_t whole = number->get();
    if (whole < 0) {
      why = "is negative: " + std::to_string(whole);
    } else if (whole > kMaxAmount / kMillionths) {
      why = "is too large: " + std::to_string(whole);
    } else {
      amount = whole * kMillionths;
    }
  } else if (node->is_floating_point()) {
    why = "must be a string such as \"0.10\" or an integer, not a float";
  } else {
    why = "must be an amount: a string such as \"0.10\" or an integer";
  }
  if (!amount) Wrong(*node, key, why);
  return amount;
}

// "hh:mm" from 00:00 to 24:00, in minutes.
std::optional<int16_t> ParseClock(std::string_view text) {
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  for (const size_t i : {size_t{0}, size_t{1}, size_t{3}, size_t{4}}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const int hours = (text[0] - '0') * 10 + (text[1] - '0');
  const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
  if (minutes > 59 || hours > 24 || (hours == 24 && minutes != 0)) return std::nullopt;
  return static_cast<int16_t>(hours * 60 + minutes);
}

std::optional<int16_t> Reader::Minute(std::string_view key) const {
  const toml::node* node = Find(key);
  if (node == nullptr) return std::nullopt;
  const auto* text = node->as_string();
  const std::optional<int16_t> minute = text ? ParseClock(text->get()) : std::nullopt;
  if (!minute) {
    Wrong(*node, key,
          "must be a time \"hh:mm\"" + (text ? ", not " + Quoted(text->get()) : std::string()));
  }
  return minute;
}

std::string ClockText(int minute) {
  std::string text = "00:00";
  text[0] = static_cast<char>('0' + minute / 600);
  text[1] = static_cast<char>('0' + minute / 60 % 10);
  text[3] = static_cast<char>('0' + minute % 60 / 10);
  text[4] = static_cast<char>('0' + minute % 10);
  return text;
}

// A date "YYYY-MM-DD" in years 1..9999, as a string or a TOML date.
std::optional<std::chrono::local_days> ReadDate(const toml::node& node) {
  int y = 0;
  unsigned m = 0;
  unsigned d = 0;
  if (const auto* date = node.as_date()) {
    y = date->get().year;
    m = date->get().month;
    d = date->get().day;
  } else if (const auto* text = node.as_string()) {
    const std::string_view s = text->get();
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
    for (size_t i = 0; i < s.size(); ++i) {
      if (i != 4 && i != 7 && (s[i] < '0' || s[i] > '9')) return std::nullopt;
    }
    const auto number = [&s](size_t at, size_t length) {
      unsigned n = 0;
      for (size_t i = at; i < at + length; ++i) n = n * 10 + static_cast<unsigned>(s[i] - '0');
      return n;
    };
    y = static_cast<int>(number(0, 4));
    m = number(5, 2);
    d = number(8, 2);
  } else {
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year{y}, std::chrono::month{m},
                                         std::chrono::day{d}};
  if (y < 1 || y > 9999 || !date.ok()) return std::nullopt;
  return std::chrono::local_days{date};
}

// The tables of the array at `key` of `parent`; a fault when it is another
// kind of value.
const toml::array* Tables(const Reader& parent, std::string_view key, std::string_view header) {
  const toml::node* node = parent.Find(key, false);
  if (node == nullptr) return nullptr;
  const toml::array* array = node->as_array();
  if (array == nullptr || !array->is_array_of_tables()) {
    parent.Wrong(*node, key, "must be written as " + std::string(header) + " tables");
    return nullptr;
  }
  return array;
}

TariffZone ReadZone(const toml::table& table, Faults& faults) {
  const Reader reader{table, "[[tariff.zone]]", faults};
  reader.CheckKeys({"days", "from", "to", "unit_seconds", "unit_price"});
  TariffZone zone;
  reader.Strings("days", "day names", [&](const toml::node& element) {
    const auto* text = element.as_string();
    const std::string_view name = text ? std::string_view(text->get()) : std::string_view{};
    const auto* at = std::find(std::begin(kDayKindNames), std::end(kDayKindNames), name);
    if (text != nullptr && at != std::end(kDayKindNames)) {
      zone.days |= static_cast<uint8_t>(1u << (at - std::begin(kDayKindNames)));
    } else {
      faults.Add(element.source(),
                 (text ? "unknown day " + Quoted(name) : std::string("a day must be a string")) +
                     ": days are Mon, Tue, Wed, Thu, Fri, Sat, Sun and Hol");
    }
  });
  const std::optional<int16_t> from = reader.Minute("from");
  const std::optional<int16_t> to = reader.Minute("to");
  if (from && to) {
    if (*from >= *to) {
      faults.Add(table.get("from")->source(),
                 "\"from\" " + ClockText(*from) + " is not before \"to\" " + ClockText(*to));
    }
    zone.from_minute = *from;
    zone.to_minute = *to;
  }
  if (const std::optional<int64_t> unit = reader.Integer("unit_seconds")) {
    if (*unit < 1) {
      reader.Wrong(*table.get("unit_seconds"), "unit_seconds",
                   "must be at least 1, not " + std::to_string(*unit));
    }
    zone.unit_seconds = *unit;
  }
  zone.unit_price = reader.Amount("unit_price").value_or(0);
  return zone;
}

Tariff ReadOneTariff(const toml::table& table, Faults& faults) {
  const Reader reader{table, "[[tariff]]", faults};
  reader.CheckKeys({"name", "prefixes", "setup", "zone"});
  Tariff tariff;
  tariff.name = reader.String("name").value_or("");
  reader.Strings("prefixes", "strings", [&](const toml::node& element) {
    if (const auto* text = element.as_string()) {
      tariff.prefixes.push_back(text->get());
    } else {
      faults.Add(element.source(), "a prefix must be a string");
    }
  });
  tariff.setup = reader.Amount("setup", false).value_or(0);
  const toml::array* zones = Tables(reader, "zone", "[[tariff.zone]]");
  if (zones == nullptr) {
    if (reader.Find("zone", false) == nullptr) {
      faults.Add(table.source(), "tariff " + Quoted(tariff.name) + " has no [[tariff.zone]]", true);
    }
    return tariff;
  }
  for (const toml::node& zone : *zones) tariff.zones.push_back(ReadZone(*zone.as_table(), faults));
  return tariff;
}

// A budget; none when its number or `per` could not be read.
std::optional<Budget> ReadBudget(const toml::table& table, Faults& faults) {
  const Reader reader{table, "[[budget]]", faults};
  reader.CheckKeys({"number", "per", "amount"});
  const std::optional<std::string> number = reader.String("number");
  const std::optional<std::string> per = reader.String("per");
  std::optional<PeriodUnit> unit;
  if (per) {
    unit = ReadPeriodUnit(*per);
    if (!unit) {
      reader.Wrong(*table.get("per"), "per", "must be day, week or month, not " + Quoted(*per));
    }
  }
  const int64_t amount = reader.Amount("amount").value_or(0);
  if (!number || !unit) return std::nullopt;
  return Budget{*number, *unit, amount};
}

void ReadTop(const toml::table& top, Tariffs& tariffs, Faults& faults) {
  const Reader reader{top, "", faults};
  reader.CheckKeys({"currency", "decimals", "holidays", "tariff", "budget"});
  if (const std::optional<std::string> currency = reader.String("currency", false)) {
    const auto characters = std::count_if(currency->begin(), currency->end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    const bool controls = std::any_of(currency->begin(), currency->end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (static_cast<size_t>(characters) > kMaxCurrencyCharacters) {
      reader.Wrong(*top.get("currency"), "currency",
                   "is longer than 8 characters: " + Quoted(*currency));
    } else if (controls) {
      reader.Wrong(*top.get("currency"), "currency", "holds a control character");
    }
    tariffs.currency = *currency;
  }
  if (reader.Find("decimals", false) != nullptr) {
    if (const std::optional<int64_t> decimals = reader.Integer("decimals")) {
      if (*decimals < 0 || *decimals > kMaxDecimals) {
        reader.Wrong(*top.get("decimals"), "decimals",
                     "must be from 0 to 6, not " + std::to_string(*decimals));
      } else {
        tariffs.decimals = static_cast<int>(*decimals);
      }
    }
  }
  if (reader.Find("holidays", false) != nullptr) {
    reader.Strings("holidays", "dates", [&](const toml::node& element) {
      if (const std::optional<std::chrono::local_days> day = ReadDate(element)) {
        tariffs.holidays.push_back(*day);
        return;
      }
      const auto* text = element.as_string();
      faults.Add(element.source(), "bad holiday date" + (text ? " " + Quoted(text->get()) : "") +
                                       ": dates are written YYYY-MM-DD");
    });
  }
  std::sort(tariffs.holidays.begin(), tariffs.holidays.end());
  tariffs.holidays.erase(std::unique(tariffs.holidays.begin(), tariffs.holidays.end()),
                         tariffs.holidays.end());
  if (const toml::array* list = Tables(reader, "tariff", "[[tariff]]")) {
    for (const toml::node& node : *list) {
      const toml::table& table = *node.as_table();
      tariffs.tariffs.push_back(ReadOneTariff(table, faults));
      const Tariff& added = tariffs.tariffs.back();
      for (size_t i = 0; i + 1 < tariffs.tariffs.size(); ++i) {
        if (!added.name.empty() && tariffs.tariffs[i].name == added.name) {
          faults.Add(table.get("name")->source(), "two tariffs are named " + Quoted(added.name));
          break;
        }
      }
    }
  }
  if (const toml::array* list = Tables(reader, "budget", "[[budget]]")) {
    for (const toml::node& node : *list) {
      const toml::table& table = *node.as_table();
      const std::optional<Budget> budget = ReadBudget(table, faults);
      if (!budget) continue;
      const bool repeated =
          std::any_of(tariffs.budgets.begin(), tariffs.budgets.end(), [&](const Budget& other) {
            return other.number == budget->number && other.per == budget->per;
          });
      if (repeated) {
        faults.Add(table.source(), "two budgets for number " + Quoted(budget->number) + " per " +
                                       table.get("per")->as_string()->get());
      }
      tariffs.budgets.push_back(*budget);
    }
  }
}

// The first minute of day kind `kind` that no zone of `tariff` holds, or
// none.
std::optional<int> FirstGap(const Tariff& tariff, int kind) {
  std::vector<std::pair<int, int>> spans;
  for (const TariffZone& zone : tariff.zones) {
    if ((zone.days >> kind & 1u) != 0) spans.emplace_back(zone.from_minute, zone.to_minute);
  }
  std::sort(spans.begin(), spans.end());
  int covered = 0;
  for (const auto& [from, to] : spans) {
    if (from > covered) return covered;
    covered = std::max(covered, to);
  }
  return covered < kMinutesPerDay ? std::optional<int>(covered) : std::nullopt;
}

std::string GapMessage(const Tariffs& tariffs, std::string_view file_name) {
  const int kinds = tariffs.holidays.empty() ? kHoliday : kDayKinds;
  for (const Tariff& tariff : tariffs.tariffs) {
    for (int kind = 0; kind < kinds; ++kind) {
      if (const std::optional<int> minute = FirstGap(tariff, kind)) {
        return std::string(file_name) + ": tariff " + Quoted(tariff.name) + " covers no zone on " +
               std::string(kDayKindNames[kind]) + " at " + ClockText(*minute);
      }
    }
  }
  return {};
}

}  // namespace

TariffRead ReadTariffText(std::string_view text, std::string_view file_name) {
  TariffRead read;
  toml::table top;
  try {
    top = toml::parse(text, file_name);
  } catch (const toml::parse_error& error) {
    read.error = std::string(file_name) + ":" + std::to_string(error.source().begin.line) + ":" +
                 std::to_string(error.source().begin.column) + ": " +
                 VisibleText(error.description());
    return read;
  }
  Faults faults;
  ReadTop(top, read.tariffs, faults);
  read.error = faults.any() ? faults.Message(file_name) : GapMessage(read.tariffs, file_name);
  if (!read.ok()) read.tariffs = Tariffs{};
  return read;
}

TariffRead ReadTariffFile(const std::string& path) {
  std::string text;
  const Status status = ReadWholeFile(path, kMaxTariffFileBytes, text);
  if (!status.ok()) return TariffRead{{}, "tariff file: " + status.message()};
  return ReadTariffText(text, path);
}

std::vector<std::string> BudgetWarnings(const Tariffs& tariffs,
                                        std::span<const std::string> site_numbers,
                                        std::string_view file_name) {
  std::vector<std::string> warnings;
  for (const Budget& budget : tariffs.budgets) {
    if (std::find(site_numbers.begin(), site_numbers.end(), budget.number) != site_numbers.end()) {
      continue;
    }
    warnings.push_back(std::string(file_name) + ": budget for number " + Quoted(budget.number) +
                       " names no site");
  }
  return warnings;
}

}  // namespace tallix
