// The credited calls as CSV (RFC 4180).

#include <charconv>

#include "engine/reports/export_reports.h"

namespace tallix {
namespace {

// A CSV field, quoted only when it must be.
void AppendCsvField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string CallsCsvText(const TallixData& data) {
  std::string out = "site,number,stamp,seconds\r\n";
  const int sites = SitesInUse(data);
  for (int s = 0; s < sites; ++s) {
    const auto site = static_cast<size_t>(s);
    std::string prefix;
    AppendCsvField(prefix, data.SiteNames[site]);
    prefix += ',';
    AppendCsvField(prefix, data.SiteNumbers[site]);
    prefix += ',';
    const int calls = CallsInUse(data, s);
    for (int c = 0; c < calls; ++c) {
      out += prefix;
      AppendCsvField(out, data.CallStamps(c, s));
      char seconds[16];
      *seconds = ',';
      char* end = std::to_chars(seconds + 1, seconds + 13, data.CallSeconds(c, s)).ptr;
      *end++ = '\r';
      *end++ = '\n';
      out.append(seconds, end);
    }
  }
  return out;
}

}  // namespace tallix
