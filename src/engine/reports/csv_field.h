#pragma once
// One CSV field (RFC 4180) as every CSV output writes it: quoted only when it
// holds a comma, a double quote, CR or LF (a quote inside doubled), and given
// a leading apostrophe when a spreadsheet would take it for a formula (it
// begins with =, +, -, @, TAB or CR).

#include <string>
#include <string_view>

namespace tallix {

void AppendCsvField(std::string& out, std::string_view field);

}  // namespace tallix
