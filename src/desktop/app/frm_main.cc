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
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolBar>

#include "desktop/app/fonts.h"
#include "desktop/app/status_bar.h"
#include "desktop/app/toolbar_icons.h"
#include "desktop/app/twips.h"
#include "desktop/config/frm_options.h"
#include "desktop/reports/frm_show_log.h"
#include "engine/analysis/tally.h"
#include "engine/config/config_file.h"
#include "engine/log/log_loader.h"
#include "engine/reports/report_text.h"
#include "engine/util/text_file.h"

namespace tallix {
namespace {

constexpr char kTitle[] = "Tallix";
constexpr int kToolBarTwips = 420;
constexpr int kStatusBarTwips = 270;

struct GeometryKey {
  const char* name;
  double fallback;
};
// Left, top, width, height of the outer window, in twips.
constexpr GeometryKey kGeometryKeys[] = {
    {"MainLeft", 1000}, {"MainTop", 1000}, {"MainWidth", 6500}, {"MainHeight", 6500}};

QString Local(const std::string& text) { return QString::fromLocal8Bit(text); }
std::string Bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

QLineEdit* ReadOnlyBox(const QString& name, QWidget* parent, const QString& text = {}) {
  auto* box = new QLineEdit(text, parent);
  box->setObjectName(name);
  box->setReadOnly(true);
  return box;
}

QLabel* Label(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

// A push button whose caption wraps onto a second line when the button is too
// narrow for it, as "Free Date Search" needs.
class WrapButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(rect().adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, text());
  }
};

QPushButton* Button(const QString& name, const QString& text, QWidget* parent) {
  auto* button = new WrapButton(text, parent);
  button->setObjectName(name);
  return button;
}

QAction* MenuEntry(QMenu* menu, const QString& name, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

void Separator(QMenu* menu, const QString& name) { menu->addSeparator()->setObjectName(name); }

}  // namespace

frmMain::frmMain(TallixData& shared, const Services& services, QWidget* parent)
    : QMainWindow(parent),
      data_(shared),
      services_(services),
      dlgCommonDialog(*services.file_chooser) {
  setObjectName("frmMain");
  setWindowTitle(kTitle);
  setFont(WindowFont());
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

frmMain::~frmMain() = default;

QRect frmMain::Twips(int left, int top, int width, int height) const {
  return TwipsRect(left, top, width, height, logicalDpiX());
}

void frmMain::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName("frmMainClient");
  setCentralWidget(client);
  // The design places controls in the client area, toolbar included; the
  // central widget starts below the toolbar.
  auto place = [this](QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Twips(left, top - kToolBarTwips, width, height));
  };

  place(Label("Label9", "Log Filename", client), 2520, 600, 975, 255);
  LogFilename = ReadOnlyBox("LogFilename", client);
  place(LogFilename, 3600, 600, 3015, 285);
  place(Label("Label5", "Log Start", client), 120, 720, 735, 255);
  LogStart = ReadOnlyBox("LogStart", client);
  place(LogStart, 840, 720, 1455, 285);
  place(Label("Label6", "Log End", client), 120, 1080, 735, 255);
  LogEnd = ReadOnlyBox("LogEnd", client);
  place(LogEnd, 840, 1080, 1455, 285);
  place(Label("Label7", "Records", client), 120, 1440, 855, 255);
  LogRecords = ReadOnlyBox("LogRecords", client);
  place(LogRecords, 840, 1440, 1455, 285);

  CommandAll = Button("CommandAll", "All Results", client);
  place(CommandAll, 120, 1920, 975, 495);
  Command2 = Button("Command2", "Free Date Search", client);
  place(Command2, 120, 2520, 975, 495);
  DateEntry = new QLineEdit(client);
  DateEntry->setObjectName("DateEntry");
  place(DateEntry, 1200, 2640, 1095, 285);
  CommandDate = Button("CommandDate", "Date Search", client);
  place(CommandDate, 120, 3120, 975, 495);
  ComboDate = new QComboBox(client);
  ComboDate->setObjectName("ComboDate");
  ComboDate->setEditable(true);
  ComboDate->setInsertPolicy(QComboBox::NoInsert);
  place(ComboDate, 1200, 3240, 1095, 315);
  CommandPrintLog = Button("CommandPrintLog", "Print Log", client);
  place(CommandPrintLog, 120, 4080, 975, 495);
  CommandShowLog = Button("CommandShowLog", "Show Log", client);
  place(CommandShowLog, 1200, 4080, 975, 495);

  Frame1 = new QGroupBox("Overview", client);
  Frame1->setObjectName("Frame1");
  place(Frame1, 2400, 960, 4215, 3675);
  Label("Label3", "No. Calls", Frame1)->setGeometry(Twips(1680, 360, 1095, 255));
  Label("Label4", "Call Duration", Frame1)->setGeometry(Twips(2760, 360, 1095, 255));
  for (int i = 0; i < kRows; ++i) {
    const int top = 720 + 240 * i;
    const auto row = static_cast<size_t>(i);
    LabelName[row] = Label(QString("LabelName%1").arg(i), "Name", Frame1);
    LabelName[row]->setGeometry(Twips(120, top, 1095, 255));
    NoCalls[row] = ReadOnlyBox(QString("NoCalls%1").arg(i), Frame1, " ");
    NoCalls[row]->setGeometry(Twips(1560, top, 855, 285));
    CallDuration[row] = ReadOnlyBox(QString("CallDuration%1").arg(i), Frame1, " ");
    CallDuration[row]->setGeometry(Twips(2640, top, 1335, 285));
  }
  ResultsRangeDisplay = Label("ResultsRangeDisplay", "All Results", Frame1);
  ResultsRangeDisplay->setGeometry(Twips(240, 3240, 3855, 375));
  ResultsRangeDisplay->setAlignment(Qt::AlignCenter);
  ResultsRangeDisplay->setFont(TimesNewRomanFont(14.25, true));
  QPalette red = ResultsRangeDisplay->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  ResultsRangeDisplay->setPalette(red);
}

void frmMain::BuildMenus() {
  mnuFile = menuBar()->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  // Two separators in a row are part of the design.
  mnuFile->setSeparatorsCollapsible(false);
  mnuFileOpen = MenuEntry(mnuFile, "mnuFileOpen", "&Open...");
  Separator(mnuFile, "mnuFileBar0");
  mnuFileSave = MenuEntry(mnuFile, "mnuFileSave", "&Save");
  Separator(mnuFile, "mnuFileBar1");
  Separator(mnuFile, "mnuFileBar2");
  mnuFilePageSetup = MenuEntry(mnuFile, "mnuFilePageSetup", "Page Set&up...");
  mnuFilePrint = MenuEntry(mnuFile, "mnuFilePrint", "&Print...");
  Separator(mnuFile, "mnuFileBar3");
  mnuFileExit = MenuEntry(mnuFile, "mnuFileExit", "E&xit");

  mnuView = menuBar()->addMenu("&View");
  mnuView->setObjectName("mnuView");
  mnuViewOptions = MenuEntry(mnuView, "mnuViewOptions", "&Options...");

  mnuHelp = menuBar()->addMenu("&Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuHelpContents = MenuEntry(mnuHelp, "mnuHelpContents", "&Contents");
  mnuHelpSearchForHelpOn = MenuEntry(mnuHelp, "mnuHelpSearchForHelpOn", "&Search For Help On...");
  Separator(mnuHelp, "mnuHelpBar0");
  mnuHelpAbout = MenuEntry(mnuHelp, "mnuHelpAbout", "&About ");
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
  connect(mnuFileOpen, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
  connect(mnuFileSave, &QAction::triggered, this, &frmMain::mnuFileSave_Click);
  connect(mnuFilePageSetup, &QAction::triggered, this, &frmMain::mnuFilePageSetup_Click);
  connect(mnuFilePrint, &QAction::triggered, this, &frmMain::mnuFilePrint_Click);
  connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
  connect(mnuViewOptions, &QAction::triggered, this, &frmMain::mnuViewOptions_Click);
  connect(mnuHelpContents, &QAction::triggered, this, &frmMain::mnuHelpContents_Click);
  connect(mnuHelpSearchForHelpOn, &QAction::triggered, this,
          &frmMain::mnuHelpSearchForHelpOn_Click);
  connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
  connect(tbToolBar, &QToolBar::actionTriggered, this, &frmMain::tbToolBar_ButtonClick);
  connect(CommandAll, &QPushButton::clicked, this, &frmMain::CommandAll_Click);
  connect(Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
  connect(CommandDate, &QPushButton::clicked, this, &frmMain::CommandDate_Click);
  connect(CommandPrintLog, &QPushButton::clicked, this, &frmMain::CommandPrintLog_Click);
  connect(CommandShowLog, &QPushButton::clicked, this, &frmMain::CommandShowLog_Click);
}

QString frmMain::ConfigFilePath() const { return Local(services_.config.write_path); }

// ---- Start-up and close

void frmMain::Form_Load() {
  RestoreGeometry();
  const ConfigReadResult config = ReadConfigFile(data_, services_.config.read_path);
  if (!config.ok) {
    // Starting with no sites at all would look like a broken program.
    ApplyDefaultConfig(data_);
    startup_problems_.push_back(config.error + "; Tallix starts with its built-in configuration");
  }
  for (const std::string& warning : config.warnings) startup_problems_.push_back(warning);
  ShowSiteRows();
  EnableResultCommands(false);
}

void frmMain::ReportStartupProblems() {
  if (startup_problems_.empty()) return;
  ShowWarnings(startup_problems_, "The configuration file needed attention at start-up:");
  startup_problems_.clear();
}

void frmMain::RestoreGeometry() {
  double twips[4];
  for (size_t i = 0; i < 4; ++i) {
    twips[i] = kGeometryKeys[i].fallback;
    if (const std::optional<QString> text = services_.settings->Read(kGeometryKeys[i].name)) {
      bool ok = false;
      const float value = text->trimmed().toFloat(&ok);
      if (ok) twips[i] = static_cast<double>(value);
    }
  }
  const double dpi = logicalDpiX();
  move(TwipsToPixels(twips[0], dpi), TwipsToPixels(twips[1], dpi));
  // The stored size is the outer size; the frame is taken off once it is known.
  resize(TwipsToPixels(twips[2], dpi), TwipsToPixels(twips[3], dpi));
}

void frmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (frame_corrected_) return;
  frame_corrected_ = true;
  const QSize frame = frameGeometry().size() - geometry().size();
  if (!frame.isEmpty()) resize(size() - frame);
}

void frmMain::StoreGeometry() {
  const QRect outer = frameGeometry();
  const double dpi = logicalDpiX();
  const int values[4] = {outer.left(), outer.top(), outer.width(), outer.height()};
  for (size_t i = 0; i < 4; ++i) {
    const auto twips = static_cast<float>(PixelsToTwips(values[i], dpi));
    services_.settings->Write(kGeometryKeys[i].name,
                              QString::number(static_cast<double>(twips), 'g', 7));
  }
}

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

void frmMain::Form_Unload() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != this && window->isVisible() && window->isWindow() &&
        qobject_cast<QMenu*>(window) == nullptr) {
      window->close();
    }
  }
  if (!isMinimized()) StoreGeometry();
}

// ---- Rows

void frmMain::ShowSiteRows() {
  const int sites = SitesInUse(data_);
  for (int i = 0; i < kRows; ++i) {
    const auto row = static_cast<size_t>(i);
    const bool shown = i < sites;
    if (shown) LabelName[row]->setText(Local(data_.SiteNames[row]));
    LabelName[row]->setVisible(shown);
    NoCalls[row]->setVisible(shown);
    CallDuration[row]->setVisible(shown);
  }
}

void frmMain::EnableResultCommands(bool enabled) {
  data_.ResultCommandsEnabled = enabled;
  for (QPushButton* b : {CommandAll, Command2, CommandDate, CommandShowLog, CommandPrintLog}) {
    b->setEnabled(enabled);
  }
}

void frmMain::ShowTally(std::string_view selection) {
  const TallyResult result = TallyCalls(data_, selection);
  for (size_t row = 0; row < result.rows.size() && row < kRows; ++row) {
    NoCalls[row]->setText(Local(result.rows[row].NoCalls));
    CallDuration[row]->setText(Local(result.rows[row].CallDuration));
  }
  results_range_caption_ = result.caption;
  ResultsRangeDisplay->setText(Local(result.caption));
  ShowWarnings(result.warnings, "The tally reached a limit:");
}

// ---- File menu

void frmMain::mnuFileOpen_Click() {
  const QString path = dlgCommonDialog.ShowOpen(this, "Open", "All Files (*.*)");
  if (path.isEmpty()) return;
  const LoadResult load = LoadLog(data_, Bytes(path));
  if (!load.ok) {
    ShowProblem("The log could not be opened. The log loaded before stays in place.\n\n" +
                Local(load.error));
    return;
  }
  LogFilename->setText(Local(data_.LogFilePath));
  const LogPanel panel = LogPanelTexts(data_);
  LogStart->setText(Local(panel.LogStart));
  LogEnd->setText(Local(panel.LogEnd));
  LogRecords->setText(Local(panel.LogRecords));
  ComboDate->clear();
  ComboDate->clearEditText();
  for (const std::string& day : DayList(data_)) ComboDate->addItem(Local(day));
  ComboDate->setCurrentIndex(-1);
  ShowTally(kAllDataSelection);
  EnableResultCommands(true);
  std::vector<std::string> warnings = load.warnings;
  if (data_.LineCount == 0) {
    warnings.push_back("the log holds no line with the router identifier \"" +
                       data_.RouterIdentifier +
                       "\" and \"disconnected\"; every site shows 0 calls");
  }
  ShowWarnings(warnings, "The log was loaded, with these remarks:");
}

void frmMain::mnuFileSave_Click() {
  if (!RequireLoadedLog("saving a report")) return;
  const QString path = dlgCommonDialog.ShowSave(this, "Save", "Text FIles (*.txt)");
  if (path.isEmpty()) return;
  const QFileInfo target(path);
  if (target.exists() &&
      target.canonicalFilePath() == QFileInfo(Local(data_.LogFilePath)).canonicalFilePath()) {
    ShowProblem(QString("The report was not saved: \"%1\" is the log that is loaded, and saving "
                        "would overwrite it. Choose another file name.")
                    .arg(path));
    return;
  }
  if (target.exists()) {
    const MessageAnswer answer = services_.messages->Show(
        this, {MessageIcon::kQuestion, MessageButtons::kYesNo, kTitle,
               QString("\"%1\" already exists.\nDo you want to replace it?").arg(path)});
    if (answer != MessageAnswer::kYes) return;
  }
  const FileResult written =
      WriteWholeFile(Bytes(path), SavedReportText(data_, services_.clock->Now()));
  if (!written.ok) ShowProblem("The report was not saved.\n\n" + Local(written.error));
}

void frmMain::mnuFilePageSetup_Click() {
  // A cancelled printer dialog changes nothing and needs no message.
  dlgCommonDialog.ShowPrinter(this, "Page Setup", services_.printers->Printer());
}

void frmMain::mnuFilePrint_Click() {
  if (!RequireLoadedLog("printing")) return;
  PrintLines(PrintedSummaryLines(data_, results_range_caption_, services_.clock->Now()));
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

// ---- View and Help menus

void frmMain::mnuViewOptions_Click() {
  // The per-user folder may not be there yet when the first write goes to it.
  CreateConfigFolder(services_.config.write_path);
  frmOptions dialog(data_, ConfigFilePath(), *services_.messages, this);
  dialog.exec();
  ShowSiteRows();
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

void frmMain::Command2_Click() { ShowTally(Bytes(DateEntry->text())); }

void frmMain::CommandDate_Click() { ShowTally(Bytes(ComboDate->currentText())); }

// ---- Detailed log and Show Log

bool frmMain::CallTotalGuard() {
  if (CallTotalGuardPasses(data_)) return true;
  services_.messages->Show(this,
                           {MessageIcon::kNone, MessageButtons::kOk, kTitle, kCallTotalMessage});
  return false;
}

void frmMain::CommandPrintLog_Click() {
  if (!RequireLoadedLog("printing the log")) return;
  if (CallTotalGuard()) PrintDetailedLog();
}

void frmMain::PrintDetailedLog() {
  PrintLines(PrintedDetailedLogLines(data_, results_range_caption_, services_.clock->Now()));
}

void frmMain::CommandShowLog_Click() {
  if (!RequireLoadedLog("showing the log")) return;
  if (!CallTotalGuard()) return;
  FormShowLog window(data_, *services_.clock, this);
  window.exec();
}

// ---- Helpers

void frmMain::PrintLines(const std::vector<std::string>& lines) {
  std::unique_ptr<LinePrinter> job = services_.printers->StartJob();
  for (const std::string& line : lines) job->PrintLine(Local(line));
  QString error;
  if (!job->EndDoc(&error)) ShowProblem("Nothing was printed.\n\n" + error);
}

bool frmMain::RequireLoadedLog(const QString& what) {
  if (!data_.LogFilePath.empty()) return true;
  ShowProblem(QString("Please open a log with File > Open before %1.").arg(what));
  return false;
}

void frmMain::ShowProblem(const QString& text) {
  services_.messages->Show(this, {MessageIcon::kWarning, MessageButtons::kOk, kTitle, text});
}

void frmMain::ShowWarnings(const std::vector<std::string>& warnings, const QString& context) {
  if (warnings.empty()) return;
  QString text = context;
  for (const std::string& warning : warnings) text += "\n\n- " + Local(warning);
  ShowProblem(text);
}

}  // namespace tallix
