#pragma once
// The main window: the log panel, the selection commands, the ten result rows
// and every menu, toolbar and button command of the program. Each handler is a
// few lines that call into the engine and show the result; every failure ends
// in a message box that names what failed and why, and leaves the loaded log
// and its results as they were. A file dropped on the window opens as with
// File > Open. The members are defined by subsystem: the window and its
// rows (frm_main.cc), the file commands (frm_main_files.cc) and the report
// windows and printing (frm_main_reports.cc).

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/app/controls.h"
#include "desktop/app/services.h"
#include "engine/analysis/tally.h"
#include "engine/config/site_config.h"
#include "engine/config/tariff_file.h"
#include "engine/log/loaded_log.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;

namespace tallix {

class ClockStatusBar;
struct LoadResult;
class FormCheckTotals;
class FormPeriods;
class FormTariffs;
class LogFollow;
class WindowGeometry;

class frmMain : public QMainWindow {
 public:
  static constexpr int kRows = kSiteRows;
  static constexpr char kTitle[] = "Tallix";

  // Restores the geometry, reads the configuration file (services.config)
  // and lays out the rows. The services must outlive the window.
  explicit frmMain(const Services& services, QWidget* parent = nullptr);
  ~frmMain() override;

  // Shows, once, what start-up had to correct in the configuration file or
  // could not read. Called after the window is shown.
  void ReportStartupProblems();

  // Opens the log at `path` exactly as File > Open does once the file is
  // chosen; the file dialog starts from this name next time. Refused, with
  // a note in the status bar, while a load runs.
  void OpenLogFile(const QString& path);
  bool Loading() const { return loading_; }

  // Rows 0..SiteCount-1 show their site names; the others are hidden. The
  // count and duration texts are left as they are.
  void ShowSiteRows();
  void EnableResultCommands(bool enabled);

  // The configuration file that Options writes.
  QString ConfigFilePath() const;

  // The values the window shows.
  const LoadedLog& Log() const { return log_; }
  const SiteConfig& Config() const { return config_; }
  const TallyResult& LastTally() const { return last_tally_; }
  // The tariff file read at start-up; null without one or when it was refused.
  const Tariffs* TariffsInUse() const { return tariffs_ ? &*tariffs_ : nullptr; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // A double-click on a site's count or duration box opens Check Totals.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The toolbar is fixed: no menu offers to hide it.
  QMenu* createPopupMenu() override { return nullptr; }

 private:
  void BuildControls();
  void BuildMenus();
  void BuildToolBar();
  void ConnectHandlers();

  void Form_Load();
  void Form_Unload();

  void mnuFileOpen_Click();
  void mnuFileSave_Click();
  void mnuFileExport_Click();
  void mnuFilePageSetup_Click();
  void mnuFilePrint_Click();
  void mnuFileExit_Click();
  void mnuViewOptions_Click();
  void mnuViewCheckTotals_Click();
  void mnuViewPeriods_Click();
  void mnuViewTariffs_Click();
  void mnuViewFollowLog_Click();
  // Follows the loaded log while View > Follow Log is on.
  void FollowLoadedLog();
  // Shows what following the log added: the panel, the rows, Check Totals.
  void ShowFollowedLines();
  void mnuHelpContents_Click();
  void mnuHelpSearchForHelpOn_Click();
  void mnuHelpAbout_Click();
  void tbToolBar_ButtonClick(QAction* button);
  void CommandAll_Click();
  void Command2_Click();
  void CommandDate_Click();
  void CommandPrintLog_Click();
  void CommandShowLog_Click();

  // Runs the tally over `selection` and shows its rows and caption.
  void ShowTally(std::string_view selection);
  // As ShowTally, its warnings left to the caller.
  void RunTally(std::string_view selection);
  void PrintDetailedLog();
  // Prints `lines` as one job; reports a failure.
  void PrintLines(const std::vector<std::string>& lines);
  // False, after saying so, when no log has been loaded yet.
  bool RequireLoadedLog(const QString& what);
  bool CallTotalGuard();
  // What the file at `path` is among the files read (a file of the loaded log,
  // the configuration file), for the Save refusal; empty when none.
  QString InputFileAt(const std::string& path) const;
  void ShowProblem(const QString& text);
  void ShowWarnings(const std::vector<std::string>& warnings, const QString& context);
  // Shows each context's warnings, in order, in one box.
  void ShowWarnings(
      const std::vector<std::pair<QString, std::vector<std::string>>>& warnings_by_context);
  // Opens Check Totals over the last tally showing `choice` (kept_lines_model.h),
  // or brings the open one forward showing it.
  void ShowCheckTotals(int choice);
  // Check Totals, when open, shows the tally again.
  void RefreshCheckTotals();
  // Opens the Periods window, or brings the open one forward.
  void ShowPeriods();
  // The Periods window, when open, tallies again (from the log's days after
  // a new log).
  void RefreshPeriods(bool new_log);
  // Reads the tariff file where tallix-report finds it, when there is one;
  // a refused file is a start-up problem and leaves the window without costs.
  void ReadTariffs();
  // Opens the Tariffs window, or brings the open one forward.
  void ShowTariffs();
  // The Tariffs window, when open, compares the last tally again.
  void RefreshTariffs();
  // True, after saying so, when `path` is a file of the loaded log, a file
  // opened or tried as a log in this run, or the configuration file, which no
  // report may overwrite.
  bool RefuseProtectedFile(const QString& path, const QString& what);
  // What the file at `path` is among the files opened or tried as a log in
  // this run; empty when none of them.
  QString LogFileAt(const std::string& path) const;
  // The name a report of `type` (e.g. "audit.csv", ".html") is proposed
  // under: made from the first log file's name, in its folder.
  QString ProposedName(const QString& type) const;
  // What a window beside this one needs to keep its size and save what it
  // shows, "Save As..." proposing the name of a report of `type`.
  SavingWindowServices SavingServices(const char* type);
  // Adds the days that following added to the Date Search list.
  void ShowDayList();
  // Shows the load's outcome in the log panel and the rows.
  void ShowLoadedLog(const LoadResult& load);
  // Every warning of the run so far, as tallix-report lists them: the
  // configuration's, the load's and the last tally's.
  std::vector<std::string> RunWarnings() const;

  Services services_;
  CommonDialog dlgCommonDialog;
  // The values the window shows: the loaded log (which following adds to),
  // the site configuration, and the tally of the selection the rows show.
  LoadedLog log_;
  SiteConfig config_;
  TallyResult last_tally_;
  std::optional<Tariffs> tariffs_;
  std::string tariff_path_;               // the file tariffs_ was read from
  bool result_commands_enabled_ = false;  // the value last given to EnableResultCommands
  std::vector<std::string> startup_problems_;
  std::vector<std::string> config_warnings_;  // of the configuration file as read
  WindowGeometry* geometry_ = nullptr;        // owned by the window
  bool loading_ = false;
  // Every file opened or tried as a log in this run, as named then.
  std::vector<std::string> tried_logs_;
  QPointer<FormCheckTotals> check_totals_;
  QPointer<FormPeriods> periods_;
  QPointer<FormTariffs> tariffs_window_;
  LogFollow* follow_ = nullptr;  // owned by the window

  QToolBar* tbToolBar = nullptr;
  ClockStatusBar* sbStatusBar = nullptr;

  QLineEdit* LogFilename = nullptr;
  QLineEdit* LogStart = nullptr;
  QLineEdit* LogEnd = nullptr;
  QLineEdit* LogRecords = nullptr;
  QPushButton* CommandAll = nullptr;
  QPushButton* Command2 = nullptr;
  QLineEdit* DateEntry = nullptr;
  QPushButton* CommandDate = nullptr;
  QComboBox* ComboDate = nullptr;
  QPushButton* CommandPrintLog = nullptr;
  QPushButton* CommandShowLog = nullptr;
  QGroupBox* Frame1 = nullptr;
  std::array<QLabel*, kRows> LabelName{};
  std::array<QLineEdit*, kRows> NoCalls{};
  std::array<QLineEdit*, kRows> CallDuration{};
  QLabel* ResultsRangeDisplay = nullptr;
};

}  // namespace tallix
