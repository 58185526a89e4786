// The report commands of the main window: File > Save, Show Log and Export,
// with their guard and every refusal. Print, Print Log and Page Setup are in
// report_commands_print_test.cc.

#include "report_commands_test.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>

#include "desktop/app/status_bar.h"
#include "engine/reports/report_text.h"
#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace

void ReportCommandsTest::reportsNeedALog_data() {
  QTest::addColumn<QString>("route");
  QTest::newRow("save") << "mnuFileSave";
  QTest::newRow("save, toolbar") << "tbToolBarSave";
  QTest::newRow("print") << "mnuFilePrint";
  QTest::newRow("print, toolbar") << "tbToolBarPrint";
}

void ReportCommandsTest::reportsNeedALog() {
  QFETCH(QString, route);
  Harness h;
  h.Start();
  h.Trigger(qPrintable(route));
  ExpectOneMessageContaining(h, "Please open a log with File > Open");
  QVERIFY(h.chooser.file_requests.empty());
  QVERIFY(h.printers.jobs.empty());
}

void ReportCommandsTest::saveWritesTheReport_data() {
  QTest::addColumn<QString>("route");
  QTest::newRow("menu") << "mnuFileSave";
  QTest::newRow("toolbar") << "tbToolBarSave";
}

void ReportCommandsTest::saveWritesTheReport() {
  QFETCH(QString, route);
  auto h = Loaded();
  const QString target = h->PathOf("report");  // no extension is added
  h->chooser.file_answers.push_back(target);
  h->Trigger(qPrintable(route));
  QVERIFY(h->messages.shown.empty());
  const FileRequest& request = h->chooser.file_requests.back();
  QCOMPARE(request.kind, FileRequest::Kind::kSave);
  QCOMPARE(request.title, QString("Save"));
  QCOMPARE(request.filter, QString("Text FIles (*.txt)"));
  QCOMPARE(request.initial_name, log_);
  QVERIFY(!QFile::exists(target + ".txt"));
  const QByteArray expected = (Title(log_) +
                               "\r\n"
                               "\r\n"
                               "Log Start   : Jan  1 10:00\r\n"
                               "Log End     : Jan  1 12:00\r\n"
                               "Log Records :  4\r\n"
                               "Summary\r\n"
                               "\"Site\",\"Calls\",\"Duration\",\"Duration\"\r\n"
                               "\"Head Office\",3,136,\" 0d 0h 2m 16s\"\r\n"
                               "\"London\",1,3661,\" 0d 1h 1m 1s\"\r\n"
                               "\"Leeds\",0,0,\" 0d 0h 0m 0s\"\r\n"
                               "\r\n"
                               "Detailed log for Head Office\r\n"
                               "\"Jan  1 10:00:00\",60,\" 0d 0h 1m 0s\"\r\n"
                               "\"Jan  2 09:00:00\",75,\" 0d 0h 1m 15s\"\r\n"
                               "\"Jan  1 12:00:00\",1,\" 0d 0h 0m 1s\"\r\n"
                               "\r\n"
                               "Detailed log for London\r\n"
                               "\"Jan  1 11:00:00\",3661,\" 0d 1h 1m 1s\"\r\n"
                               "\r\n"
                               "Detailed log for Leeds\r\n"
                               "\r\n")
                                  .toLocal8Bit();
  QCOMPARE(ReadAll(target), expected);
}

void ReportCommandsTest::saveAsksBeforeReplacing_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("replaced");
  QTest::newRow("yes") << int(MessageAnswer::kYes) << true;
  QTest::newRow("no") << int(MessageAnswer::kNo) << false;
}

void ReportCommandsTest::saveAsksBeforeReplacing() {
  QFETCH(int, answer);
  QFETCH(bool, replaced);
  auto h = Loaded();
  const QString target = h->WriteFile("old.txt", "old contents");
  h->chooser.file_answers.push_back(target);
  h->messages.answers.push_back(MessageAnswer(answer));
  h->Trigger("mnuFileSave");
  QCOMPARE(h->messages.shown.size(), size_t{1});
  QCOMPARE(h->messages.shown[0].buttons, MessageButtons::kYesNo);
  QVERIFY(h->messages.shown[0].text.contains(target));
  QCOMPARE(ReadAll(target).startsWith("ISDN Log Ananysis"), replaced);
}

// A file that was read is never replaced, by whatever name it is chosen.
void ReportCommandsTest::saveRefusesTheFilesRead_data() {
  QTest::addColumn<QString>("name");  // as chosen: "log", "config", or a link "->log"
  QTest::addColumn<QString>("refusal");
  QTest::newRow("the log") << "log"
                           << "is the log that is loaded";
  QTest::newRow("a link to the log") << "->log"
                                     << "is the log that is loaded";
  QTest::newRow("the configuration") << "config"
                                     << "is the configuration file";
}

void ReportCommandsTest::saveRefusesTheFilesRead() {
  QFETCH(QString, name);
  QFETCH(QString, refusal);
  auto h = Loaded();
  const QString read = name.endsWith("log") ? log_ : h->ConfigPath();
  const QByteArray before = ReadAll(read);
  QString chosen = read;
  if (name.startsWith("->")) {
    chosen = h->PathOf("link");
    QVERIFY(QFile::link(read, chosen));
  }
  h->chooser.file_answers.push_back(chosen);
  h->Trigger("mnuFileSave");
  ExpectOneMessageContaining(*h, refusal);
  QCOMPARE(ReadAll(read), before);
  QVERIFY(QFileInfo(chosen).isSymLink() == name.startsWith("->"));
}

void ReportCommandsTest::saveCancelledWritesNothing() {
  auto h = Loaded();
  h->Trigger("mnuFileSave");
  QCOMPARE(h->chooser.file_requests.size(), size_t{2});
  QVERIFY(h->messages.shown.empty());
}

void ReportCommandsTest::failedSaveIsReported_data() {
  QTest::addColumn<QString>("route");
  QTest::newRow("menu") << "mnuFileSave";
  QTest::newRow("toolbar") << "tbToolBarSave";
}

void ReportCommandsTest::failedSaveIsReported() {
  QFETCH(QString, route);
  auto h = Loaded();
  const QString target = h->PathOf("no-such-folder/report.txt");
  h->chooser.file_answers.push_back(target);
  h->Trigger(qPrintable(route));
  ExpectOneMessageContaining(*h, "The report was not saved");
  QVERIFY(h->messages.shown[0].text.contains(target));
  QVERIFY(QDir(h->PathOf("")).entryList({"*report*"}).isEmpty());
}

void ReportCommandsTest::callTotalGuard_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("calls");
  QTest::addColumn<bool>("passes");
  QTest::newRow("print log, 999") << "CommandPrintLog" << 999 << true;
  QTest::newRow("print log, 1000") << "CommandPrintLog" << 1000 << false;
  QTest::newRow("show log, 999") << "CommandShowLog" << 999 << true;
  QTest::newRow("show log, 1000") << "CommandShowLog" << 1000 << false;
}

void ReportCommandsTest::callTotalGuard() {
  QFETCH(QString, button);
  QFETCH(int, calls);
  QFETCH(bool, passes);
  Harness h;
  h.Start();  // the default site "site1" is 01234123456
  h.Open(h.WriteFile("busy.log", CallsLog(calls)));
  const bool opened = Harness::WithModal([&] { h.Click(qPrintable(button)); }, [](QDialog&) {});
  if (button == "CommandPrintLog") {
    QCOMPARE(h.printers.jobs.size(), size_t{passes ? 1u : 0u});
  } else {
    QCOMPARE(opened, passes);
  }
  if (passes) {
    QVERIFY(h.messages.shown.empty());
    return;
  }
  QCOMPARE(h.messages.shown.size(), size_t{1});
  QCOMPARE(h.messages.shown[0].text, QString(kCallTotalMessage));
  QCOMPARE(h.messages.shown[0].title, QString("Tallix"));
  QCOMPARE(h.messages.shown[0].icon, MessageIcon::kNone);
}

void ReportCommandsTest::showLogShowsTheReportText() {
  auto h = Loaded();
  const QString expected = Title(log_) +
                           "\n"
                           "\n"
                           "Log Start   : Jan  1 10:00\n"
                           "Log End     : Jan  1 12:00\n"
                           "Log Records : 4\n"
                           "\n"
                           "Summary\n"
                           "Site        : Calls : Duration\n"
                           "Head Office : 3     :  0d 0h 2m 16s\n"
                           "London      : 1     :  0d 1h 1m 1s\n"
                           "Leeds       : 0     :  0d 0h 0m 0s\n"
                           "\n"
                           "Detailed log for Head Office\n"
                           "Jan  1 10:00:00   0d 0h 1m 0s\n"
                           "Jan  2 09:00:00   0d 0h 1m 15s\n"
                           "Jan  1 12:00:00   0d 0h 0m 1s\n"
                           "\n"
                           "Detailed log for London\n"
                           "Jan  1 11:00:00   0d 1h 1m 1s\n"
                           "\n"
                           "Detailed log for Leeds\n"
                           "\n";
  // Edits made in the window are lost: the second opening builds afresh.
  for (int opening = 0; opening < 2; ++opening) {
    QString shown, title;
    bool fixed_pitch = false;
    const bool opened = Harness::WithModal(
        [&] { h->Click("CommandShowLog"); },
        [&](QDialog& window) {
          title = window.windowTitle();
          auto* box = window.findChild<QPlainTextEdit*>("LogBox");
          shown = box->toPlainText();
          const QFontMetrics metrics(box->font());
          fixed_pitch = metrics.horizontalAdvance("iiii") == metrics.horizontalAdvance("WWWW");
          box->setPlainText("edited");
          window.findChild<QPushButton*>("Command1")->click();
        });
    QVERIFY(opened);
    QCOMPARE(title, QString("Show Log"));
    QCOMPARE(shown, expected);
    QVERIFY(fixed_pitch);
  }
}

// A web page gets its suffix, the status bar says where it went, and the
// user is asked whether to open it. (tallix-report's bytes are compared
// in the real-session suite.)
void ReportCommandsTest::htmlExportOffersToOpenThePage_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("opens");  // whether the desktop finds a program
  QTest::addColumn<int>("messages");
  QTest::newRow("no") << int(MessageAnswer::kNo) << true << 1;
  QTest::newRow("yes") << int(MessageAnswer::kYes) << true << 1;
  QTest::newRow("yes, no browser") << int(MessageAnswer::kYes) << false << 2;
}

void ReportCommandsTest::htmlExportOffersToOpenThePage() {
  QFETCH(int, answer);
  QFETCH(bool, opens);
  QFETCH(int, messages);
  auto h = Loaded();
  const QString page = h->PathOf("page.html");
  h->chooser.file_answers.push_back(h->PathOf("page"));
  h->chooser.filter_answers.push_back("Web page with chart (*.html)");
  h->messages.answers.push_back(MessageAnswer(answer));
  h->desktop.opens = opens;
  h->Trigger("mnuFileExport");
  const FileRequest& request = h->chooser.file_requests.back();
  QCOMPARE(request.filter, QString("CSV, one row per call (*.csv);;JSON (*.json);;Web page with "
                                   "chart (*.html);;Numbers no site covers (*.txt);;Audit of "
                                   "every kept line (*.csv)"));
  QVERIFY(request.confirm_overwrite);
  QVERIFY(ReadAll(page).startsWith("<!DOCTYPE html>"));
  QVERIFY(h->Find<ClockStatusBar>("sbStatusBar")->StatusText().contains(page));
  QCOMPARE(h->messages.shown.size(), size_t(messages));
  QCOMPARE(h->messages.shown[0].buttons, MessageButtons::kYesNo);
  QVERIFY(h->messages.shown[0].text.contains(page));
  QCOMPARE(h->desktop.opened, answer == int(MessageAnswer::kYes) ? std::vector<QString>{page}
                                                                 : std::vector<QString>{});
}

// No file that was read or tried as a log, nor either configuration file,
// is written over, by whatever path it is named; each dialog that writes
// proposes a name made from the report type, beside the loaded log.
void ReportCommandsTest::writesRefuseTheFilesRead_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("target");
  QTest::addColumn<QString>("named");
  const struct {
    const char* command;
    const char* target;
    const char* named;
  } rows[] = {
      {"mnuFileExport", "router.log", "the log that is loaded"},
      {"mnuFileExport", "program/../router.log", "the log that is loaded"},
      {"mnuFileExport", "program/Tallix.cfg", "the configuration file"},
      {"mnuFileExport", "per-user.cfg", "the configuration file"},
      {"mnuFileExport", "failed.log", "a file opened as a log"},
      {"cmdSaveAs", "router.log", "the log that is loaded"},
      {"cmdSaveAs", "failed.log", "a file opened as a log"},
      {"cmdSaveAs", "per-user.cfg", "the configuration file"},
      {"mnuFileSave", "failed.log", "a file opened as a log"},
      {"mnuFilePrint", "router.log", "the log that is loaded"},
  };
  for (const auto& row : rows) {
    QTest::addRow("%s, %s", row.command, row.target) << row.command << row.target << row.named;
  }
}

void ReportCommandsTest::writesRefuseTheFilesRead() {
  QFETCH(QString, command);
  QFETCH(QString, target);
  QFETCH(QString, named);
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  // Options writes the per-user file; start-up read the program's.
  const QString per_user = h.WriteFile("per-user.cfg", kThreeSitesConfig);
  h.config = ConfigLocation{h.ConfigPath().toStdString(), per_user.toStdString(), {}};
  h.Start();
  h.Open(h.WriteFile("failed.log", "\x1F\x8B\x08 not gzip at all"));
  QCOMPARE(h.messages.shown.size(), size_t{1});
  h.messages.shown.clear();
  log_ = h.WriteFile("router.log", CraftedLog());
  h.Open(log_);
  const QString path = h.PathOf(target);
  const QByteArray before = ReadAll(path);
  h.chooser.file_answers.push_back(path);
  h.chooser.filter_answers.push_back("JSON (*.json)");
  h.printers.Printer().setOutputFileName(command == "mnuFilePrint" ? path : QString());
  if (command == "cmdSaveAs") {
    h.Trigger("mnuViewCheckTotals");
    h.window().findChild<QPushButton*>("cmdSaveAs")->click();
  } else {
    h.Trigger(qPrintable(command));
  }
  ExpectOneMessageContaining(h, named);
  QCOMPARE(ReadAll(path), before);
  const FileRequest& asked = h.chooser.file_requests.back();
  const QStringList proposed = command == "mnuFileExport"
                                   ? QStringList{"router.csv", "router.json", "router.html",
                                                 "router-unmatched.txt", "router-audit.csv"}
                               : command == "cmdSaveAs" ? QStringList{"router-audit.csv"}
                                                        : QStringList{};
  QStringList names;
  for (const QString& name : proposed) names << h.PathOf(name);
  QCOMPARE(asked.filter_names, names);
  if (!names.isEmpty()) QCOMPARE(asked.initial_name, names[0]);
}

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::ReportCommandsTest)
