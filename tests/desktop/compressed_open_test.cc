// File > Open on a gzipped log: the window shows what it shows for the same
// log stored plain, the file's own name aside.

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

// Everything the log panel, the day chooser and the result rows show.
QStringList Shown(Harness& h) {
  QStringList shown = {h.Text("LogStart"), h.Text("LogEnd"), h.Text("LogRecords"),
                       h.Text("ResultsRangeDisplay")};
  auto* days = h.Find<QComboBox>("ComboDate");
  for (int i = 0; i < days->count(); ++i) shown << days->itemText(i);
  for (int row = 0; row < 4; ++row) {
    shown << h.Find<QLineEdit>(qPrintable(QString("NoCalls%1").arg(row)))->text()
          << h.Find<QLineEdit>(qPrintable(QString("CallDuration%1").arg(row)))->text();
  }
  return shown;
}

class CompressedOpenTest : public QObject {
  Q_OBJECT

 private slots:
  void gzippedLogShowsAsThePlainOne() {
    const QString examples = TALLIX_EXAMPLES_DIR;
    QFile example_config(examples + "/Tallix.cfg");
    QVERIFY(example_config.open(QIODevice::ReadOnly));
    // examples/rotated/router.log.2.gz holds the example log's Dec 5 and 6.
    QFile whole(examples + "/router.log");
    QVERIFY(whole.open(QIODevice::ReadOnly));
    QByteArray plain;
    for (const QByteArray& line : whole.readAll().split('\n')) {
      if (line.startsWith("Dec  5 ") || line.startsWith("Dec  6 ")) plain += line + '\n';
    }
    Harness h;
    h.WriteConfig(example_config.readAll());
    h.Start();
    h.Open(h.WriteFile("router.log", plain));
    const QStringList from_plain = Shown(h);
    const QString gz = examples + "/rotated/router.log.2.gz";
    h.Open(gz);
    QVERIFY(h.messages.shown.empty());
    QCOMPARE(h.Text("LogFilename"), gz);
    QCOMPARE(Shown(h), from_plain);
    QCOMPARE(h.Text("LogRecords"), QString(" 22"));
  }
};

}  // namespace
}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::CompressedOpenTest)
#include "compressed_open_test.moc"
