#pragma once
// The main window's test class, whose cases are kept in two files by
// subject: main_window_test.cc (start-up, menus, rows, selection and the
// small commands) and main_window_open_test.cc (File > Open and the log it
// shows).

#include <QLineEdit>
#include <QObject>

#include "support/gui_harness.h"

namespace tallix::testing {

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  static constexpr const char* kResultCommands[] = {
      "CommandAll",      "Command2",      "CommandDate",        "CommandShowLog",
      "CommandPrintLog", "mnuFileExport", "mnuViewCheckTotals", "mnuViewPeriods"};

  static void ExpectResultCommandsEnabled(Harness& h, bool enabled) {
    for (const char* name : kResultCommands) {
      QVERIFY2(h.Find<QObject>(name)->property("enabled").toBool() == enabled, name);
    }
  }

  static void ExpectRow(Harness& h, int row, const QString& calls, const QString& duration) {
    QCOMPARE(h.Find<QLineEdit>(qPrintable(QString("NoCalls%1").arg(row)))->text(), calls);
    QCOMPARE(h.Find<QLineEdit>(qPrintable(QString("CallDuration%1").arg(row)))->text(), duration);
  }

 private slots:
  void firstStartUsesDefaults();
  void storedGeometryOffEveryScreenOpensAtTheDefault();
  void restorableRect_data();
  void restorableRect();
  void closeStoresGeometryUnlessMinimized_data();
  void closeStoresGeometryUnlessMinimized();
  void menuTreeInOrder();
  void toolBarButtonsByKey();
  void siteRowsFollowSiteCount_data();
  void siteRowsFollowSiteCount();
  void configRemarksAreReportedOnce_data();
  void configRemarksAreReportedOnce();
  void selectionCommands_data();
  void selectionCommands();
  void captionsFit();
  void accessibleNames();
  void aboutAndHelp_data();
  void aboutAndHelp();
  void usageErrorsAsTallixReportSaysThem();

  // File > Open and the log it shows.
  void openCancelledChangesNothing_data();
  void openCancelledChangesNothing();
  void openShowsLogPanelRowsAndDays();
  void followLogShowsAppendedCalls();
  void gzippedLogShowsAsThePlainOne();
  void failedOpenKeepsPreviousLog_data();
  void failedOpenKeepsPreviousLog();
  void loadRemarksAreShown_data();
  void loadRemarksAreShown();
  void readOnlyBoxesShowTheirStart_data();
  void readOnlyBoxesShowTheirStart();
};

}  // namespace tallix::testing
