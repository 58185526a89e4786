#pragma once
// The moment a report is made, in the user's date and time forms: the local
// time now, written by the C library's strftime with %x and %X under the
// process's LC_TIME. That is the "C" locale until the program takes the
// user's from the environment (the command sets LC_TIME itself; Qt sets the
// whole locale when the desktop program starts). A form longer than 127 bytes
// comes out empty.

#include "engine/reports/report_text.h"

namespace tallix {

ReportDateTime LocalReportDateTime();

}  // namespace tallix
