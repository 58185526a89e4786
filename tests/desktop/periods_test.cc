// The Periods window over a log that crosses New Year with an empty month:
// its table and its Copy and Save As bytes against the engine's periods of
// the same days, as `tallix-report --since --until --by --format periods`
// makes them, and its state with no log and during a load.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <atomic>
#include <chrono>
#include <thread>

#include "desktop/reports/frm_check_totals.h"
#include "desktop/reports/frm_periods.h"
#include "engine/analysis/duration.h"
#include "engine/analysis/tally.h"
#include "engine/reports/periods_csv.h"
#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

QByteArray Call(const char* stamp, const char* number, int seconds) {
  return QString("%1 isdnrouter isdn: call from %2 disconnected, lasted %3 seconds\n")
      .arg(stamp, number)
      .arg(seconds)
      .toUtf8();
}

QByteArray YearEndLog() {
  return Call("2026-11-30T23:59:59Z", "01234123456", 60) +
         Call("2026-12-01T08:00:00+01:00", "01234123456", 100) +
         Call("2026-12-01T09:00:00-05:00", "02079460123", 30) +
         Call("2026-12-28T10:00:00Z", "02079460123", 45) +
         Call("2027-02-01T00:00:00Z", "01234123456", 7) +
         Call("2027-02-03T12:00:00Z", "01234123456", 8);
}

// The engine's periods of all data from `since` to `until`, as the command
// writes them.
QString CommandPeriods(TallixData& data, const char* since, const char* until, PeriodUnit unit) {
  TimeRange range;
  if (!ReadTimeRange(since, until, range).ok()) qFatal("bad range");
  const TallyResult tally = TallyCalls(data, kAllDataSelection, range);
  const PeriodTable table(CountedTimedCalls(data, tally), SitesInUse(data), unit);
  return QString::fromStdString(PeriodsCsvText(table, data.SiteNames));
}

// The table as the command's rows would give it: per period and site its
// calls, duration text and signed changes, then the total row.
std::vector<QStringList> TableFromCsv(const QString& csv, int sites) {
  std::vector<QStringList> rows;
  std::vector<int64_t> calls(static_cast<size_t>(sites)), seconds(calls);
  const QStringList lines = csv.split("\r\n", Qt::SkipEmptyParts).mid(1);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QStringList f = lines[i].split(',');
    const auto s = static_cast<size_t>(i % sites);
    if (s == 0) rows.push_back({f[0]});
    const auto sign = [](const QString& change) {
      return change.toLongLong() > 0 ? "+" + change : change;
    };
    rows.back() << f[4] << QString::fromStdString(FormatDuration(f[5].toInt())) << sign(f[8])
                << sign(f[9]);
    calls[s] += f[4].toLongLong();
    seconds[s] += f[5].toLongLong();
  }
  rows.push_back({"Total"});
  for (size_t s = 0; s < calls.size(); ++s) {
    rows.back() << QString::number(calls[s])
                << QString::fromStdString(FormatDuration(static_cast<int32_t>(seconds[s]))) << ""
                << "";
  }
  return rows;
}

}  // namespace

class PeriodsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Harness> Loaded() {
    auto h = std::make_unique<Harness>();
    h->WriteConfig(kThreeSitesConfig);
    h->Start();
    h->Open(h->WriteFile("router.log", YearEndLog()));
    return h;
  }

  static FormPeriods* Opened(Harness& h) {
    h.Trigger("mnuViewPeriods");
    // Neither window has a meta-object of its own: they are found by name.
    auto* window = static_cast<FormPeriods*>(h.window().findChild<QDialog*>("FormPeriods"));
    return window != nullptr && window->isVisible() && !window->isModal() ? window : nullptr;
  }

 private slots:
  // Each unit over the log's days and over days that cut its first and last
  // periods: the table, Copy and Save As against the command's periods.
  void figuresAreTheCommands_data() {
    QTest::addColumn<int>("unit");  // index in the By box
    QTest::addColumn<QString>("since");
    QTest::addColumn<QString>("until");  // empty: the pickers as opened
    QTest::newRow("day") << 0 << "2026-11-30"
                         << "";
    QTest::newRow("week across a year end") << 1 << "2026-11-30"
                                            << "";
    QTest::newRow("month, empty one included") << 2 << "2026-11-30"
                                               << "";
    QTest::newRow("month, days cut") << 2 << "2026-12-01"
                                     << "2027-02-01";
  }
  void figuresAreTheCommands() {
    QFETCH(int, unit);
    QFETCH(QString, since);
    QFETCH(QString, until);
    auto h = Loaded();
    FormPeriods* window = Opened(*h);
    QVERIFY(window != nullptr);
    auto* from = window->findChild<QDateEdit*>("FromDate");
    auto* to = window->findChild<QDateEdit*>("ToDate");
    QCOMPARE(from->date(), QDate(2026, 11, 30));
    QCOMPARE(to->date(), QDate(2027, 2, 3));
    QCOMPARE(window->findChild<QComboBox*>("PeriodUnitBox")->currentText(), QString("Month"));
    window->findChild<QComboBox*>("PeriodUnitBox")->setCurrentIndex(unit);
    from->setDate(QDate::fromString(since, Qt::ISODate));
    if (!until.isEmpty()) to->setDate(QDate::fromString(until, Qt::ISODate));
    const QString until_day = to->date().toString(Qt::ISODate);

    window->findChild<QPushButton*>("cmdCopy")->click();
    const QString copied = QApplication::clipboard()->text();
    h->chooser.file_answers.push_back(h->PathOf("saved.csv"));
    window->findChild<QPushButton*>("cmdSaveAs")->click();
    QVERIFY(h->chooser.file_requests.back().initial_name.endsWith("/router-periods.csv"));
    const std::vector<QStringList> shown =
        TableCells(*window->findChild<QTableView*>("PeriodsTable")->model());
    window->close();

    const PeriodUnit units[] = {PeriodUnit::kDay, PeriodUnit::kWeek, PeriodUnit::kMonth};
    const QString expected =
        CommandPeriods(*h->data, qPrintable(since), qPrintable(until_day), units[unit]);
    QVERIFY(expected.count("\r\n") > 4);
    QCOMPARE(copied, expected);
    QFile saved(h->PathOf("saved.csv"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString(saved.readAll()), expected);
    QCOMPARE(shown, TableFromCsv(expected, 3));
  }

  // A double-click on a site's cell shows that site's calls of the period,
  // within the days chosen, in Check Totals.
  void cellOpensTheCallsInCheckTotals() {
    auto h = Loaded();
    FormPeriods* window = Opened(*h);
    QVERIFY(window != nullptr);
    window->findChild<QDateEdit*>("FromDate")->setDate(QDate(2026, 12, 1));
    window->OpenCell(0, 1);  // 2026-12, Head Office's calls
    auto* totals =
        static_cast<FormCheckTotals*>(h->window().findChild<QDialog*>("FormCheckTotals"));
    QVERIFY(totals != nullptr && totals->isVisible());
    QCOMPARE(totals->findChild<QComboBox*>("LinesChoiceBox")->currentText(),
             QString("Head Office's calls"));
    QCOMPARE(totals->findChild<QLabel*>("RowCount")->text(), QString("1 line in 2026-12"));
    QVERIFY(totals->RowsAsText(false).contains("2026-12-01T08:00:00+01:00"));
  }

  // No log: the menu item is disabled. During a load the open window shows
  // nothing and is disabled; the new log's days come with it.
  void disabledWithoutALogAndDuringALoad() {
    auto h = std::make_unique<Harness>();
    h->WriteConfig(kThreeSitesConfig);
    h->Start();
    QVERIFY(!h->Find<QAction>("mnuViewPeriods")->isEnabled());
    h->Open(h->WriteFile("router.log", YearEndLog()));
    QVERIFY(h->Find<QAction>("mnuViewPeriods")->isEnabled());
    FormPeriods* window = Opened(*h);
    QVERIFY(window != nullptr);
    std::atomic<bool> seen = false;
    bool blank = false;
    h->load_watcher.on_progress = [&seen](uint64_t, uint64_t) {
      for (int wait = 0; wait < 200 && !seen; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    };
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
      if (!h->window().Loading() || seen) return;
      blank = !window->isEnabled() &&
              window->findChild<QTableView*>("PeriodsTable")->model()->rowCount() == 0;
      seen = true;
    });
    watch.start(5);
    h->Open(h->WriteFile("second.log", Call("2025-03-04T10:00:00Z", "01234123456", 5)));
    QVERIFY(seen && blank);
    QVERIFY(window->isEnabled());
    QCOMPARE(window->findChild<QDateEdit*>("FromDate")->date(), QDate(2025, 3, 4));
    QCOMPARE(window->findChild<QDateEdit*>("ToDate")->date(), QDate(2025, 3, 4));
    QCOMPARE(window->PeriodsText().count("\r\n"), 4);
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::PeriodsTest)
#include "periods_test.moc"
