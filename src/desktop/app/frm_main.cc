#include "desktop/app/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QTime>
#include <QToolBar>

#include "desktop/app/controls.h"
#include "desktop/app/fonts.h"
#include "desktop/app/log_follow.h"
#include "desktop/app/program_icon.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/status_bar.h"
#include "desktop/app/toolbar_icons.h"
#include "desktop/app/twips.h"
#include "desktop/app/window_geometry.h"
#include "desktop/config/frm_options.h"
#include "desktop/reports/frm_check_totals.h"
#include "desktop/reports/frm_periods.h"
#include "desktop/reports/frm_show_log.h"
#include "desktop/reports/frm_tariffs.h"
#include "engine/analysis/duration.h"
#include "engine/analysis/tally.h"
#include "engine/app/run_policy.h"
#include "engine/config/config_file.h"
#include "engine/log/log_loader.h"
#include "engine/reports/report_text.h"
#include "engine/util/warning_limit.h"

namespace tallix {
namespace {

// The settings key of View > Follow Log: "1" when on.
constexpr char kFollowLogKey[] = "FollowLog";

constexpr int kToolBarTwips = 420;
constexpr int kStatusBarTwips = 270;

using Handler = void (frmMain::*)();

// A menu of the menu bar; an entry without a handler is a separator.
struct MenuEntryDef {
  const char* name;
  const char* caption;
  Handler handler;
};
struct MenuDef {
  const char* name;
  const char* caption;
  std::span<const MenuEntryDef> entries;
};

}  // namespace

frmMain::frmMain(const Services& services, QWidget* parent)
    : QMainWindow(parent), services_(services), dlgCommonDialog(*services.file_chooser) {
  setObjectName("frmMain");
  setWindowTitle(kTitle);
  last_tally_.caption = "All Results";
  setWindowIcon(ProgramIcon());
  setFont(WindowFont());
  setAcceptDrops(true);
  BuildControls();
  BuildMenus();
  BuildToolBar();
  sbStatusBar = new ClockStatusBar(this);
  sbStatusBar->setObjectName("sbStatusBar");
  sbStatusBar->setFixedHeight(TwipsToPixels(kStatusBarTwips, logicalDpiY()));
  setStatusBar(sbStatusBar);
  ConnectHandlers();
  Form_Load();
}

// Check Totals reads the tally, a member: it goes before the members do.
frmMain::~frmMain() {
  delete check_totals_;
  delete periods_;
  delete tariffs_window_;
}

void frmMain::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName("frmMainClient");
  setCentralWidget(client);
  using enum ControlKind;
  const ControlDef log_panel_and_commands[] = {
      {kLabel, "Label9", "Log Filename", {2520, 600, 975, 255}},
      {kReadOnlyBox, "LogFilename", "", {3600, 600, 3015, 285}, &LogFilename, "Log Filename"},
      {kLabel, "Label5", "Log Start", {120, 720, 735, 255}},
      {kReadOnlyBox, "LogStart", "", {840, 720, 1455, 285}, &LogStart, "Log Start"},
      {kLabel, "Label6", "Log End", {120, 1080, 735, 255}},
      {kReadOnlyBox, "LogEnd", "", {840, 1080, 1455, 285}, &LogEnd, "Log End"},
      {kLabel, "Label7", "Records", {120, 1440, 855, 255}},
      {kReadOnlyBox, "LogRecords", "", {840, 1440, 1455, 285}, &LogRecords, "Records"},
      {kWrapButton, "CommandAll", "All Results", {120, 1920, 975, 495}, &CommandAll},
      {kWrapButton, "Command2", "Free Date Search", {120, 2520, 975, 495}, &Command2},
      {kBox, "DateEntry", "", {1200, 2640, 1095, 285}, &DateEntry, "Free Date Search text"},
      {kWrapButton, "CommandDate", "Date Search", {120, 3120, 975, 495}, &CommandDate},
      {kCombo, "ComboDate", "", {1200, 3240, 1095, 315}, &ComboDate, "Date Search day"},
      {kWrapButton, "CommandPrintLog", "Print Log", {120, 4080, 975, 495}, &CommandPrintLog},
      {kWrapButton, "CommandShowLog", "Show Log", {1200, 4080, 975, 495}, &CommandShowLog},
      {kFrame, "Frame1", "Overview", {2400, 960, 4215, 3675}, &Frame1},
  };
  // The design places these in the client area, toolbar included; the
  // central widget starts below the toolbar.
  tallix::BuildControls(log_panel_and_commands, client, -kToolBarTwips);
  const ControlDef frame_controls[] = {
      {kLabel, "Label3", "No. Calls", {1680, 360, 1095, 255}},
      {kLabel, "Label4", "Call Duration", {2760, 360, 1095, 255}},
      {kLabel, "ResultsRangeDisplay", "All Results", {240, 3240, 3855, 375}, &ResultsRangeDisplay},
  };
  tallix::BuildControls(frame_controls, Frame1);
  const ControlRowDef rows[] = {
      {kLabel, "LabelName", "Name", {120, 720, 1095, 255}, &LabelName},
      {kReadOnlyBox, "NoCalls", " ", {1560, 720, 855, 285}, &NoCalls},
      {kReadOnlyBox, "CallDuration", " ", {2640, 720, 1335, 285}, &CallDuration},
  };
  BuildControlRows(rows, 240, Frame1);
  ResultsRangeDisplay->setAlignment(Qt::AlignCenter);
  ResultsRangeDisplay->setFont(TimesNewRomanFont(14.25, true));
  QPalette red = ResultsRangeDisplay->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  ResultsRangeDisplay->setPalette(red);
}

void frmMain::BuildMenus() {
  static constexpr MenuEntryDef kFile[] = {
      {"mnuFileOpen", "&Open...", &frmMain::mnuFileOpen_Click},
      {"mnuFileBar0", "-", nullptr},
      {"mnuFileSave", "&Save", &frmMain::mnuFileSave_Click},
      {"mnuFileExport", "&Export...", &frmMain::mnuFileExport_Click},
      {"mnuFileBar1", "-", nullptr},
      {"mnuFileBar2", "-", nullptr},
      {"mnuFilePageSetup", "Page Set&up...", &frmMain::mnuFilePageSetup_Click},
      {"mnuFilePrint", "&Print...", &frmMain::mnuFilePrint_Click},
      {"mnuFileBar3", "-", nullptr},
      {"mnuFileExit", "E&xit", &frmMain::mnuFileExit_Click},
  };
  static constexpr MenuEntryDef kView[] = {
      {"mnuViewOptions", "&Options...", &frmMain::mnuViewOptions_Click},
      {"mnuViewCheckTotals", "&Check Totals...", &frmMain::mnuViewCheckTotals_Click},
      {"mnuViewPeriods", "&Periods...", &frmMain::mnuViewPeriods_Click},
      {"mnuViewTariffs", "&Tariffs...", &frmMain::mnuViewTariffs_Click},
      {"mnuViewFollowLog", "&Follow Log", &frmMain::mnuViewFollowLog_Click},
  };
  static constexpr MenuEntryDef kHelp[] = {
      {"mnuHelpContents", "&Contents", &frmMain::mnuHelpContents_Click},
      {"mnuHelpSearchForHelpOn", "&Search For Help On...", &frmMain::mnuHelpSearchForHelpOn_Click},
      {"mnuHelpBar0", "-", nullptr},
      {"mnuHelpAbout", "&About ", &frmMain::mnuHelpAbout_Click},
  };
  static constexpr MenuDef kMenus[] = {
      {"mnuFile", "&File", kFile}, {"mnuView", "&View", kView}, {"mnuHelp", "&Help", kHelp}};
  for (const MenuDef& def : kMenus) {
    QMenu* menu = menuBar()->addMenu(def.caption);
    menu->setObjectName(def.name);
    // Two separators in a row are part of the design.
    menu->setSeparatorsCollapsible(false);
    for (const MenuEntryDef& entry : def.entries) {
      QAction* action = entry.handler ? menu->addAction(entry.caption) : menu->addSeparator();
      action->setObjectName(entry.name);
      if (entry.handler) connect(action, &QAction::triggered, this, entry.handler);
    }
  }
  findChild<QAction*>("mnuViewFollowLog")->setCheckable(true);
}

void frmMain::BuildToolBar() {
  tbToolBar = addToolBar("Toolbar");
  tbToolBar->setObjectName("tbToolBar");
  tbToolBar->setMovable(false);
  tbToolBar->setFloatable(false);
  tbToolBar->setFixedHeight(TwipsToPixels(kToolBarTwips, logicalDpiY()));
  for (const char* key : {"Open", "Save", "Print"}) {
    QAction* button = tbToolBar->addAction(ToolbarIcon(key), key);
    button->setObjectName(QString("tbToolBar%1").arg(key));
    button->setToolTip(key);
    button->setData(QString(key));
  }
}

void frmMain::ConnectHandlers() {
  connect(tbToolBar, &QToolBar::actionTriggered, this, &frmMain::tbToolBar_ButtonClick);
  const std::pair<QPushButton*, Handler> buttons[] = {
      {CommandAll, &frmMain::CommandAll_Click},
      {Command2, &frmMain::Command2_Click},
      {CommandDate, &frmMain::CommandDate_Click},
      {CommandPrintLog, &frmMain::CommandPrintLog_Click},
      {CommandShowLog, &frmMain::CommandShowLog_Click},
  };
  for (const auto& [button, handler] : buttons)
    connect(button, &QPushButton::clicked, this, handler);
  for (int row = 0; row < kRows; ++row) {
    NoCalls[static_cast<size_t>(row)]->installEventFilter(this);
    CallDuration[static_cast<size_t>(row)]->installEventFilter(this);
  }
}

QString frmMain::ConfigFilePath() const { return ToQt(services_.config.write_path); }

// ---- Start-up and close

namespace {

// Why View > Tariffs is off without a tariff file: where one is looked for.
QString NoTariffText(const ConfigPlaces& places) {
  QStringList where;
  for (const std::string& place : {places.per_user, places.beside_program}) {
    if (!place.empty()) where << "\"" + ToQtMessage(place) + "\"";
  }
  if (where.isEmpty()) return "No tariff file is in use";
  return "No tariff file: put one at " + where.join(" or ");
}

}  // namespace

void frmMain::Form_Load() {
  geometry_ = new WindowGeometry(*this, *services_.settings);
  follow_ = new LogFollow(
      log_, config_, [this] { ShowFollowedLines(); },
      [this](const QString& note) { sbStatusBar->ShowNote(note); }, this);
  findChild<QAction*>("mnuViewFollowLog")
      ->setChecked(services_.settings->Read(kFollowLogKey).value_or("0") == "1");
  const ConfigReadResult config = ReadConfigFile(services_.config.read_path);
  config_ = config.config;
  if (!config.status.ok()) {
    // Starting with no sites at all would look like a broken program.
    config_ = DefaultConfig();
    startup_problems_.push_back(config.status.message() +
                                "; Tallix starts with its built-in configuration");
  }
  for (const std::string& warning : config.warnings) startup_problems_.push_back(warning);
  for (const std::string& note : config.notes) startup_problems_.push_back(note);
  if (!services_.config.skipped.empty()) startup_problems_.push_back(services_.config.skipped);
  ReadTariffs();
  ShowSiteRows();
  EnableResultCommands(false);
  config_warnings_ = config.warnings;
}

void frmMain::ReportStartupProblems() {
  if (startup_problems_.empty()) return;
  ShowWarnings(startup_problems_, "The configuration file needed attention at start-up:");
  startup_problems_.clear();
}

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && result_commands_enabled_) {
    for (int row = 0; row < kRows; ++row) {
      const auto r = static_cast<size_t>(row);
      if (watched == NoCalls[r] || watched == CallDuration[r]) {
        ShowCheckTotals(row);
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Unload() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != this && window->isVisible() && window->isWindow() &&
        qobject_cast<QMenu*>(window) == nullptr) {
      window->close();
    }
  }
  if (!isMinimized()) geometry_->Store();
}

// ---- Rows

void frmMain::ShowSiteRows() {
  const int sites = config_.SitesInUse();
  QStringList names;
  for (int i = 0; i < kRows; ++i) {
    const auto row = static_cast<size_t>(i);
    const bool shown = i < sites;
    if (shown) {
      const QString site = ToQt(config_.SiteNames[row]);
      LabelName[row]->setText(site);
      // Two sites of one name are told apart by their row.
      const QString spoken =
          names.contains(site) ? QString("%1 (row %2)").arg(site).arg(i + 1) : site;
      names << site;
      NoCalls[row]->setAccessibleName(spoken + ", No. Calls");
      CallDuration[row]->setAccessibleName(spoken + ", Call Duration");
    }
    LabelName[row]->setVisible(shown);
    NoCalls[row]->setVisible(shown);
    CallDuration[row]->setVisible(shown);
  }
}

void frmMain::EnableResultCommands(bool enabled) {
  result_commands_enabled_ = enabled;
  for (QPushButton* b : {CommandAll, Command2, CommandDate, CommandShowLog, CommandPrintLog}) {
    b->setEnabled(enabled);
  }
  for (const char* name : {"mnuFileExport", "mnuViewCheckTotals", "mnuViewPeriods"}) {
    findChild<QAction*>(name)->setEnabled(enabled);
  }
  // Hovering a disabled entry says why in the status bar.
  auto* tariffs = findChild<QAction*>("mnuViewTariffs");
  tariffs->setEnabled(enabled && tariffs_);
  tariffs->setStatusTip(!tariffs_ ? NoTariffText(services_.tariff_places)
                        : enabled ? QString("Compare the tariffs over the calls selected")
                                  : QString("Open a log to compare the tariffs over its calls"));
  tariffs->setToolTip(tariffs->statusTip());
}

void frmMain::ShowTally(std::string_view selection) {
  RunTally(selection);
  ShowWarnings(last_tally_.warnings, "The tally reached a limit:");
}

void frmMain::RunTally(std::string_view selection) {
  last_tally_ = TallyCalls(log_, config_, selection, {}, TariffsInUse());
  const int sites = std::min(config_.SitesInUse(), kRows);
  for (int row = 0; row < sites; ++row) {
    const auto r = static_cast<size_t>(row);
    ShowBoxText(NoCalls[r], QString::number(last_tally_.SiteCallCounts(row)));
    ShowBoxText(CallDuration[r], ToQt(FormatDuration(last_tally_.SiteSeconds(row))));
  }
  ResultsRangeDisplay->setText(ToQt(last_tally_.caption));
  ShowClippedTextAsToolTip(ResultsRangeDisplay);
  RefreshCheckTotals();
  RefreshTariffs();
}

// ---- View and Help menus

void frmMain::mnuViewFollowLog_Click() {
  const bool on = findChild<QAction*>("mnuViewFollowLog")->isChecked();
  services_.settings->Write(kFollowLogKey, on ? "1" : "0");
  FollowLoadedLog();
}

void frmMain::FollowLoadedLog() {
  if (findChild<QAction*>("mnuViewFollowLog")->isChecked() && result_commands_enabled_ &&
      !loading_) {
    follow_->Start();
  } else {
    follow_->Stop();
  }
}

void frmMain::ShowFollowedLines() {
  const LogBounds bounds = LogStartAndEnd(log_);
  ShowBoxText(LogEnd, ToQt(bounds.end));
  ShowBoxText(LogRecords, QString(" %1").arg(log_.LineCount()));
  ShowDayList();
  RunTally(last_tally_.selection);
  RefreshPeriods(false);
  sbStatusBar->ShowNote(QString("The log was updated at %1")
                            .arg(QLocale().toString(QTime::currentTime(), QLocale::LongFormat)));
}

void frmMain::mnuViewOptions_Click() {
  // The per-user folder may not be there yet when the first write goes to it.
  CreateConfigFolder(services_.config.write_path);
  frmOptions dialog(config_, ConfigFilePath(), *services_.messages, this,
                    [this](const QString& path) { return LogFileAt(FromQt(path)); });
  if (dialog.exec() == QDialog::Accepted) {
    config_ = dialog.Stored();
    // A configuration written anew has nothing left to warn about.
    config_warnings_.clear();
  }
  ShowSiteRows();
  RefreshCheckTotals();
  RefreshPeriods(false);
}

void frmMain::mnuViewCheckTotals_Click() {
  if (RequireLoadedLog("checking the totals")) ShowCheckTotals(kAllKeptLines);
}

void frmMain::mnuViewPeriods_Click() {
  if (RequireLoadedLog("showing the periods")) ShowPeriods();
}

void frmMain::mnuViewTariffs_Click() {
  if (RequireLoadedLog("comparing the tariffs") && tariffs_) ShowTariffs();
}

void frmMain::mnuHelpContents_Click() {
  services_.messages->Show(this, {MessageIcon::kInformation, MessageButtons::kOk, windowTitle(),
                                  "Unable to display Help Contents. There is no Help associated "
                                  "with this project."});
}

void frmMain::mnuHelpSearchForHelpOn_Click() { mnuHelpContents_Click(); }

void frmMain::mnuHelpAbout_Click() {
  services_.messages->Show(this, {MessageIcon::kNone, MessageButtons::kOk, kTitle,
                                  QString("Version %1.%2.%3")
                                      .arg(TALLIX_VERSION_MAJOR)
                                      .arg(TALLIX_VERSION_MINOR)
                                      .arg(TALLIX_VERSION_PATCH)});
}

// ---- Selection commands

void frmMain::CommandAll_Click() { ShowTally(kAllDataSelection); }

void frmMain::Command2_Click() { ShowTally(FromQt(DateEntry->text())); }

void frmMain::CommandDate_Click() { ShowTally(FromQt(ComboDate->currentText())); }
std::vector<std::string> frmMain::RunWarnings() const {
  return tallix::RunWarnings(config_warnings_, log_.LimitWarnings(), last_tally_);
}

bool frmMain::RequireLoadedLog(const QString& what) {
  if (!log_.LogFilePath().empty()) return true;
  ShowProblem(QString("Please open a log with File > Open before %1.").arg(what));
  return false;
}

void frmMain::ShowProblem(const QString& text) {
  services_.messages->Show(this, {MessageIcon::kWarning, MessageButtons::kOk, kTitle, text});
}

void frmMain::ShowWarnings(const std::vector<std::string>& warnings, const QString& context) {
  ShowWarnings({{context, warnings}});
}

void frmMain::ShowWarnings(
    const std::vector<std::pair<QString, std::vector<std::string>>>& warnings_by_context) {
  QStringList parts;
  for (const auto& [context, warnings] : warnings_by_context) {
    if (warnings.empty()) continue;
    QString text = context;
    // A log with a bad call on every line, or a configuration of a thousand bad
    // records, must not give a box of thousands of lines.
    for (const std::string& warning : CappedWarnings(warnings)) {
      text += "\n\n- " + ToQtMessage(warning);
    }
    parts << text;
  }
  if (!parts.isEmpty()) ShowProblem(parts.join("\n\n"));
}

}  // namespace tallix