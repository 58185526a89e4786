#pragma once
// The Periods window: the calls of all data between two days, per day, ISO
// week or month and per site in use, each period against the one before,
// with the total of the days chosen, and with a tariff file each site's cost,
// marked where it passes the site's budget. Every figure is the engine's
// (range_periods.h); Copy and "Save As..." give the bytes of `tallix-report
// --format periods` for the same unit and days. A double-click on a site's
// cell shows that site's calls of the period in Check Totals. Not modal: it
// follows each new log, and its size is kept in the per-user settings under
// its own keys.

#include <QDialog>
#include <chrono>
#include <functional>
#include <optional>

#include "desktop/app/services.h"
#include "engine/analysis/range_periods.h"
#include "engine/config/site_config.h"
#include "engine/config/tariff_file.h"
#include "engine/log/loaded_log.h"
#include "engine/output/report_sink.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

namespace tallix {

class PeriodsModel;

// What the window needs from its owner.
struct PeriodsServices : SavingWindowServices {
  // Puts `text` on the clipboard.
  std::function<void(const QString& text)> copy;
  // Shows the counted calls of site `site` within `range`, `period` naming it.
  std::function<void(int site, const TimeRange& range, const QString& period)> show_calls;
};

class FormPeriods : public QDialog {
 public:
  // Opens beside `parent` when there is one, from the log's first day to its
  // last, over `log` and the sites of `config`, tallied in a tally of its
  // own and costed with `tariffs` when it is not null. They and the services
  // must outlive the window.
  FormPeriods(const LoadedLog& log, const SiteConfig& config, const Tariffs* tariffs,
              const PeriodsServices& services, QWidget* parent = nullptr);
  ~FormPeriods() override;

  // Tallies again, as the log and the sites now stand. After a new log
  // (`new_log`) the days start again at its first and last; otherwise a To
  // at the log's last day moves with it as the log grows.
  void Refresh(bool new_log);
  // Shows nothing of the log while a load may change it.
  void Blank();
  // The periods shown, as `tallix-report --format periods` writes them;
  // empty when none are shown or when the text would pass 16 MB, which Copy
  // refuses (Save As writes it as it is made).
  QString PeriodsText() const;
  // Shows the calls behind the table's cell (`row`, `column`).
  void OpenCell(int row, int column);

  void done(int result) override;

 private:
  void Tally();
  void CopyPeriods();
  void cmdSaveAs_Click();
  PeriodUnit Unit() const;
  // The periods shown as `tallix-report --format periods` writes them.
  void WritePeriods(ReportSink& sink) const;

  const LoadedLog& log_;
  const SiteConfig& config_;
  const Tariffs* tariffs_;
  PeriodsServices services_;
  std::optional<RangePeriods> periods_;  // of what the table shows
  std::optional<std::chrono::year_month_day> log_last_;
  PeriodsModel* model_ = nullptr;
  QComboBox* PeriodUnitBox = nullptr;
  QDateEdit* FromDate = nullptr;
  QDateEdit* ToDate = nullptr;
  QLabel* PeriodsNote = nullptr;
  QTableView* PeriodsTable = nullptr;
  QPushButton* cmdCopy = nullptr;
  QPushButton* cmdSaveAs = nullptr;
  QPushButton* cmdClose = nullptr;
};

}  // namespace tallix
