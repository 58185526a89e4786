// The print commands of the main window: Print and Print Log, each with
// the selection's summary, a failed print, and Page Setup.

#include <QComboBox>
#include <QString>
#include <vector>

#include "report_commands_test.h"
#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

// The summary lines 1 to 10 of the crafted log, under `caption`, with the
// Head Office counts of that selection.
std::vector<QString> SummaryBlock(const QString& log, const QString& caption,
                                  const QString& head_office_calls, const QString& head_office_time,
                                  const QString& london_calls, const QString& london_time) {
  std::vector<QString> lines = {Title(log),
                                "",
                                caption,
                                "",
                                "Log Start   : Jan  1 10:00",
                                "Log End     : Jan  1 12:00",
                                "Log Records :  4",
                                "",
                                "",
                                "Head Office",
                                "Number of Calls = " + head_office_calls,
                                "Total Calls Duration = " + head_office_time,
                                "",
                                "London",
                                "Number of Calls = " + london_calls,
                                "Total Calls Duration = " + london_time,
                                "",
                                "Leeds",
                                "Number of Calls = 0",
                                "Total Calls Duration =  0d 0h 0m 0s",
                                ""};
  return lines;
}

}  // namespace

void ReportCommandsTest::printPrintsTheSummaryOfTheSelection() {
  auto h = Loaded();
  h->Find<QComboBox>("ComboDate")->setCurrentIndex(1);
  h->Click("CommandDate");
  h->Trigger("tbToolBarPrint");
  QCOMPARE(h->printers.jobs.size(), size_t{1});
  std::vector<QString> expected =
      SummaryBlock(log_, "Free Date Search : 'Jan  2'", "1", " 0d 0h 1m 15s", "0", " 0d 0h 0m 0s");
  expected.emplace_back();
  QCOMPARE(h->printers.jobs[0].lines, expected);
  QVERIFY(h->printers.jobs[0].ended);
}

void ReportCommandsTest::printLogPrintsEveryCall() {
  auto h = Loaded();
  h->Click("CommandPrintLog");
  QCOMPARE(h->printers.jobs.size(), size_t{1});
  std::vector<QString> expected =
      SummaryBlock(log_, "All Data", "3", " 0d 0h 2m 16s", "1", " 0d 1h 1m 1s");
  for (const QString& line :
       Lines({"", "", "Detailed log for Head Office", "Jan  1 10:00:00   0d 0h 1m 0s",
              "Jan  2 09:00:00   0d 0h 1m 15s", "Jan  1 12:00:00   0d 0h 0m 1s", "",
              "Detailed log for London", "Jan  1 11:00:00   0d 1h 1m 1s", "",
              "Detailed log for Leeds", ""})) {
    expected.push_back(line);
  }
  QCOMPARE(h->printers.jobs[0].lines, expected);
}

void ReportCommandsTest::failedPrintIsReported_data() {
  QTest::addColumn<QString>("route");
  QTest::newRow("print") << "mnuFilePrint";
  QTest::newRow("print, toolbar") << "tbToolBarPrint";
  QTest::newRow("print log") << "CommandPrintLog";
}

void ReportCommandsTest::failedPrintIsReported() {
  QFETCH(QString, route);
  auto h = Loaded();
  h->printers.fail_with = "No printer is available.";
  if (route == "CommandPrintLog") {
    h->Click("CommandPrintLog");
  } else {
    h->Trigger(qPrintable(route));
  }
  ExpectOneMessageContaining(*h, "No printer is available.");
  QVERIFY(h->messages.shown[0].text.contains("Nothing was printed"));
}

void ReportCommandsTest::pageSetupShowsThePrinterDialogOfTheRun() {
  auto h = Loaded();
  h->Trigger("mnuFilePageSetup");
  h->chooser.printer_answers.push_back(true);
  h->Trigger("mnuFilePageSetup");
  QCOMPARE(h->chooser.printer_titles, Lines({"Page Setup", "Page Setup"}));
  QCOMPARE(h->chooser.printers_shown.back(), &h->printers.Printer());
  QVERIFY(h->messages.shown.empty());
}

}  // namespace tallix::testing
