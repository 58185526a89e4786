// The Periods window over a log that crosses New Year with an empty month:
// its table, Copy, Save As and Check Totals for a cell against the engine's
// periods of the same days as `tallix-report --since --until --by --format
// periods` makes them; its state with no log and during a load.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "desktop/app/qt_text.h"
#include "desktop/reports/frm_check_totals.h"
#include "desktop/reports/frm_periods.h"
#include "engine/analysis/duration.h"
#include "engine/reports/periods_csv.h"
#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

QByteArray Call(const char* stamp, const char* number, int seconds) {
  return QString("%1 isdnrouter isdn: call from %2 disconnected, lasted %3 seconds\n")
      .arg(stamp, number, QString::number(seconds))
      .toUtf8();
}

const QByteArray kYearEndLog = Call("2026-11-30T23:59:59Z", "01234123456", 60) +
                               Call("2026-12-01T08:00:00+01:00", "01234123456", 100) +
                               Call("2026-12-01T09:00:00-05:00", "02079460123", 30) +
                               Call("2026-12-28T10:00:00Z", "02079460123", 45) +
                               Call("2027-02-01T00:00:00Z", "01234123456", 7) +
                               Call("2027-02-03T12:00:00Z", "01234123456", 8);

// The command's periods of all data from `since` to `until`.
QString CommandPeriods(const frmMain& window, const QString& since, const QString& until,
                       int unit) {
  TimeRange range;
  if (!ReadTimeRange(FromQt(since), FromQt(until), range).ok()) qFatal("bad range");
  const TallyResult tally = TallyCalls(window.Log(), window.Config(), kAllDataSelection, range);
  const PeriodTable table(CountedTimedCalls(window.Log(), tally), window.Config().SitesInUse(),
                          static_cast<PeriodUnit>(unit));
  return QString::fromStdString(PeriodsCsvText(table, window.Config().SiteNames));
}

// The table the command's rows make: per period and site its calls, the
// duration text and the changes, signed: of the calls as a number, of the
// seconds as a duration ("+0d 0h 1m 40s"); then the totals.
std::vector<QStringList> TableOf(const QString& csv, size_t sites) {
  std::vector<QStringList> rows;
  QStringList total = {"Total"};
  std::vector<int> calls(sites), seconds(sites);
  const auto duration = [](int s) { return QString::fromStdString(FormatDuration(s)); };
  const auto sign = [](const QString& n) { return n.toInt() > 0 ? "+" + n : n; };
  const auto signed_duration = [&duration](const QString& n) {
    QString text = n.isEmpty() ? n : duration(std::abs(n.toInt()));
    if (n.toInt() != 0) text[0] = n.toInt() > 0 ? '+' : '-';
    return text;
  };
  const QStringList lines = csv.split("\r\n", Qt::SkipEmptyParts).mid(1);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QStringList f = lines[i].split(',');
    const auto s = static_cast<size_t>(i) % sites;
    if (s == 0) rows.push_back({f[0]});
    rows.back() << f[4] << duration(f[5].toInt()) << sign(f[8]) << signed_duration(f[9]);
    calls[s] += f[4].toInt();
    seconds[s] += f[5].toInt();
  }
  for (size_t s = 0; s < sites; ++s)
    total << QString::number(calls[s]) << duration(seconds[s]) << ""
          << "";
  rows.push_back(total);
  return rows;
}

template <typename T>
T* Window(Harness& h, const char* name) {
  // Neither window has a meta-object of its own: they are found by name.
  return static_cast<T*>(h.window().findChild<QDialog*>(name));
}

// The window opened over the log; none when the menu item was enabled
// before the log was loaded.
FormPeriods* Opened(Harness& h) {
  h.WriteConfig(kThreeSitesConfig);
  h.Start();
  if (h.Find<QAction>("mnuViewPeriods")->isEnabled()) return nullptr;
  h.Open(h.WriteFile("router.log", kYearEndLog));
  h.Trigger("mnuViewPeriods");
  return Window<FormPeriods>(h, "FormPeriods");
}

}  // namespace

class PeriodsTest : public QObject {
  Q_OBJECT

 private slots:
  // Each unit over the log's days, and over days that cut its first and last
  // periods. A double-click on the first period's Head Office cell shows its
  // calls within the days in Check Totals.
  void figuresAreTheCommands_data() {
    QTest::addColumn<int>("unit");  // PeriodUnit, the index in the By box
    QTest::addColumn<QDate>("since");
    QTest::addColumn<QDate>("until");  // null: the log's last day
    QTest::newRow("day") << 0 << QDate(2026, 11, 30) << QDate();
    QTest::newRow("week across a year end") << 1 << QDate(2026, 11, 30) << QDate();
    QTest::newRow("month, empty one included") << 2 << QDate(2026, 11, 30) << QDate();
    QTest::newRow("month, days cut") << 2 << QDate(2026, 12, 1) << QDate(2027, 2, 1);
  }
  void figuresAreTheCommands() {
    QFETCH(int, unit);
    QFETCH(QDate, since);
    QFETCH(QDate, until);
    Harness h;
    FormPeriods* window = Opened(h);
    QVERIFY(window != nullptr && window->isVisible() && !window->isModal());
    auto* from = window->findChild<QDateEdit*>("FromDate");
    auto* to = window->findChild<QDateEdit*>("ToDate");
    auto* by = window->findChild<QComboBox*>("PeriodUnitBox");
    QCOMPARE(QList({from->date(), to->date()}), QList({QDate(2026, 11, 30), QDate(2027, 2, 3)}));
    QCOMPARE(by->currentText(), QString("Month"));
    by->setCurrentIndex(unit);
    from->setDate(since);
    if (until.isValid()) to->setDate(until);
    const QString expected = CommandPeriods(h.window(), since.toString(Qt::ISODate),
                                            to->date().toString(Qt::ISODate), unit);
    QVERIFY(expected.count("\r\n") > 4);

    window->findChild<QPushButton*>("cmdCopy")->click();
    QCOMPARE(QApplication::clipboard()->text(), expected);
    h.chooser.file_answers.push_back(h.PathOf("saved.csv"));
    window->findChild<QPushButton*>("cmdSaveAs")->click();
    QVERIFY(h.chooser.file_requests.back().initial_name.endsWith("/router-periods.csv"));
    QFile saved(h.PathOf("saved.csv"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString(saved.readAll()), expected);
    const std::vector<QStringList> table = TableOf(expected, 3);
    QCOMPARE(TableCells(*window->findChild<QTableView*>("PeriodsTable")->model()), table);

    window->OpenCell(0, 1);
    auto* totals = Window<FormCheckTotals>(h, "FormCheckTotals");
    QVERIFY(totals != nullptr && totals->isVisible());
    const QString lines = table[0][1] == "1" ? "1 line" : table[0][1] + " lines";
    QCOMPARE(totals->findChild<QLabel*>("RowCount")->text(), lines + " in " + table[0][0]);
  }

  // Copy refuses a text over 16 MB and says to use Save As: many periods
  // (centuries by day), or fewer rows that are long (a year of ten sites with
  // names of 5000 characters, 18 MB).
  void copyRefusesOverSixteenMegabytes_data() {
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QByteArray>("first");  // the stamps of the log's two calls
    QTest::addColumn<QByteArray>("last");
    QByteArray names = SitesConfig(10).replace("\"00000000000\"", "\"01234123456\"");
    for (char c = 'A'; c <= 'J'; ++c)
      names.replace("Site " + QByteArray(1, c), QByteArray(5000, c));
    QTest::newRow("centuries") << QByteArray(kThreeSitesConfig)
                               << QByteArray("0001-01-01T00:00:00Z")
                               << QByteArray("9999-12-31T23:59:59Z");
    QTest::newRow("long names") << names << QByteArray("2026-01-01T00:00:00Z")
                                << QByteArray("2026-12-31T23:59:59Z");
  }
  void copyRefusesOverSixteenMegabytes() {
    QFETCH(QByteArray, config);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, last);
    Harness h;
    h.WriteConfig(config);
    h.Start();
    h.Open(h.WriteFile("router.log", Call(first, "01234123456", 5) + Call(last, "01234123456", 7)));
    h.Trigger("mnuViewPeriods");
    FormPeriods* window = Window<FormPeriods>(h, "FormPeriods");
    window->findChild<QComboBox*>("PeriodUnitBox")->setCurrentIndex(0);
    QApplication::clipboard()->setText("before");
    window->findChild<QPushButton*>("cmdCopy")->click();
    QCOMPARE(QApplication::clipboard()->text(), QString("before"));
    QCOMPARE(h.messages.shown.size(), size_t{1});
    QCOMPARE(h.messages.shown[0].text, QString("The periods are too long to copy: over 16 MB. Use "
                                               "Save As... to write them to a file."));
  }

  // During a load the open window shows nothing and is disabled; it starts
  // again at the new log's days. (With no log its menu item is disabled.)
  void blankDuringALoad() {
    Harness h;
    FormPeriods* window = Opened(h);
    QVERIFY(window != nullptr);
    std::atomic<bool> seen = false;
    bool blank = false;
    h.load_watcher.on_progress = [&seen](uint64_t, uint64_t) {
      for (int wait = 0; wait < 200 && !seen; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    };
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
      if (!h.window().Loading() || seen) return;
      blank = !window->isEnabled() &&
              window->findChild<QTableView*>("PeriodsTable")->model()->rowCount() == 0;
      seen = true;
    });
    watch.start(5);
    h.Open(h.WriteFile("second.log", Call("2025-03-04T10:00:00Z", "01234123456", 5)));
    QVERIFY(seen && blank && window->isEnabled());
    QCOMPARE(window->findChild<QDateEdit*>("ToDate")->date(), QDate(2025, 3, 4));
    QCOMPARE(window->PeriodsText().count("\r\n"), 4);
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::PeriodsTest)
#include "periods_test.moc"
