#pragma once
// The moment a report is made, in the user's date and time forms: the C
// library's %x and %X under the process's LC_TIME (the user's locale once
// setlocale has taken it from the environment).

#include "engine/reports/report_text.h"

namespace tallix {

ReportClock LocalReportClock();

}  // namespace tallix
