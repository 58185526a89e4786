// The JSON report. The structure is written straight out, in the order the
// format fixes; a text that needs escaping is made valid UTF-8 and then goes
// through nlohmann-json's dump(), so escaping is the library's. Most texts
// need none and are written as they stand.

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>

#include "engine/analysis/cost.h"
#include "engine/analysis/duration.h"
#include "engine/reports/report_text.h"
#include "engine/util/lenient_utf8.h"

namespace tallix {
namespace {

// Writes JSON values one after another, with the commas between them.
class JsonWriter {
 public:
  explicit JsonWriter(ReportSink& sink) : sink_(sink), out_(sink.text()) {}

  void Key(std::string_view key) {
    Text(key);
    out_ += ':';
    need_comma_ = false;
  }
  void Text(std::string_view bytes) {
    Separate();
    if (IsPlain(bytes)) {
      // What the serialiser would write for it: the bytes between quotes.
      out_ += '"';
      out_ += bytes;
      out_ += '"';
    } else {
      std::string text;
      AppendLenientUtf8(text, bytes);
      // Valid UTF-8 by now: the handler never has to act.
      out_ += nlohmann::json(std::move(text))
                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
    }
    need_comma_ = true;
  }
  void Number(int64_t n) {
    Separate();
    AppendInteger(out_, n);
    need_comma_ = true;
  }
  void Null() { Word("null"); }
  void Bool(bool value) { Word(value ? "true" : "false"); }
  void Word(std::string_view word) {
    Separate();
    out_ += word;
    need_comma_ = true;
  }
  template <typename Value>
  void Optional(const std::optional<Value>& value) {
    value ? Number(*value) : Null();
  }
  void Open(char bracket) {
    Separate();
    out_ += bracket;
    need_comma_ = false;
    ++depth_;
  }
  void Close(char bracket) {
    --depth_;
    out_ += bracket;
    need_comma_ = true;
  }
  // A line break, indented by depth, before the next value: between the
  // members of the outer object and between list entries, so that the text
  // also reads line by line.
  void Break() {
    break_next_ = true;
    sink_.RowEnd();
  }

  template <typename Value>
  void Member(std::string_view key, const Value& value) {
    Key(key);
    if constexpr (std::is_integral_v<Value>) {
      Number(value);
    } else {
      Text(value);
    }
  }

  void Reserve(size_t bytes) { sink_.Reserve(bytes); }
  void End() { out_ += '\n'; }

 private:
  // Whether a JSON string holds `bytes` as they stand: ASCII, no control
  // character and none that must be escaped, as most texts of a report.
  static bool IsPlain(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](unsigned char c) {
      return c >= 0x20 && c < 0x80 && c != '"' && c != '\\';
    });
  }

  void Separate() {
    if (need_comma_) out_ += ',';
    if (break_next_) {
      out_ += '\n';
      out_.append(2 * depth_, ' ');
    }
    break_next_ = false;
  }

  ReportSink& sink_;
  std::string& out_;
  bool need_comma_ = false;
  bool break_next_ = false;
  size_t depth_ = 0;
};

void TextList(JsonWriter& json, std::span<const std::string> texts) {
  json.Open('[');
  for (const std::string& text : texts) json.Text(text);
  json.Close(']');
}

// A time as call_time.h writes it, or null.
void TimeMember(JsonWriter& json, std::string_view key, const CallTime& time) {
  json.Key(key);
  time.has_time ? json.Text(TimeText(time)) : json.Null();
}

void LogObject(JsonWriter& json, const LoadedLog& log, const ReportHeading& heading) {
  json.Open('{');
  json.Member("start", heading.start);
  json.Member("end", heading.end);
  json.Member("records", int64_t{log.LineCount()});
  json.Key("days");
  TextList(json, log.LogDates());
  const TimedSpan span = TimedSpanOf(log).value_or(TimedSpan{});
  TimeMember(json, "first_time", span.first);
  TimeMember(json, "last_time", span.last);
  json.Close('}');
}

// An amount as a string with the file's places ("0.36"), or null.
void CostMember(JsonWriter& json, std::string_view key, const std::optional<int64_t>& cost,
                const Tariffs& tariffs) {
  json.Key(key);
  cost ? json.Text(MoneyText(*cost, tariffs.decimals)) : json.Null();
}

void SiteList(JsonWriter& json, const ReportRequest& request) {
  const TallyResult& tally = request.tally;
  json.Open('[');
  for (int s = 0; s < request.config.SitesInUse(); ++s) {
    const auto site = static_cast<size_t>(s);
    const CallFigures figures =
        site < tally.sites.size() ? tally.sites[site].figures : CallFigures{};
    json.Break();
    json.Open('{');
    json.Member("name", request.config.SiteNames[site]);
    json.Member("number", request.config.SiteNumbers[site]);
    json.Member("calls", figures.calls);
    json.Member("seconds", figures.seconds);
    json.Member("duration", FormatDuration(tally.SiteSeconds(s)));
    json.Member("average_seconds", figures.AverageSeconds());
    json.Member("longest_seconds", figures.longest_seconds);
    if (request.tariffs != nullptr) CostMember(json, "cost", figures.cost, *request.tariffs);
    json.Key("call_list");
    json.Open('[');
    for (const CountedCall& call : tally.CallsOf(s)) {
      const LogLine& line = request.log.LogLines()[static_cast<size_t>(call.line)];
      json.Break();
      json.Open('{');
      json.Member("stamp", tally.lines[static_cast<size_t>(call.line)].stamp);
      json.Member("seconds", int64_t{call.seconds});
      json.Member("file", int64_t{line.origin.file});
      json.Member("line", int64_t{line.origin.line});
      TimeMember(json, "time", line.time);
      if (request.tariffs != nullptr) {
        CostMember(json, "cost", tally.lines[static_cast<size_t>(call.line)].cost,
                   *request.tariffs);
      }
      json.Close('}');
    }
    json.Close(']');
    json.Close('}');
  }
  json.Close(']');
}

void UnmatchedList(JsonWriter& json, const TallyResult& tally, const Tariffs* tariffs) {
  json.Open('[');
  for (const UnmatchedNumber& n : tally.unmatched) {
    json.Break();
    json.Open('{');
    json.Member("number", n.number);
    json.Member("calls", n.calls);
    json.Member("seconds", n.seconds);
    if (tariffs != nullptr) CostMember(json, "cost", n.cost, *tariffs);
    json.Close('}');
  }
  json.Close(']');
}

void ReconciliationObject(JsonWriter& json, const Reconciliation& sums, bool with_cost) {
  json.Open('{');
  for (const ReconciliationFigure& figure : ReconciliationFigures()) {
    json.Break();
    json.Member(figure.key, static_cast<int64_t>(sums.*figure.value));
  }
  if (with_cost) {
    json.Break();
    json.Member("without_cost", static_cast<int64_t>(sums.without_cost));
  }
  json.Close('}');
}

void NumberList(JsonWriter& json, const std::vector<int64_t>& numbers) {
  json.Open('[');
  for (const int64_t n : numbers) json.Number(n);
  json.Close(']');
}

void PerDayList(JsonWriter& json, const TallyResult& tally) {
  json.Open('[');
  for (const DayCalls& day : tally.days) {
    json.Break();
    json.Open('{');
    json.Member("day", day.day);
    json.Key("calls");
    NumberList(json, day.calls);
    json.Key("seconds");
    NumberList(json, day.seconds);
    json.Close('}');
  }
  json.Close(']');
}

void PeriodList(JsonWriter& json, const ReportRequest& request, PeriodUnit unit) {
  const PeriodTable table(CountedTimedCalls(request.log, request.tally),
                          request.config.SitesInUse(), unit);
  const Tariffs* tariffs = request.tariffs;
  json.Open('[');
  table.ForEach([&](const PeriodRow& period) {
    json.Break();
    json.Open('{');
    json.Member("period", period.label);
    std::string day;
    AppendDateText(day, period.first_day);
    json.Member("start", day);
    day.clear();
    AppendDateText(day, period.last_day);
    json.Member("end", day);
    json.Key("sites");
    json.Open('[');
    for (size_t s = 0; s < period.sites.size(); ++s) {
      const PeriodSite& site = period.sites[s];
      json.Open('{');
      json.Member("name", request.config.SiteNames[s]);
      json.Member("calls", site.figures.calls);
      json.Member("seconds", site.figures.seconds);
      json.Member("average_seconds", site.figures.AverageSeconds());
      json.Member("longest_seconds", site.figures.longest_seconds);
      json.Key("change_calls");
      json.Optional(site.change_calls);
      json.Key("change_seconds");
      json.Optional(site.change_seconds);
      if (tariffs != nullptr) {
        const Budget* budget = FindBudget(*tariffs, request.config.SiteNumbers[s], unit);
        CostMember(json, "cost", site.figures.cost, *tariffs);
        CostMember(json, "budget", budget ? std::optional(budget->amount) : std::nullopt, *tariffs);
        json.Key("over_budget");
        budget ? json.Bool(OverBudget(site.figures.cost, *budget)) : json.Null();
      }
      json.Close('}');
    }
    json.Close(']');
    json.Close('}');
  });
  json.Close(']');
}

// Room for the object but its call entries, and for each call entry: the
// text grows once or twice rather than a dozen times.
constexpr size_t kObjectBytes = 4096;
constexpr size_t kCallEntryBytes = 64;

}  // namespace

void WriteJsonReport(const ReportRequest& request, ReportSink& sink) {
  const TallyResult& tally = request.tally;
  JsonWriter json(sink);
  json.Reserve(kObjectBytes + kCallEntryBytes * tally.reconciliation.counted);
  json.Open('{');
  if (request.tariffs != nullptr) {
    json.Break();
    json.Member("currency", request.tariffs->currency);
    json.Break();
    json.Member("decimals", int64_t{request.tariffs->decimals});
  }
  json.Break();
  json.Key("files");
  TextList(json, request.log.LogFilePaths);
  json.Break();
  json.Member("selection", tally.selection);
  json.Break();
  json.Member("caption", tally.caption);
  json.Break();
  json.Key("log");
  LogObject(json, request.log, request.heading);
  json.Break();
  json.Key("sites");
  SiteList(json, request);
  json.Break();
  json.Key("unmatched");
  UnmatchedList(json, tally, request.tariffs);
  json.Break();
  json.Key("per_day");
  PerDayList(json, tally);
  if (request.by) {
    json.Break();
    json.Key("periods");
    PeriodList(json, request, *request.by);
  }
  json.Break();
  json.Member("total_calls", static_cast<int64_t>(tally.reconciliation.counted));
  json.Break();
  json.Key("warnings");
  TextList(json, request.warnings);
  json.Break();
  json.Key("reconciliation");
  ReconciliationObject(json, tally.reconciliation, request.tariffs != nullptr);
  json.Close('}');
  json.End();
}

}  // namespace tallix
