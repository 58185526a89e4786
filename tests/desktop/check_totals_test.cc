// The Check Totals window over the crafted log and one call to a number no
// site covers, with "Jan  2" selected: every choice of lines is compared to
// the engine's audit, then sorting, copying, saving and the window's size.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include "desktop/app/twips.h"
#include "desktop/reports/frm_check_totals.h"
#include "desktop/reports/frm_line_context.h"
#include "engine/log/log_loader.h"
#include "engine/reports/report_text.h"
#include "support/gui_harness.h"
#include "support/test_util.h"

namespace tallix::testing {
namespace {

constexpr char kUnmatchedLine[] =
    "Jan  2 10:00:00 isdnrouter isdn: call from 07777000001 disconnected, lasted 9 seconds\n";
// A call-end line after its stamp.
constexpr char kCall[] = " isdnrouter isdn: call from 01234123456 disconnected, lasted 9 s";

// The audit's rows, each split into its fields (the log has no commas): the
// six the table shows, then the time, which Copy and Save As carry too.
std::vector<QStringList> AuditRows(const frmMain& window) {
  const TallyResult tally = TallyCalls(window.Log(), window.Config(), "Jan  2");
  const ReportHeading heading = MakeReportHeading(window.Log(), {});
  QStringList lines =
      QString::fromStdString(
          ReportTextOf(WriteAuditCsv, {window.Log(), window.Config(), tally, heading}))
          .split("\r\n");
  std::vector<QStringList> rows;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    if (!lines[i].isEmpty()) rows.push_back(lines[i].split(','));
  }
  return rows;
}

}  // namespace

class CheckTotalsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Harness> Loaded() {
    auto h = std::make_unique<Harness>();
    h->WriteConfig(kThreeSitesConfig);
    h->Start();
    h->Open(h->WriteFile("router.log", CraftedLog() + kUnmatchedLine));
    h->Find<QComboBox>("ComboDate")->setCurrentIndex(1);
    h->Click("CommandDate");
    return h;
  }

  // Runs `act` on the Check Totals window that `open` opens, then closes it.
  static bool OnWindow(Harness& h, const std::function<void()>& open,
                       const std::function<void(FormCheckTotals&, QTableView&)>& act) {
    open();
    auto* window = h.window().findChild<FormCheckTotals*>();
    if (window == nullptr || !window->isVisible() || window->isModal()) return false;
    act(*window, *window->findChild<QTableView*>("LinesTable"));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return h.window().findChild<FormCheckTotals*>() == nullptr;
  }

  // The rows as the table shows them: the file by its name, no time.
  static std::vector<QStringList> Shown(std::vector<QStringList> rows) {
    for (QStringList& row : rows) {
      row = row.mid(0, KeptLinesModel::kCost);
      row[0] = QFileInfo(row[0]).fileName();
    }
    return rows;
  }

 private slots:
  // The rows of each choice are the audit's rows whose result fits it, in
  // log order. (The site choices opened from a site's box are checked in the
  // real-session suite.)
  void choicesShowTheAuditsLines_data() {
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("result");  // the audit's result of the rows shown
    QTest::addColumn<int>("rows");
    QTest::newRow("all") << QString("All kept lines") << ".*" << 5;
    QTest::newRow("selected") << QString("Selected lines") << "(?!not selected).*" << 2;
    QTest::newRow("no site") << QString("Calls credited to no site") << "unmatched" << 1;
    QTest::newRow("Head Office") << QString("Head Office's calls") << "Head Office" << 1;
    QTest::newRow("London") << QString("London's calls") << "London" << 0;
  }
  void choicesShowTheAuditsLines() {
    QFETCH(QString, choice);
    QFETCH(QString, result);
    QFETCH(int, rows);
    auto h = Loaded();
    const QRegularExpression fits(QRegularExpression::anchoredPattern(result));
    std::vector<QStringList> expected;
    for (const QStringList& row : AuditRows(h->window())) {
      if (fits.match(row[5]).hasMatch()) expected.push_back(row);
    }
    QCOMPARE(expected.size(), size_t(rows));
    QVERIFY(OnWindow(
        *h, [&] { h->Trigger("mnuViewCheckTotals"); },
        [&](FormCheckTotals& window, QTableView& table) {
          auto* box = window.findChild<QComboBox*>("LinesChoiceBox");
          box->setCurrentIndex(box->findText(choice));
          QCOMPARE(box->currentText(), choice);
          QCOMPARE(TableCells(*table.model()), Shown(expected));
          QVERIFY(table.isColumnHidden(KeptLinesModel::kFile));
          // The two limits count different things: each has its own figure.
          for (const char* limit : {"BeyondKeptLimit", "BeyondSiteLimit"}) {
            QCOMPARE(window.findChild<QLabel*>(limit)->text(), QString("0"));
          }
          QVERIFY(!table.accessibleName().isEmpty());
          QVERIFY(!box->accessibleName().isEmpty());
        }));
  }

  // A kept line without a time is counted among the figures.
  void linesWithoutATime() {
    auto h = Loaded();
    h->Open(h->WriteFile("untimed.log", CraftedLog() + "Xyz" + QByteArray(kUnmatchedLine).mid(3)));
    QVERIFY(OnWindow(
        *h, [&] { h->Trigger("mnuViewCheckTotals"); },
        [&](FormCheckTotals& window, QTableView&) {
          auto* figure = window.findChild<QLabel*>("WithoutTime");
          QVERIFY(figure != nullptr && figure->text() == "1");
          QCOMPARE(figure->accessibleName(), QString("Lines without a time"));
        }));
  }

  // Seconds sort as numbers, ties keeping log order; the time stamp sorts
  // as log order. Copy takes the selected rows, Save As every row shown.
  // The size comes back at the next opening, under the window's own keys.
  void sortsCopiesSavesAndKeepsItsSize() {
    auto h = Loaded();
    const std::vector<QStringList> audit = AuditRows(h->window());
    const std::vector<QStringList> reversed(audit.rbegin(), audit.rend());
    const auto tsv = [](const std::vector<QStringList>& rows) {
      QString text;
      for (const QStringList& row : rows) text += row.join('\t') + "\n";
      return text;
    };
    const QSize size(700, 450);
    h->chooser.file_answers.push_back(h->PathOf("lines"));
    QVERIFY(OnWindow(
        *h, [&] { h->Trigger("mnuViewCheckTotals"); },
        [&](FormCheckTotals& window, QTableView& table) {
          table.sortByColumn(KeptLinesModel::kSeconds, Qt::AscendingOrder);
          std::vector<QStringList> by_seconds = audit;
          std::stable_sort(by_seconds.begin(), by_seconds.end(),
                           [](const QStringList& a, const QStringList& b) {
                             return a[4].toLongLong() < b[4].toLongLong();
                           });
          QCOMPARE(TableCells(*table.model()), Shown(by_seconds));
          table.sortByColumn(KeptLinesModel::kStamp, Qt::DescendingOrder);
          QCOMPARE(TableCells(*table.model()), Shown(reversed));
          table.selectRow(0);
          table.selectionModel()->select(table.model()->index(2, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
          table.setFocus();
          QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
          QCOMPARE(QApplication::clipboard()->text(), tsv({reversed[0], reversed[2]}));
          window.findChild<QPushButton*>("cmdSaveAs")->click();
          window.resize(size);
        }));
    QFile saved(h->PathOf("lines.csv"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QString expected = "file,line,stamp,number,seconds,result,time\n" + tsv(reversed);
    QCOMPARE(QString(saved.readAll()), expected.replace('\t', ',').replace("\n", "\r\n"));
    QCOMPARE(h->ReadSetting("CheckTotalsWidth")->toDouble(), PixelsToTwips(size.width(), 96));
    QVERIFY(!h->ReadSetting("MainWidth").has_value());
    QVERIFY(OnWindow(
        *h, [&] { h->Trigger("mnuViewCheckTotals"); },
        [&](FormCheckTotals& window, QTableView&) { QCOMPARE(window.size(), size); }));
  }

  // Enter on a row shows its line read again from the file, marked, with the
  // lines around it, as the file now stands: a file appended to since it was
  // loaded too.
  void lineInContext_data() {
    QTest::addColumn<QByteArray>("appended");  // after the load; empty: untouched
    QTest::newRow("as loaded") << QByteArray();
    QTest::newRow("written since") << QByteArray("Jan  3 10:00:00 more\n");
  }
  void lineInContext() {
    QFETCH(QByteArray, appended);
    auto h = Loaded();
    QFile log(h->PathOf("router.log"));
    if (!appended.isEmpty()) {
      QVERIFY(log.open(QIODevice::Append) && log.write(appended) == appended.size());
      log.close();
    }
    QString shown, said;
    QVERIFY(OnWindow(
        *h, [&] { h->Trigger("mnuViewCheckTotals"); },
        [&](FormCheckTotals&, QTableView& table) {
          table.setCurrentIndex(table.model()->index(1, 0));
          QVERIFY(Harness::WithModal([&] { QTest::keyClick(&table, Qt::Key_Return); },
                                     [&](QDialog& context) {
                                       said = context.findChild<QLabel*>("ContextWhere")->text();
                                       auto* box = context.findChild<QPlainTextEdit*>("ContextBox");
                                       if (box->isVisibleTo(&context)) shown = box->toPlainText();
                                     }));
        }));
    QVERIFY2(!said.contains("changed"), qPrintable(said));
    QStringList expected;
    const QStringList lines = QString(CraftedLog() + kUnmatchedLine + appended).split('\n');
    for (int i = 0; i < lines.size() - 1; ++i) {
      expected << QString("%1 %2  %3").arg(i == 2 ? ">" : " ").arg(i + 1).arg(lines[i]);
    }
    QCOMPARE(shown, expected.join('\n'));
  }

  // The window over a log of twenty call-end lines, one of them the row's,
  // changed after the load as the row says: the lines shown around the one
  // asked for (first 0: none, the file changed), the line recognised as the
  // loader kept it, long lines whole up to the limit and scrolled sideways.
  void lineContextAround_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("text");  // of that line; empty: as the others
    QTest::addColumn<QString>("change");   // "truncate" or "rotate"
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    const QByteArray call = kCall, none;
    QTest::newRow("the first") << 1 << none << "" << 1 << 6;
    QTest::newRow("the fifth") << 5 << none << "" << 1 << 10;
    QTest::newRow("more than five after it") << 7 << none << "" << 2 << 12;
    QTest::newRow("the last") << 20 << none << "" << 15 << 20;
    QTest::newRow("truncated, then written") << 7 << none << "truncate" << 0 << 0;
    QTest::newRow("rotated") << 7 << none << "rotate" << 0 << 0;
    QTest::newRow("an RFC 3339 stamp")
        << 9 << "2026-12-07T10:00:09.25+01:00" + call << "" << 4 << 14;
    QTest::newRow("a long line, kept compacted")
        << 3 << "Dec  7 10:00:03" + call + QByteArray(5000, 'w') << "" << 1 << 8;
    QTest::newRow("longer than shown")
        << 3 << "Dec  7 10:00:03" + call + QByteArray(int(kContextLineBytes), 'w') << "" << 1 << 8;
  }
  void lineContextAround() {
    QFETCH(int, line);
    QFETCH(QByteArray, text);
    QFETCH(QString, change);
    QFETCH(int, first);
    QFETCH(int, last);
    QTemporaryDir dir;
    const QString path = dir.filePath("router.log");
    QByteArrayList lines;
    for (int i = 1; i <= 20; ++i) {
      lines << "Dec  7 10:00:" + QByteArray::number(100 + i).right(2) + kCall;
    }
    if (!text.isEmpty()) lines[line - 1] = text;
    const auto write = [&path](const QByteArrayList& all) {
      testing_util::WriteFile(path.toStdString(), all.join('\n').toStdString() + "\n");
    };
    write(lines);
    const LoadResult load = LoadLog(path.toStdString(), "isdnrouter");
    QVERIFY(load.status.ok() && load.log.LineCount() == 20);
    if (change == "truncate") lines = {"Dec  7 10:01:00 new", "Dec  7 10:01:01 new"};
    if (change == "rotate") {
      QVERIFY(QFile::rename(path, path + ".1"));
      for (QByteArray& each : lines) each.replace("Dec  7", "Dec  8");
    }
    if (!change.isEmpty()) write(lines);
    FormLineContext window(path.toStdString(), uint64_t(line),
                           load.log.LogLines()[size_t(line - 1)].text);
    auto* box = window.findChild<QPlainTextEdit*>("ContextBox");
    const QString said = window.findChild<QLabel*>("ContextWhere")->text();
    QCOMPARE(box->isVisibleTo(&window), first > 0);
    if (first == 0) {
      QVERIFY2(said.contains("has changed since it was loaded"), qPrintable(said));
      return;
    }
    QStringList expected;
    qsizetype longest = 0;
    for (int i = first; i <= last; ++i) {
      QString shown = QString::fromLatin1(lines[i - 1]);
      if (shown.size() > qsizetype(kContextLineBytes)) {
        shown = shown.left(qsizetype(kContextLineBytes)) + QChar(0x2026);
      }
      expected
          << QString("%1 %2  %3").arg(i == line ? ">" : " ").arg(i, last < 10 ? 1 : 2).arg(shown);
      longest = std::max(longest, expected.back().size());
    }
    QCOMPARE(box->toPlainText(), expected.join('\n'));
    // The longest line scrolls to its end.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(box->horizontalScrollBar()->maximum() + box->viewport()->width() >=
            box->fontMetrics().horizontalAdvance('w') * longest);
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::CheckTotalsTest)
#include "check_totals_test.moc"
