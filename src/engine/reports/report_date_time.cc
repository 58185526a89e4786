#include "engine/reports/report_date_time.h"

#include <ctime>

namespace tallix {
namespace {

std::string Format(const std::tm& moment, const char* format) {
  char buffer[128];
  const size_t n = std::strftime(buffer, sizeof buffer, format, &moment);
  return std::string(buffer, n);
}

}  // namespace

ReportDateTime LocalReportDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {Format(local, "%x"), Format(local, "%X")};
}

}  // namespace tallix
