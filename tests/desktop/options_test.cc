// The Options dialog on its own (fields, OK, every refusal, every way to
// cancel) and through View > Options... (the main window's rows afterwards).

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "desktop/config/frm_options.h"
#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

QLineEdit* Field(QWidget& dialog, const QString& name) {
  auto* field = dialog.findChild<QLineEdit*>(name);
  if (field == nullptr) qFatal("no field %s", qPrintable(name));
  return field;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class OptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void fieldsShowTheDefaults() {
    Harness h;
    h.Start();
    frmOptions dialog(h.window().Config(), h.ConfigPath(), h.messages, &h.window());
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QString("Options"));
    QCOMPARE(Field(dialog, "NoISDNSites")->text(), QString("1"));
    QCOMPARE(Field(dialog, "ISDNRouter")->text(), QString("isdnrouter"));
    QCOMPARE(Field(dialog, "SiteName0")->text(), QString("site1"));
    QCOMPARE(Field(dialog, "SiteISDNNumber0")->text(), QString("01234123456"));
    for (int i = 1; i < frmOptions::kRows; ++i) {
      QVERIFY(Field(dialog, QString("SiteName%1").arg(i))->text().isEmpty());
      QVERIFY(Field(dialog, QString("SiteISDNNumber%1").arg(i))->isVisible());
    }
    for (int i = 0; i < frmOptions::kRows; ++i) {
      QCOMPARE(dialog.findChild<QLabel*>(QString("SiteLabel%1").arg(i))->text(),
               QString("Site %1").arg(i + 1));
    }
    // Tab order: OK, Cancel, the count, the identifier, the names, the numbers.
    QStringList order;
    QWidget* w = dialog.findChild<QPushButton*>("cmdOK");
    for (int i = 0; i < 24; ++i, w = w->nextInFocusChain()) {
      while (!(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
      order << w->objectName();
    }
    QCOMPARE(order.mid(0, 5),
             QStringList({"cmdOK", "cmdCancel", "NoISDNSites", "ISDNRouter", "SiteName0"}));
    QCOMPARE(order.mid(13, 2), QStringList({"SiteName9", "SiteISDNNumber0"}));
    QCOMPARE(order[23], QString("SiteISDNNumber9"));
    QVERIFY(!dialog.findChild<QPushButton*>("cmdOK")->isDefault());
    QVERIFY(!dialog.findChild<QPushButton*>("cmdOK")->autoDefault());
  }

  void okStoresEveryRowAndWritesTheFile() {
    Harness h;
    h.Start();
    frmOptions dialog(h.window().Config(), h.ConfigPath(), h.messages, &h.window());
    dialog.show();
    Field(dialog, "NoISDNSites")->setText(" 2 ");
    Field(dialog, "ISDNRouter")->setText(" gw, 1");
    Field(dialog, "SiteName1")->setText("Leeds, West");
    Field(dialog, "SiteISDNNumber1")->setText("01132496017");
    Field(dialog, "SiteName9")->setText("beyond the count");
    dialog.findChild<QPushButton*>("cmdOK")->click();
    QVERIFY(h.messages.shown.empty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Stored().SiteCount, int16_t{2});
    QCOMPARE(dialog.Stored().RouterIdentifier, std::string(" gw, 1"));
    QCOMPARE(dialog.Stored().SiteNames[9], std::string("beyond the count"));
    QByteArray expected =
        "\"Version\",1,0,0\r\n"
        "\"NoSites\",2,0,0\r\n"
        "\"ISDNIdentifier\",\" gw, 1\",0,0\r\n"
        "\"Site\",0,\"site1\",\"01234123456\"\r\n"
        "\"Site\",1,\"Leeds, West\",\"01132496017\"\r\n";
    for (int i = 2; i < 9; ++i) expected += "\"Site\"," + QByteArray::number(i) + ",\"\",\"\"\r\n";
    expected += "\"Site\",9,\"beyond the count\",\"\"\r\n\"END\",\"END\",\"END\",\"END\"\r\n";
    QCOMPARE(ReadAll(h.ConfigPath()), expected);
  }

  // Names go back to the file with the bytes they were read with, whatever
  // their encoding, unless the user changed them.
  void untouchedFieldsKeepTheirBytes() {
    Harness h;
    h.WriteConfig(QByteArray(kThreeSitesConfig)
                      .replace("Head Office", "Z\xFCrich")
                      .replace("London", "Z\xC3\xBCrich B\xC3\xBCro"));
    h.Start();
    frmOptions dialog(h.window().Config(), h.ConfigPath(), h.messages, &h.window());
    dialog.show();
    Field(dialog, "NoISDNSites")->setText("2");
    Field(dialog, "SiteName2")->setText(QString::fromUtf8("K\xC3\xB6ln"));
    dialog.findChild<QPushButton*>("cmdOK")->click();
    QVERIFY(h.messages.shown.empty());
    const QByteArray written = ReadAll(h.ConfigPath());
    QVERIFY2(written.contains("\"Site\",0,\"Z\xFCrich\",") &&
                 written.contains("\"Site\",1,\"Z\xC3\xBCrich B\xC3\xBCro\",") &&
                 written.contains("\"Site\",2,\"K\xC3\xB6ln\","),
             written.constData());
    QCOMPARE(dialog.Stored().SiteNames[0], std::string("Z\xFCrich"));
  }

  void siteCountIsAWholeNumber_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("blanks around") << " 4 " << 4;
    QTest::newRow("plus sign") << "+3" << 3;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("ten") << "10" << 10;
  }
  void siteCountIsAWholeNumber() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    Harness h;
    h.Start();
    frmOptions dialog(h.window().Config(), h.ConfigPath(), h.messages, &h.window());
    dialog.show();
    Field(dialog, "NoISDNSites")->setText(typed);
    dialog.findChild<QPushButton*>("cmdOK")->click();
    QCOMPARE(int(dialog.Stored().SiteCount), stored);
    QVERIFY(h.messages.shown.empty());
  }

  void unstorableInputKeepsTheDialogOpen_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named");
    const QString count = "Number of ISDN Sites";
    QTest::newRow("empty count") << "NoISDNSites"
                                 << "" << count;
    QTest::newRow("letters") << "NoISDNSites"
                             << "abc" << count;
    QTest::newRow("trailing text") << "NoISDNSites"
                                   << "4x" << count;
    QTest::newRow("eleven") << "NoISDNSites"
                            << "11" << count;
    QTest::newRow("minus one") << "NoISDNSites"
                               << "-1" << count;
    QTest::newRow("too large for 16 bits") << "NoISDNSites"
                                           << "99999" << count;
    QTest::newRow("blank inside the count") << "NoISDNSites"
                                            << "1 0" << count;
    QTest::newRow("exponent D") << "NoISDNSites"
                                << "3d0" << count;
    QTest::newRow("exponent E") << "NoISDNSites"
                                << "1e1" << count;
    QTest::newRow("a fraction") << "NoISDNSites"
                                << "2.5" << count;
    QTest::newRow("a point") << "NoISDNSites"
                             << "3." << count;
    QTest::newRow("quote in identifier") << "ISDNRouter"
                                         << "isdn\"router"
                                         << "The ISDN identifier";
    QTest::newRow("quote in name") << "SiteName3"
                                   << "a \"b\""
                                   << "The name of Site 4";
    QTest::newRow("line break in number") << "SiteISDNNumber9"
                                          << "0123\n4"
                                          << "The ISDN number of Site 10";
  }
  void unstorableInputKeepsTheDialogOpen() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, named);
    Harness h;
    h.Start();
    frmOptions dialog(h.window().Config(), h.ConfigPath(), h.messages, &h.window());
    dialog.show();
    Field(dialog, "SiteName0")->setText("changed");
    Field(dialog, field)->setText(typed);
    dialog.findChild<QPushButton*>("cmdOK")->click();
    QCOMPARE(h.messages.shown.size(), size_t{1});
    const QString text = h.messages.shown[0].text;
    QVERIFY2(text.startsWith(named), qPrintable(text));
    if (field == "NoISDNSites") QVERIFY(text.contains("whole number from 0 to 10"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget()->objectName(), field);
    QCOMPARE(dialog.Stored().SiteNames[0], std::string("site1"));
    QCOMPARE(dialog.Stored().SiteCount, int16_t{1});
    QVERIFY(!QFile::exists(h.ConfigPath()));
  }

  // A file OK cannot or must not write: one in a "folder" that is a file, or the
  // per-user file that is a link to the loaded log. The dialog stays open
  // with everything as it was.
  void refusedWriteKeepsEverything_data() {
    QTest::addColumn<bool>("linked_to_log");
    QTest::addColumn<QString>("said");
    QTest::newRow("a folder that is a file") << false << "victim.log/Tallix.cfg";
    QTest::newRow("a link to the loaded log") << true << "a file of the log that is loaded";
  }
  void refusedWriteKeepsEverything() {
    QFETCH(bool, linked_to_log);
    QFETCH(QString, said);
    Harness h;
    const QString log = h.WriteFile("victim.log", CraftedLog());
    const QString target = h.PathOf(linked_to_log ? "Tallix.cfg" : said);
    if (linked_to_log) QVERIFY(QFile::link(log, target));
    h.config = ConfigLocation{h.ConfigPath().toStdString(), target.toStdString(), {}};
    h.Start();
    h.Open(log);
    QVERIFY(Harness::WithModal([&] { h.Trigger("mnuViewOptions"); },
                               [&](QDialog& dialog) {
                                 Field(dialog, "NoISDNSites")->setText("3");
                                 Field(dialog, "SiteName0")->setText("changed");
                                 dialog.findChild<QPushButton*>("cmdOK")->click();
                                 QVERIFY(dialog.isVisible());
                               }));
    QCOMPARE(h.messages.shown.size(), size_t{1});
    QVERIFY2(h.messages.shown[0].text.contains(said), qPrintable(h.messages.shown[0].text));
    QCOMPARE(h.window().Config().SiteCount, int16_t{1});
    QCOMPARE(h.window().Config().SiteNames[0], std::string("site1"));
    QCOMPARE(ReadAll(log), CraftedLog());
  }

  void everyWayToCancelChangesNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel button") << "cancel";
    QTest::newRow("escape key") << "escape";
    QTest::newRow("close box") << "close";
  }
  void everyWayToCancelChangesNothing() {
    QFETCH(QString, how);
    Harness h;
    h.Start();
    const bool opened =
        Harness::WithModal([&] { h.Trigger("mnuViewOptions"); },
                           [&](QDialog& dialog) {
                             Field(dialog, "NoISDNSites")->setText("0");
                             Field(dialog, "SiteName0")->setText("changed");
                             if (how == "cancel")
                               dialog.findChild<QPushButton*>("cmdCancel")->click();
                             if (how == "escape")
                               QTest::keyClick(Field(dialog, "SiteName0"), Qt::Key_Escape);
                             if (how == "close") {
                               QCloseEvent event;
                               QApplication::sendEvent(&dialog, &event);
                             }
                             QVERIFY(!dialog.isVisible());
                             QCOMPARE(dialog.result(), int(QDialog::Rejected));
                           });
    QVERIFY(opened);
    QCOMPARE(h.window().Config().SiteCount, int16_t{1});
    QCOMPARE(h.window().Config().SiteNames[0], std::string("site1"));
    QVERIFY(!QFile::exists(h.ConfigPath()));
    QCOMPARE(h.Text("LabelName0"), QString("site1"));
    QVERIFY(h.messages.shown.empty());
  }

  // Installed for the whole machine: the file beside the program is read, and
  // OK writes the per-user file, creating its folder.
  void okWritesWhereTheLocationSays() {
    Harness h;
    h.WriteConfig(kThreeSitesConfig);
    const QString per_user = h.PathOf("home/.config/Tallix/Tallix.cfg");
    h.config = ConfigLocation{h.ConfigPath().toStdString(), per_user.toStdString(), {}};
    h.Start();
    QCOMPARE(h.Text("LabelName2"), QString("Leeds"));
    QVERIFY(Harness::WithModal([&] { h.Trigger("mnuViewOptions"); },
                               [&](QDialog& dialog) {
                                 Field(dialog, "SiteName2")->setText("Leeds West");
                                 dialog.findChild<QPushButton*>("cmdOK")->click();
                               }));
    QVERIFY(h.messages.shown.empty());
    QCOMPARE(ReadAll(h.ConfigPath()), QByteArray(kThreeSitesConfig));
    QVERIFY(ReadAll(per_user).contains("\"Site\",2,\"Leeds West\",\"09999999999\"\r\n"));
  }

  void enterInAFieldDoesNotConfirm() {
    Harness h;
    h.Start();
    frmOptions dialog(h.window().Config(), h.ConfigPath(), h.messages, &h.window());
    dialog.show();
    QTest::keyClick(Field(dialog, "SiteName0"), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QVERIFY(!QFile::exists(h.ConfigPath()));
  }

  void rowsFollowTheDialogAndKeepTheirCounts() {
    Harness h;
    h.WriteConfig(SitesConfig(5));
    h.Start().show();
    // Site A (row 0) gets two calls, site C (row 2) one.
    h.Open(h.WriteFile("calls.log",
                       "Mar  3 10:00:00 isdnrouter call from 00000000000 disconnected lasted 5\n"
                       "Mar  3 10:01:00 isdnrouter call from 00000000000 disconnected lasted 5\n"
                       "Mar  3 10:02:00 isdnrouter call from 00000000002 disconnected lasted 7\n"));
    auto set_count = [&h](const QString& count, const QString& row1_name) {
      return Harness::WithModal([&] { h.Trigger("mnuViewOptions"); },
                                [&](QDialog& dialog) {
                                  Field(dialog, "NoISDNSites")->setText(count);
                                  Field(dialog, "SiteName1")->setText(row1_name);
                                  dialog.findChild<QPushButton*>("cmdOK")->click();
                                });
    };
    QVERIFY(set_count("2", "Renamed"));
    QCOMPARE(h.Text("LabelName1"), QString("Renamed"));
    for (int row = 2; row < 5; ++row) {
      QVERIFY(!h.Find<QLabel>(qPrintable(QString("LabelName%1").arg(row)))->isVisible());
    }
    QVERIFY(set_count("5", "Renamed"));
    QVERIFY(h.Find<QLineEdit>("NoCalls4")->isVisible());
    QCOMPARE(h.Text("LabelName2"), QString("Site C"));
    QCOMPARE(h.Text("NoCalls0"), QString("2"));
    QCOMPARE(h.Text("NoCalls2"), QString("1"));
    QCOMPARE(h.Text("CallDuration2"), QString(" 0d 0h 0m 7s"));
    QVERIFY(h.messages.shown.empty());
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::OptionsTest)
#include "options_test.moc"
