// The main window's file commands: Open (menu, toolbar, drop, command line),
// Save and Export, and the rule that keeps every report off the files read.

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <algorithm>

#include "desktop/app/busy_load.h"
#include "desktop/app/controls.h"
#include "desktop/app/frm_main.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/status_bar.h"
#include "desktop/reports/frm_check_totals.h"
#include "desktop/reports/frm_periods.h"
#include "desktop/reports/frm_tariffs.h"
#include "engine/analysis/tally.h"
#include "engine/app/run_policy.h"
#include "engine/log/log_loader.h"
#include "engine/output/output_file.h"
#include "engine/reports/report_text.h"

namespace tallix {
namespace {

// The types File > Export writes, each the text of one tallix-report format
// and the end of the name it is proposed under.
struct ExportTypeDef {
  const char* filter;
  ReportWriter write;
  const char* name_end;
};
constexpr ExportTypeDef kExportTypes[] = {
    {"CSV, one row per call (*.csv)", WriteCallsCsv, ".csv"},
    {"JSON (*.json)", WriteJsonReport, ".json"},
    {"Web page with chart (*.html)", WriteHtmlReport, ".html"},
    {"Numbers no site covers (*.txt)", WriteUnmatched, "-unmatched.txt"},
    {"Audit of every kept line (*.csv)", WriteAuditCsv, "-audit.csv"},
};

// The local file a drag carries, or an empty text.
QString DroppedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls() || mime->urls().isEmpty()) return {};
  const QUrl& url = mime->urls().first();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  OpenLogFile(path);
}

// ---- File menu

void frmMain::mnuFileOpen_Click() {
  if (loading_) return;
  const QString path = dlgCommonDialog.ShowOpen(this, "Open", "All Files (*.*)");
  if (!path.isEmpty()) OpenLogFile(path);
}

void frmMain::OpenLogFile(const QString& path) {
  // A second load would write the tables the first one is writing.
  if (loading_) {
    sbStatusBar->ShowNote("A log is loading; the new one was not opened");
    return;
  }
  loading_ = true;
  // A note of the load before ("Load cancelled") is no longer true.
  sbStatusBar->EndNote();
  // The load replaces the lines the follower would add to.
  FollowLoadedLog();
  dlgCommonDialog.Remember(path);
  // Converted here: the load runs on a thread of its own.
  const std::string file = FromQt(path);
  // Tried, whatever comes of it: no report may be written over it later.
  if (std::find(tried_logs_.begin(), tried_logs_.end(), file) == tried_logs_.end()) {
    tried_logs_.push_back(file);
  }
  if (check_totals_) check_totals_->Blank();
  if (periods_) periods_->Blank();
  if (tariffs_window_) tariffs_window_->Blank();
  LoadResult load = RunBusyLoad(
      *this, QFileInfo(path).fileName(),
      [&file, identifier = config_.RouterIdentifier](const LoadOptions& options) {
        return LoadLog(file, identifier, options);
      },
      services_.load_watcher);
  loading_ = false;
  if (!load.status.ok()) {
    FollowLoadedLog();
    RefreshCheckTotals();
    RefreshTariffs();
    RefreshPeriods(false);
    if (load.status.cancelled()) {
      sbStatusBar->ShowNote("Load cancelled");
      return;
    }
    ShowProblem("The log could not be opened. The log loaded before stays in place.\n\n" +
                ToQtMessage(load.status.message()));
    return;
  }
  // The last tally's views point into the old log: the tally over the new
  // one follows at once.
  log_ = std::move(load.log);
  ShowLoadedLog(load);
}

void frmMain::ShowDayList() {
  // Only days that followed lines added: the chooser keeps its choice.
  const std::vector<std::string>& days = log_.LogDates();
  if (ComboDate->count() == static_cast<int>(days.size())) return;
  for (size_t d = static_cast<size_t>(ComboDate->count()); d < days.size(); ++d) {
    ComboDate->addItem(ToQt(days[d]));
  }
}

void frmMain::ShowLoadedLog(const LoadResult& load) {
  ShowBoxText(LogFilename, ToQt(log_.LogFilePath()));
  const LogBounds bounds = LogStartAndEnd(log_);
  ShowBoxText(LogStart, ToQt(bounds.start));
  ShowBoxText(LogEnd, ToQt(bounds.end));
  ShowBoxText(LogRecords, QString(" %1").arg(log_.LineCount()));
  ComboDate->clear();
  ComboDate->clearEditText();
  ShowDayList();
  ComboDate->setCurrentIndex(-1);
  RunTally(kAllDataSelection);
  RefreshPeriods(true);
  EnableResultCommands(true);
  FollowLoadedLog();
  std::vector<std::string> warnings = log_.LimitWarnings();
  // Notes, such as a file whose lines end with CR alone, are remarks of the load too.
  warnings.insert(warnings.end(), load.notes.begin(), load.notes.end());
  if (auto no_kept_line = NoKeptLineWarning(log_, config_.RouterIdentifier)) {
    warnings.push_back(std::move(*no_kept_line));
  }
  // The load's remarks, then what the tally over it reached.
  ShowWarnings({{"The log was loaded, with these remarks:", warnings},
                {"The tally reached a limit:", last_tally_.warnings}});
}

void frmMain::mnuFileSave_Click() {
  if (!RequireLoadedLog("saving a report")) return;
  const QString path = dlgCommonDialog.ShowSave(this, "Save", "Text FIles (*.txt)");
  if (path.isEmpty()) return;
  const QFileInfo target(path);
  QString input = InputFileAt(FromQt(path));
  if (input.isEmpty()) input = LogFileAt(FromQt(path));
  if (!input.isEmpty()) {
    ShowProblem(QString("The report was not saved: \"%1\" is %2, and saving would overwrite it. "
                        "Choose another file name.")
                    .arg(ToQtMessage(FromQt(path)), input));
    return;
  }
  if (target.exists()) {
    const MessageAnswer answer = services_.messages->Show(
        this, {MessageIcon::kQuestion, MessageButtons::kYesNo, kTitle,
               QString("\"%1\" already exists.\nDo you want to replace it?")
                   .arg(ToQtMessage(FromQt(path)))});
    if (answer != MessageAnswer::kYes) return;
  }
  const ReportHeading heading = MakeReportHeading(log_, services_.clock->Now());
  const Status written = WriteOutputFile(FromQt(path), [&](ReportSink& sink) {
    WriteSavedReport({log_, config_, last_tally_, heading}, sink);
  });
  if (!written.ok()) ShowProblem("The report was not saved.\n\n" + ToQtMessage(written.message()));
}

QString frmMain::InputFileAt(const std::string& path) const {
  const std::vector<std::string>& logs = log_.LogFilePaths;
  const std::string configs[] = {services_.config.read_path, services_.config.write_path};
  const std::optional<InputFile> input = tallix::InputFileAt(path, logs, configs);
  if (!input) {
    const std::string tariffs[] = {tariff_path_};
    if (!tariff_path_.empty() && tallix::InputFileAt(path, {}, tariffs)) return "the tariff file";
    return {};
  }
  if (input->kind == InputFile::Kind::kConfig) return "the configuration file";
  return logs.size() > 1 ? "a file of the log that is loaded" : "the log that is loaded";
}

void frmMain::mnuFileExport_Click() {
  if (!RequireLoadedLog("exporting")) return;
  QStringList filters;
  for (const ExportTypeDef& type : kExportTypes) filters << type.filter;
  QStringList names;
  for (const ExportTypeDef& type : kExportTypes) names << ProposedName(type.name_end);
  const std::optional<ChosenFile> chosen =
      dlgCommonDialog.ShowSaveAs(this, "Export", filters, names);
  if (!chosen || RefuseProtectedFile(chosen->name, "exported")) return;
  const qsizetype index = std::max<qsizetype>(0, filters.indexOf(chosen->filter));
  const ExportTypeDef& type = kExportTypes[index];
  const std::vector<std::string> warnings = RunWarnings();
  const ReportHeading heading = MakeReportHeading(log_, services_.clock->Now());
  const Status written = WriteOutputFile(FromQt(chosen->name), [&](ReportSink& sink) {
    type.write({log_, config_, last_tally_, heading, warnings, std::nullopt, TariffsInUse()}, sink);
  });
  if (!written.ok()) {
    ShowProblem("Nothing was exported.\n\n" + ToQtMessage(written.message()));
    return;
  }
  sbStatusBar->ShowNote(QString("Exported to %1").arg(chosen->name));
  if (type.write != WriteHtmlReport || services_.desktop == nullptr) return;
  const MessageAnswer answer = services_.messages->Show(
      this, {MessageIcon::kQuestion, MessageButtons::kYesNo, kTitle,
             QString("The web page was saved as \"%1\".\nOpen it now?").arg(chosen->name)});
  if (answer == MessageAnswer::kYes && !services_.desktop->OpenFile(chosen->name)) {
    ShowProblem(QString("No program could open \"%1\". The page is saved there; open it "
                        "with a web browser.")
                    .arg(chosen->name));
  }
}

void frmMain::mnuFileExit_Click() { close(); }

void frmMain::tbToolBar_ButtonClick(QAction* button) {
  // Each command reports its own failures, the same as from the menu.
  const QString key = button->data().toString();
  if (key == "Open") {
    mnuFileOpen_Click();
  } else if (key == "Save") {
    mnuFileSave_Click();
  } else if (key == "Print") {
    mnuFilePrint_Click();
  }
}

bool frmMain::RefuseProtectedFile(const QString& path, const QString& what) {
  QString input = InputFileAt(FromQt(path));
  if (input.isEmpty()) input = LogFileAt(FromQt(path));
  if (input.isEmpty()) return false;
  ShowProblem(QString("Nothing was %1: \"%2\" is %3, and writing would overwrite it. Choose "
                      "another file name.")
                  .arg(what, ToQtMessage(FromQt(path)), input));
  return true;
}

QString frmMain::LogFileAt(const std::string& path) const {
  if (tallix::InputFileAt(path, log_.LogFilePaths, {})) return "a file of the log that is loaded";
  if (tallix::InputFileAt(path, tried_logs_, {})) return "a file opened as a log";
  return {};
}

QString frmMain::ProposedName(const QString& type) const {
  const QFileInfo log(ToQt(log_.LogFilePath()));
  // "router.log.gz" gives "router"; a name that is all suffix keeps it whole.
  QString stem = log.fileName().section('.', 0, 0);
  if (stem.isEmpty()) stem = log.fileName();
  return log.dir().filePath(stem + type);
}

}  // namespace tallix
