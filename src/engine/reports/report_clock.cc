#include "engine/reports/report_clock.h"

#include <ctime>

namespace tallix {
namespace {

std::string Format(const std::tm& moment, const char* format) {
  char buffer[128];
  const size_t n = std::strftime(buffer, sizeof buffer, format, &moment);
  return std::string(buffer, n);
}

}  // namespace

ReportClock LocalReportClock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {Format(local, "%x"), Format(local, "%X")};
}

}  // namespace tallix
