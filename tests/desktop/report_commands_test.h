#pragma once
// The report commands' test class, whose cases are kept in two files by
// subject: report_commands_test.cc (Save, Show Log, Export, the guard and
// the refusals) and report_commands_print_test.cc (the print commands).

#include <QObject>
#include <QString>
#include <memory>

#include "support/gui_harness.h"

namespace tallix::testing {

// The title line of a report on `log`, dated by the harness's clock.
inline QString Title(const QString& log) {
  return "ISDN Log Ananysis for file '" + log + "' on 07/12/2026 10:30";
}

class ReportCommandsTest : public QObject {
  Q_OBJECT

 private:
  QString log_;

  // A started window with the three sites and the crafted log loaded.
  std::unique_ptr<Harness> Loaded() {
    auto h = std::make_unique<Harness>();
    h->WriteConfig(kThreeSitesConfig);
    h->Start();
    log_ = h->WriteFile("router.log", CraftedLog());
    h->Open(log_);
    return h;
  }

  static void ExpectOneMessageContaining(Harness& h, const QString& part) {
    QCOMPARE(h.messages.shown.size(), size_t{1});
    QVERIFY2(h.messages.shown[0].text.contains(part), qPrintable(h.messages.shown[0].text));
  }

 private slots:
  void reportsNeedALog_data();
  void reportsNeedALog();
  void saveWritesTheReport_data();
  void saveWritesTheReport();
  void saveAsksBeforeReplacing_data();
  void saveAsksBeforeReplacing();
  void saveRefusesTheFilesRead_data();
  void saveRefusesTheFilesRead();
  void saveCancelledWritesNothing();
  void failedSaveIsReported_data();
  void failedSaveIsReported();
  void callTotalGuard_data();
  void callTotalGuard();
  void showLogShowsTheReportText();
  void htmlExportOffersToOpenThePage_data();
  void htmlExportOffersToOpenThePage();
  void writesRefuseTheFilesRead_data();
  void writesRefuseTheFilesRead();

  // The print commands.
  void printPrintsTheSummaryOfTheSelection();
  void printLogPrintsEveryCall();
  void failedPrintIsReported_data();
  void failedPrintIsReported();
  void pageSetupShowsThePrinterDialogOfTheRun();
};

}  // namespace tallix::testing
