// The main window's report windows (Show Log, Check Totals, Periods,
// Tariffs), the tariff file they cost calls with, and printing.

#include <QApplication>
#include <QClipboard>
#include <QPrinter>

#include "desktop/app/frm_main.h"
#include "desktop/app/qt_text.h"
#include "desktop/reports/frm_check_totals.h"
#include "desktop/reports/frm_periods.h"
#include "desktop/reports/frm_show_log.h"
#include "desktop/reports/frm_tariffs.h"
#include "engine/config/tariff_location.h"
#include "engine/reports/report_text.h"
#include "engine/util/text_file.h"

namespace tallix {

void frmMain::mnuFilePageSetup_Click() {
  // A cancelled printer dialog changes nothing and needs no message.
  dlgCommonDialog.ShowPrinter(this, "Page Setup", services_.printers->Printer());
}

void frmMain::mnuFilePrint_Click() {
  if (!RequireLoadedLog("printing")) return;
  const ReportHeading heading = MakeReportHeading(log_, services_.clock->Now());
  PrintLines(PrintedSummaryLines({log_, config_, last_tally_, heading}));
}

// ---- Detailed log and Show Log

bool frmMain::CallTotalGuard() {
  if (CallTotalGuardPasses(last_tally_)) return true;
  services_.messages->Show(this,
                           {MessageIcon::kNone, MessageButtons::kOk, kTitle, kCallTotalMessage});
  return false;
}

void frmMain::CommandPrintLog_Click() {
  if (!RequireLoadedLog("printing the log")) return;
  if (CallTotalGuard()) PrintDetailedLog();
}

void frmMain::PrintDetailedLog() {
  const ReportHeading heading = MakeReportHeading(log_, services_.clock->Now());
  PrintLines(PrintedDetailedLogLines({log_, config_, last_tally_, heading}));
}

void frmMain::CommandShowLog_Click() {
  if (!RequireLoadedLog("showing the log")) return;
  if (!CallTotalGuard()) return;
  FormShowLog window({log_, config_, last_tally_}, *services_.clock, this);
  window.exec();
}

SavingWindowServices frmMain::SavingServices(const char* type) {
  return {dlgCommonDialog, *services_.messages, *services_.settings,
          [this](const QString& path) { return RefuseProtectedFile(path, "saved"); },
          [this, name = QString(type)] { return ProposedName(name); }};
}

void frmMain::ShowCheckTotals(int choice) {
  if (check_totals_ == nullptr) {
    check_totals_ = new FormCheckTotals({log_, config_, last_tally_, TariffsInUse()},
                                        SavingServices("-audit.csv"), choice, this);
    check_totals_->show();
  } else {
    check_totals_->Choose(choice);
    check_totals_->raise();
  }
  check_totals_->activateWindow();
}

void frmMain::RefreshCheckTotals() {
  if (check_totals_ != nullptr) check_totals_->Refresh();
}

void frmMain::ShowPeriods() {
  if (periods_ == nullptr) {
    periods_ =
        new FormPeriods(log_, config_, TariffsInUse(),
                        {SavingServices("-periods.csv"),
                         [](const QString& text) { QApplication::clipboard()->setText(text); },
                         [this](int site, const TimeRange& range, const QString& period) {
                           ShowCheckTotals(site);
                           check_totals_->ChooseInRange(site, range, period);
                         }},
                        this);
    periods_->show();
  } else {
    periods_->raise();
  }
  periods_->activateWindow();
}

void frmMain::RefreshPeriods(bool new_log) {
  if (periods_ != nullptr) periods_->Refresh(new_log);
}

void frmMain::ReadTariffs() {
  tariff_path_ = ChooseTariffPath({}, services_.tariff_places, IsRegularFile);
  if (tariff_path_.empty()) return;
  TariffRead read = ReadTariffFile(tariff_path_);
  if (!read.ok()) {
    startup_problems_.push_back(read.error + "; Tallix goes on without costs");
    return;
  }
  tariffs_ = std::move(read.tariffs);
  const std::span<const std::string> numbers(config_.SiteNumbers.data(),
                                             static_cast<size_t>(config_.SitesInUse()));
  for (std::string& warning : BudgetWarnings(*tariffs_, numbers, tariff_path_)) {
    startup_problems_.push_back(std::move(warning));
  }
}

void frmMain::ShowTariffs() {
  if (tariffs_window_ == nullptr) {
    tariffs_window_ = new FormTariffs(
        {log_, config_, last_tally_, TariffsInUse()}, SavingServices("-tariffs.csv"),
        [](const QString& text) { QApplication::clipboard()->setText(text); }, this);
    tariffs_window_->show();
  } else {
    tariffs_window_->raise();
  }
  tariffs_window_->activateWindow();
}

void frmMain::RefreshTariffs() {
  if (tariffs_window_ != nullptr) tariffs_window_->Refresh();
}

void frmMain::PrintLines(const std::vector<std::string>& lines) {
  // The printer dialog can send a job to a file, which may be a log too.
  const QString file = services_.printers->Printer().outputFileName();
  if (!file.isEmpty() && RefuseProtectedFile(file, "printed")) return;
  std::unique_ptr<LinePrinter> job = services_.printers->StartJob();
  for (const std::string& line : lines) job->PrintLine(ToQt(line));
  QString error;
  if (!job->EndDoc(&error)) ShowProblem("Nothing was printed.\n\n" + error);
}

}  // namespace tallix
