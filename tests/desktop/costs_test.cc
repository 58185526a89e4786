// Costs in the window with a tariff file beside the configuration: the
// Tariffs window, Periods' cost columns and budget marks and Check Totals'
// Copy against `tallix-report`'s text of the same log and tariff
// file; a faulty file told once at start-up.

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

// Day and night units for Head Office's prefix, one unit for the rest; Head
// Office's December passes its monthly budget, November does not.
const QByteArray kTariffs = R"(currency = "EUR"
budget = [{number = "01234123456", per = "month", amount = "0.20"}]
tariff = [{name = "Local", prefixes = ["0123"], zone = [
  {days = ["Mon", "Tue", "Wed", "Thu", "Fri"], from = "08:00", to = "18:00", unit_seconds = 90, unit_price = "0.06"},
  {days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"], from = "00:00", to = "24:00", unit_seconds = 240, unit_price = "0.06"}]},
  {name = "Long distance", prefixes = ["0"], setup = "0.10", zone = [
  {days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"], from = "00:00", to = "24:00", unit_seconds = 60, unit_price = "0.12"}]}]
)";

const QByteArray kLog =
    R"(2026-11-30T23:59:59Z isdnrouter isdn: call from 01234123456 disconnected, lasted 60 seconds
2026-12-01T08:00:00+01:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 400 seconds
2026-12-01T17:59:00Z isdnrouter isdn: call from 01234123456 disconnected, lasted 300 seconds
2026-12-01T09:00:00-05:00 isdnrouter isdn: call from 02079460123 disconnected, lasted 130 seconds
2026-12-28T10:00:00Z isdnrouter isdn: call from 05550000000 disconnected, lasted 45 seconds
)";

void Start(Harness& h, const QByteArray& tariffs = kTariffs) {
  h.WriteConfig(kThreeSitesConfig);
  h.WriteFile("program/Tariffs.toml", tariffs);
  h.Start();
  h.Open(h.WriteFile("router.log", kLog));
}

// The tariff file read anew, when it is to be used, and the tally of
// `selection` costed with it.
struct Costed {
  Tariffs tariffs;
  TallyResult tally;
};
Costed Tally(Harness& h, bool costs, std::string_view selection = kAllDataSelection) {
  Costed c;
  if (costs) c.tariffs = ReadTariffFile(FromQt(h.PathOf("program/Tariffs.toml"))).tariffs;
  c.tally = TallyCalls(h.window().Log(), h.window().Config(), selection, {},
                       costs ? &c.tariffs : nullptr);
  return c;
}

template <typename T>
T* Window(Harness& h, const char* name) {
  return static_cast<T*>(h.window().findChild<QDialog*>(name));
}

}  // namespace

class CostsTest : public QObject {
  Q_OBJECT

 private slots:
  // The table is the comparison's rows, the cheapest tariff marked in words;
  // Copy and Save As are the command's text; a new tally is followed; the
  // tariff file is refused as a target.
  void tariffsWindowIsTheCommands() {
    Harness h;
    Start(h);
    h.Trigger("mnuViewTariffs");
    auto* window = Window<FormTariffs>(h, "FormTariffs");
    QString expected;
    for (const char* selection : {" ", "Dec  1"}) {
      h.Find<QComboBox>("ComboDate")->setCurrentText(selection);
      if (selection[0] != ' ') h.Click("CommandDate");
      const Costed c = Tally(h, true, selection);
      const ReportHeading heading;
      expected = ToQt(ReportTextOf(
          WriteTariffsCsv,
          {h.window().Log(), h.window().Config(), c.tally, heading, {}, std::nullopt, &c.tariffs}));
      std::vector<QStringList> rows;
      for (const QString& line : expected.split("\r\n", Qt::SkipEmptyParts).mid(1)) {
        rows.push_back(line.split(',') << "");
      }
      QCOMPARE(rows.size(), size_t(3));
      rows[0][FormTariffs::kNote] = "\u25C0 cheapest";
      QCOMPARE(TableCells(*window->findChild<QTableWidget*>("TariffsTable")->model()), rows);
      window->findChild<QPushButton*>("cmdCopy")->click();
      QCOMPARE(QApplication::clipboard()->text(), expected);
    }
    for (const QString& target : {h.PathOf("saved.csv"), h.PathOf("program/Tariffs.toml")}) {
      h.chooser.file_answers.push_back(target);
      window->findChild<QPushButton*>("cmdSaveAs")->click();
      QVERIFY(h.chooser.file_requests.back().initial_name.endsWith("/router-tariffs.csv"));
    }
    QVERIFY(h.messages.shown.back().text.contains("is the tariff file"));
    QFile saved(h.PathOf("saved.csv")), tariffs(h.PathOf("program/Tariffs.toml"));
    QVERIFY(saved.open(QIODevice::ReadOnly) && tariffs.open(QIODevice::ReadOnly));
    QCOMPARE(QString(saved.readAll()), expected);
    QCOMPARE(tariffs.readAll(), kTariffs);
    for (QWidget* control : window->findChildren<QWidget*>()) {
      if (control->isVisible() && control->focusPolicy() != Qt::NoFocus) {
        QVERIFY(!control->objectName().isEmpty() && !control->accessibleName().isEmpty());
      }
    }
  }

  // Periods' Copy is `--format periods` with costs; the cost cells over
  // budget carry a sign and say both amounts in their tooltip.
  void periodsShowCostsAndBudgets() {
    Harness h;
    Start(h);
    h.Trigger("mnuViewPeriods");
    auto* window = Window<FormPeriods>(h, "FormPeriods");
    const Costed c = Tally(h, true);
    const auto by = PeriodUnit::kMonth;
    const PeriodCosts costs{c.tariffs, h.window().Config().SiteNumbers, by};
    const QString expected =
        ToQt(PeriodsCsvText(PeriodTable(CountedTimedCalls(h.window().Log(), c.tally), 3, by),
                            h.window().Config().SiteNames, &costs));
    window->findChild<QPushButton*>("cmdCopy")->click();
    QCOMPARE(QApplication::clipboard()->text(), expected);

    const QAbstractItemModel& model = *window->findChild<QTableView*>("PeriodsTable")->model();
    int shown = 0;
    const QStringList lines = expected.split("\r\n", Qt::SkipEmptyParts).mid(1);
    for (int i = 0; i < lines.size(); ++i) {  // a row per period and site
      const QStringList f = lines[i].split(',');
      const QModelIndex cell = model.index(i / 3, 5 + i % 3 * 5);
      const bool over = f[12] == "yes";
      QCOMPARE(cell.data().toString(), (over ? "\u25B2 " : "") + f[10]);
      if (over)
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(),
                 f[10] + " of " + f[11] + " EUR: over budget");
      shown += over;
    }
    QCOMPARE(shown, 1);  // Head Office's December
  }

  // Start-up's one box of problems says, once, a refused file (the window
  // then without costs) or a budget for no site (the costs shown).
  void tariffFileProblemsToldOnce_data() {
    QTest::addColumn<QByteArray>("tariffs");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("costs");
    QTest::newRow("unknown key") << QByteArray("currency = \"EUR\"\nnmae = 1\n")
                                 << "Tariffs.toml:2:1: unknown key" << false;
    QTest::newRow("budget of no site")
        << QByteArray(kTariffs).replace("01234123456", "0999")
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
    QCOMPARE(h.Find<QAction>("mnuViewTariffs")->isEnabled(), costs);
    QCOMPARE(h.Find<QAction>("mnuViewTariffs")->statusTip().contains("Tariffs.toml"), !costs);
    // Check Totals' Copy is the audit's rows, with their cost column.
    h.Trigger("mnuViewCheckTotals");
    const Costed c = Tally(h, costs);
    std::vector<int32_t> all(c.tally.lines.size());
    std::iota(all.begin(), all.end(), 0);
    const QString expected = ToQt(AuditRowsText(
        {h.window().Log(), h.window().Config(), c.tally, costs ? &c.tariffs : nullptr}, all,
        AuditTextForm::kTsv, true));
    QCOMPARE(expected.contains("\t0.12\n"), costs);
    QCOMPARE(Window<FormCheckTotals>(h, "FormCheckTotals")->RowsAsText(false), expected);
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::CostsTest)
#include "costs_test.moc"
