#include "engine/analysis/time_range.h"

#include "engine/util/usage_message.h"

namespace tallix {
namespace {

using std::chrono::days;
using std::chrono::year_month_day;

// A WHEN in one of its three forms. The date and the clock are read as an
// RFC 3339 stamp would be, with an offset added so that one reader serves.
std::optional<RangeEnd> ReadRangeEnd(std::string_view text, bool until) {
  RangeEnd end;
  std::string stamp(text);
  if (text.size() == 10) {
    stamp += "T00:00:00Z ";
  } else if (text.size() == 16 && text[10] == ' ') {
    end.written = RangeEnd::Written::kMinute;
    stamp += ":00Z ";
  } else if (text.size() == 19 && text[10] == 'T') {
    end.written = RangeEnd::Written::kSecond;
    stamp += "Z ";
  } else {
    return std::nullopt;
  }
  const LineStamp read = ReadLineStamp(stamp);
  // The leap second names no end of a range.
  if (read.form != StampForm::kRfc3339 || read.second == 60) return std::nullopt;
  const std::vector<CallTime> time = LineTimes({&read, 1}, YearRule{});
  end.time = time[0].wall;
  if (until && end.written == RangeEnd::Written::kDate)
    end.time += days{1} - std::chrono::seconds{1};
  return end;
}

void AppendEnd(std::string& out, const RangeEnd& end) {
  const year_month_day ymd{std::chrono::floor<days>(end.time)};
  out += std::to_string(static_cast<unsigned>(ymd.day()));
  out += ' ';
  out += MonthName(static_cast<unsigned>(ymd.month()));
  out += ' ';
  out += std::to_string(static_cast<int>(ymd.year()));
  if (end.written == RangeEnd::Written::kDate) return;
  // The clock as written: its digits come back from the time.
  const std::string text = TimeText(CallTime{end.time, true});
  out += ' ';
  out += text.substr(11, end.written == RangeEnd::Written::kMinute ? 5 : 8);
}

std::string Quoted(std::string_view option, std::string_view text) {
  return std::string(option) + ' ' + QuotedValue(text);
}

}  // namespace

bool TimeRange::Contains(const CallTime& time) const {
  if (!limited()) return true;
  if (!time.has_time) return false;
  return (!since || time.wall >= since->time) && (!until || time.wall <= until->time);
}

Status ReadTimeRange(std::optional<std::string_view> since, std::optional<std::string_view> until,
                     TimeRange& range) {
  range = TimeRange{};
  for (const bool is_until : {false, true}) {
    const std::optional<std::string_view>& text = is_until ? until : since;
    if (!text) continue;
    std::optional<RangeEnd>& end = is_until ? range.until : range.since;
    end = ReadRangeEnd(*text, is_until);
    if (!end) {
      return Status::Error(BadOptionValue(is_until ? "--until" : "--since", *text,
                                          "a date and time",
                                          "YYYY-MM-DD, 'YYYY-MM-DD hh:mm' or YYYY-MM-DDThh:mm:ss"));
    }
  }
  if (range.since && range.until && range.since->time > range.until->time) {
    return Status::Error(Quoted("--since", *since) + " lies after " + Quoted("--until", *until));
  }
  return Status::Ok();
}

std::string RangeCaption(const TimeRange& range) {
  std::string caption;
  if (range.since) {
    caption += range.until ? "from " : "since ";
    AppendEnd(caption, *range.since);
  }
  if (range.until) {
    caption += range.since ? " to " : "until ";
    AppendEnd(caption, *range.until);
  }
  return caption;
}

}  // namespace tallix
