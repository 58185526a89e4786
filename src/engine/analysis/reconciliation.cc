#include "engine/analysis/reconciliation.h"

namespace tallix {

std::span<const ReconciliationFigure> ReconciliationFigures() {
  using R = Reconciliation;
  static constexpr ReconciliationFigure kFigures[] = {
      {"lines_read", "Lines read", &R::lines_read, 0, "LinesRead", "Lines read", true, nullptr},
      {"kept", "Call-end lines kept", &R::kept, 1, "LinesKept", "Call-end lines kept", true,
       nullptr},
      {"beyond_kept_limit", "Call-end lines beyond the kept limit", &R::beyond_kept_limit, 5,
       "BeyondLimit", "Beyond a limit", true,
       "Call-end lines past the lines a log keeps, plus calls not counted because their site "
       "was full"},
      {"selected", "Kept lines selected", &R::selected, 2, "LinesSelected", "Selected", true,
       nullptr},
      {"credited", "Selected, credited to a site", &R::credited, 3, "LinesCredited",
       "Credited to a site", true, nullptr},
      {"unmatched", "Selected, credited to no site", &R::unmatched, 4, "LinesUnmatched",
       "Credited to no site", true, nullptr},
      {"credits", "Credits (a line counts once for each site with its number)", &R::credits, -1,
       nullptr, nullptr, false, nullptr},
      {"counted", "Calls counted", &R::counted, 6, "CallsCounted", "Calls counted", true, nullptr},
      {"beyond_site_limit", "Credits beyond a site's limit", &R::beyond_site_limit, 5, nullptr,
       nullptr, true, nullptr},
      {"seconds_not_counted", "Calls counted with 0 seconds", &R::seconds_not_counted, 7,
       "SecondsNotCounted", "Calls counting 0 s", false, nullptr},
      {"without_from", "Selected lines without \"from\"", &R::without_from, 8, "WithoutFrom",
       "Lines without 'from'", false, nullptr},
      {"without_lasted", "Selected lines without \"lasted\"", &R::without_lasted, 9,
       "WithoutLasted", "Lines without 'lasted'", false, nullptr},
  };
  return kFigures;
}

}  // namespace tallix
