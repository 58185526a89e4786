// Printing onto a real QPrinter writing PDF: lines go one below another and a
// list longer than a page continues on further pages.

#include "desktop/reports/line_printer.h"

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace tallix::testing {
namespace {

int PdfPageCount(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  // Page objects, not the /Pages tree node.
  static const QRegularExpression page("/Type\\s*/Page(?!s)");
  return int(QString::fromLatin1(file.readAll()).count(page));
}

std::vector<QString> Numbered(int count) {
  std::vector<QString> lines;
  for (int i = 0; i < count; ++i) lines.push_back(QString("Line %1").arg(i));
  return lines;
}

}  // namespace

class LinePrinterTest : public QObject {
  Q_OBJECT

 private slots:
  // No printer, whatever the machine has: the print system is asked at a
  // scheduler that is not there, before any QPrinter looks for printers.
  void initTestCase() {
    QVERIFY(no_scheduler_.isValid());
    qputenv("CUPS_SERVER", QFile::encodeName(no_scheduler_.filePath("no-scheduler.sock")));
  }

  void pagesFollowTheLength_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("several_pages");
    QTest::newRow("a short summary") << 21 << false;
    QTest::newRow("a long call list") << 400 << true;
  }
  void pagesFollowTheLength() {
    QFETCH(int, lines);
    QFETCH(bool, several_pages);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("out.pdf"));
    QString error;
    QVERIFY2(PaintLines(printer, Numbered(lines), &error), qPrintable(error));
    const int pages = PdfPageCount(dir.filePath("out.pdf"));
    if (several_pages) {
      QVERIFY2(pages > 1, qPrintable(QString::number(pages)));
    } else {
      QCOMPARE(pages, 1);
    }
  }

  void jobsUseThePrinterOfTheRun() {
    QTemporaryDir dir;
    QtLinePrinterFactory factory;
    // What the printer dialog leaves behind when the user picks a PDF file.
    factory.Printer().setOutputFormat(QPrinter::PdfFormat);
    factory.Printer().setOutputFileName(dir.filePath("job.pdf"));
    std::unique_ptr<LinePrinter> job = factory.StartJob();
    for (const QString& line : Numbered(300)) job->PrintLine(line);
    QString error;
    QVERIFY2(job->EndDoc(&error), qPrintable(error));
    QVERIFY(PdfPageCount(dir.filePath("job.pdf")) > 1);
  }

  void noPrinterIsReported() {
    QtLinePrinterFactory factory;
    factory.Printer().setOutputFormat(QPrinter::PdfFormat);
    factory.Printer().setOutputFileName(QString());
    std::unique_ptr<LinePrinter> job = factory.StartJob();
    job->PrintLine("anything");
    QString error;
    QVERIFY(!job->EndDoc(&error));
    QVERIFY2(error.contains("No printer"), qPrintable(error));
  }

  void unwritableOutputIsReported() {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName("/nonexistent-folder/out.pdf");
    QString error;
    QVERIFY(!PaintLines(printer, Numbered(3), &error));
    QVERIFY2(error.contains("/nonexistent-folder/out.pdf"), qPrintable(error));
  }

 private:
  QTemporaryDir no_scheduler_;
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::LinePrinterTest)
#include "line_printer_test.moc"
