// Costs in the window with a tariff file beside the configuration: the
// Tariffs window, the Periods window's cost columns and budget marks, and
// Check Totals' cost column, each against the text `tallix-report` makes of
// the same log and tariff file; a faulty file told once at start-up.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>
#include <numeric>

#include "desktop/app/qt_text.h"
#include "desktop/reports/frm_check_totals.h"
#include "desktop/reports/frm_periods.h"
#include "desktop/reports/frm_tariffs.h"
#include "desktop/reports/kept_lines_model.h"
#include "engine/reports/periods_csv.h"
#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

QByteArray Call(const char* stamp, const char* number, int seconds) {
  return QString("%1 isdnrouter isdn: call from %2 disconnected, lasted %3 seconds\n")
      .arg(stamp, number, QString::number(seconds))
      .toUtf8();
}

// Day and night units for Head Office's prefix, one unit length for the
// rest; Head Office's December passes its monthly budget, November does not.
const QByteArray kTariffs = R"(currency = "EUR"
[[tariff]]
name = "Local"
prefixes = ["0123"]
  [[tariff.zone]]
  days = ["Mon", "Tue", "Wed", "Thu", "Fri"]
  from = "08:00"
  to = "18:00"
  unit_seconds = 90
  unit_price = "0.06"
  [[tariff.zone]]
  days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
  from = "00:00"
  to = "24:00"
  unit_seconds = 240
  unit_price = "0.06"
[[tariff]]
name = "Long distance"
prefixes = ["0"]
setup = "0.10"
  [[tariff.zone]]
  days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
  from = "00:00"
  to = "24:00"
  unit_seconds = 60
  unit_price = "0.12"
[[budget]]
number = "01234123456"
per = "month"
amount = "0.20"
)";

const QByteArray kLog = Call("2026-11-30T23:59:59Z", "01234123456", 60) +
                        Call("2026-12-01T08:00:00+01:00", "01234123456", 400) +
                        Call("2026-12-01T17:59:00Z", "01234123456", 300) +
                        Call("2026-12-01T09:00:00-05:00", "02079460123", 130) +
                        Call("2026-12-28T10:00:00Z", "05550000000", 45) + "Dec 28 10:00:00 junk\n";

// A window opened over the log with `tariffs` beside the configuration.
void Start(Harness& h, const QByteArray& tariffs = kTariffs) {
  h.WriteConfig(kThreeSitesConfig);
  h.WriteFile("program/Tariffs.toml", tariffs);
  h.Start();
  h.Open(h.WriteFile("router.log", kLog));
}

Tariffs ReadTariffs(Harness& h) {
  TariffRead read = ReadTariffFile(FromQt(h.PathOf("program/Tariffs.toml")));
  if (!read.ok()) qFatal("tariffs: %s", read.error.c_str());
  return read.tariffs;
}

// The command's text of `write` over the window's log and sites, tallied
// over `selection` with the tariff file read anew.
QString CommandText(Harness& h, ReportWriter write, std::string_view selection) {
  const Tariffs tariffs = ReadTariffs(h);
  const TallyResult tally =
      TallyCalls(h.window().Log(), h.window().Config(), selection, {}, &tariffs);
  const ReportHeading heading;
  return ToQt(ReportTextOf(
      write, {h.window().Log(), h.window().Config(), tally, heading, {}, std::nullopt, &tariffs}));
}

template <typename T>
T* Window(Harness& h, const char* name) {
  return static_cast<T*>(h.window().findChild<QDialog*>(name));
}

}  // namespace

class CostsTest : public QObject {
  Q_OBJECT

 private slots:
  // The table is the comparison's rows with the cheapest tariff marked in
  // words; Copy and Save As are its text; a new tally is followed; the
  // tariff file is refused as a target.
  void tariffsWindowIsTheCommands() {
    Harness h;
    Start(h);
    QVERIFY(h.Find<QAction>("mnuViewTariffs")->isEnabled());
    h.Trigger("mnuViewTariffs");
    auto* window = Window<FormTariffs>(h, "FormTariffs");
    QVERIFY(window != nullptr && window->isVisible() && !window->isModal());
    auto* table = window->findChild<QTableWidget*>("TariffsTable");
    for (const char* selection : {" ", "Dec  1"}) {
      if (selection[0] != ' ') {
        h.Find<QComboBox>("ComboDate")->setCurrentText(selection);
        h.Click("CommandDate");
      }
      const QString expected = CommandText(h, WriteTariffsCsv, selection);
      std::vector<QStringList> rows;
      for (const QString& line : expected.split("\r\n", Qt::SkipEmptyParts).mid(1)) {
        rows.push_back(line.split(',') << "");
      }
      QCOMPARE(rows.size(), size_t(3));
      // Local's units are cheaper than Long distance's for every call here.
      rows[0][FormTariffs::kNote] = "\u25C0 cheapest";
      QCOMPARE(TableCells(*table->model()), rows);
      window->findChild<QPushButton*>("cmdCopy")->click();
      QCOMPARE(QApplication::clipboard()->text(), expected);
    }
    h.chooser.file_answers.push_back(h.PathOf("saved.csv"));
    window->findChild<QPushButton*>("cmdSaveAs")->click();
    QVERIFY(h.chooser.file_requests.back().initial_name.endsWith("/router-tariffs.csv"));
    QFile saved(h.PathOf("saved.csv"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString(saved.readAll()), CommandText(h, WriteTariffsCsv, "Dec  1"));

    h.chooser.file_answers.push_back(h.PathOf("program/Tariffs.toml"));
    window->findChild<QPushButton*>("cmdSaveAs")->click();
    QVERIFY(h.messages.shown.back().text.contains("is the tariff file"));
    QFile tariffs(h.PathOf("program/Tariffs.toml"));
    QVERIFY(tariffs.open(QIODevice::ReadOnly));
    QCOMPARE(tariffs.readAll(), kTariffs);
    for (QWidget* control : window->findChildren<QWidget*>()) {
      if (control->isVisible() && control->focusPolicy() != Qt::NoFocus) {
        QVERIFY2(!control->objectName().isEmpty() && !control->accessibleName().isEmpty(),
                 qPrintable(control->metaObject()->className()));
      }
    }
  }

  // Copy is `--format periods` with costs; the cost cells over budget carry
  // a sign and say both amounts in their tooltip.
  void periodsShowCostsAndBudgets_data() {
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("marks");
    QTest::newRow("month: Head Office's December") << 2 << 1;
    QTest::newRow("week: a monthly budget is not shown") << 1 << 0;
  }
  void periodsShowCostsAndBudgets() {
    QFETCH(int, unit);
    QFETCH(int, marks);
    Harness h;
    Start(h);
    h.Trigger("mnuViewPeriods");
    auto* window = Window<FormPeriods>(h, "FormPeriods");
    QVERIFY(window != nullptr);
    window->findChild<QComboBox*>("PeriodUnitBox")->setCurrentIndex(unit);
    const Tariffs tariffs = ReadTariffs(h);
    const TallyResult tally =
        TallyCalls(h.window().Log(), h.window().Config(), kAllDataSelection, {}, &tariffs);
    const PeriodTable periods(CountedTimedCalls(h.window().Log(), tally), 3,
                              static_cast<PeriodUnit>(unit));
    const PeriodCosts costs{tariffs, h.window().Config().SiteNumbers,
                            static_cast<PeriodUnit>(unit)};
    const QString expected = ToQt(PeriodsCsvText(periods, h.window().Config().SiteNames, &costs));
    window->findChild<QPushButton*>("cmdCopy")->click();
    QCOMPARE(QApplication::clipboard()->text(), expected);

    const QAbstractItemModel& model = *window->findChild<QTableView*>("PeriodsTable")->model();
    QCOMPARE(model.columnCount(), 1 + 3 * 5);
    QCOMPARE(model.headerData(5, Qt::Horizontal).toString(), QString("Head Office\ncost EUR"));
    // Per CSV row (period, site): the cost cell shows its cost, marked when over.
    int shown = 0;
    const QStringList lines = expected.split("\r\n", Qt::SkipEmptyParts).mid(1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
      const QStringList f = lines[i].split(',');
      const QModelIndex cell =
          model.index(static_cast<int>(i / 3), 5 + static_cast<int>(i % 3) * 5);
      const bool over = f[12] == "yes";
      QCOMPARE(cell.data().toString(), (over ? "\u25B2 " : "") + f[10]);
      if (over) {
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(),
                 f[10] + " of " + f[11] + " EUR: over budget");
      }
      shown += over;
    }
    QCOMPARE(shown, marks);
  }

  // Check Totals' table and Copy end with the audit's cost column.
  void checkTotalsCopyHasTheCost() {
    Harness h;
    Start(h);
    h.Trigger("mnuViewCheckTotals");
    auto* window = Window<FormCheckTotals>(h, "FormCheckTotals");
    QVERIFY(window != nullptr);
    const Tariffs tariffs = ReadTariffs(h);
    const TallyResult tally =
        TallyCalls(h.window().Log(), h.window().Config(), kAllDataSelection, {}, &tariffs);
    std::vector<int32_t> all(tally.lines.size());
    std::iota(all.begin(), all.end(), 0);
    const QString expected = ToQt(AuditRowsText(
        {h.window().Log(), h.window().Config(), tally, &tariffs}, all, AuditTextForm::kTsv, true));
    QVERIFY(expected.contains("\t0.12\n"));
    window->findChild<QTableView*>("LinesTable")->selectAll();
    QCOMPARE(window->RowsAsText(true), expected);
    const QAbstractItemModel& model = *window->findChild<QTableView*>("LinesTable")->model();
    QCOMPARE(model.headerData(KeptLinesModel::kCost, Qt::Horizontal).toString(),
             QString("Cost (EUR)"));
    const QStringList rows = expected.split('\n', Qt::SkipEmptyParts);
    for (int r = 0; r < model.rowCount(); ++r) {
      QCOMPARE(model.index(r, KeptLinesModel::kCost).data().toString(), rows[r].split('\t').last());
    }
  }

  // What start-up says of the tariff file, in the one box of start-up
  // problems and once: a refused file, the window then without costs; a
  // budget for no site, the costs shown.
  void tariffFileProblemsToldOnce_data() {
    QTest::addColumn<QByteArray>("tariffs");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("costs");
    QTest::newRow("unknown key") << QByteArray("currency = \"EUR\"\nnmae = 1\n")
                                 << "Tariffs.toml:2:1: unknown key" << false;
    QTest::newRow("budget of no site")
        << kTariffs + "[[budget]]\nnumber = \"0999\"\nper = \"day\"\namount = 1\n"
        << "Tariffs.toml: budget for number \"0999\" names no site" << true;
  }
  void tariffFileProblemsToldOnce() {
    QFETCH(QByteArray, tariffs);
    QFETCH(QString, told);
    QFETCH(bool, costs);
    Harness h;
    Start(h, tariffs);
    h.window().ReportStartupProblems();
    h.window().ReportStartupProblems();
    QCOMPARE(h.messages.shown.size(), size_t(1));
    QVERIFY2(h.messages.shown[0].text.contains(told), qPrintable(h.messages.shown[0].text));
    QCOMPARE(h.window().TariffsInUse() != nullptr, costs);
    QCOMPARE(h.Find<QAction>("mnuViewTariffs")->isEnabled(), costs);
    if (!costs) {
      QVERIFY(h.Find<QAction>("mnuViewTariffs")->statusTip().contains("Tariffs.toml"));
    }
    h.Trigger("mnuViewCheckTotals");
    auto* window = Window<FormCheckTotals>(h, "FormCheckTotals");
    QCOMPARE(window->findChild<QTableView*>("LinesTable")->model()->columnCount(),
             costs ? KeptLinesModel::kColumns : KeptLinesModel::kCost);
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::CostsTest)
#include "costs_test.moc"
