// The Qt services on their own: the real file dialog, message box and
// settings store, answered from inside their modal loops.

#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "support/gui_harness.h"

namespace tallix::testing {

class QtServicesTest : public QObject {
  Q_OBJECT

 private slots:
  // A message whose text is taller than the screen (four hundred warnings)
  // scrolls, whole, inside a window that fits the screen. (That a box is wide
  // enough for its title shows only under a window manager: the real-session
  // suite checks it.)
  void tallMessageScrollsWithinTheScreen() {
    QStringList many;
    for (int i = 0; i < 400; ++i) many << QString("- warning %1 about a call").arg(i);
    const QString text = many.join("\n\n");
    QtMessageService messages;
    QSize size;
    QString shown;
    QVERIFY(Harness::WithModal(
        [&] {
          messages.Show(nullptr, {MessageIcon::kWarning, MessageButtons::kOk, "Tallix", text});
        },
        [&](QDialog& dialog) {
          size = dialog.frameGeometry().size();
          auto* box = dialog.findChild<QPlainTextEdit*>("MessageText");
          QVERIFY(box && box->verticalScrollBar()->maximum() > 0);
          shown = box->toPlainText();
        }));
    QCOMPARE(shown, text);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(size.height() <= screen.height() && size.width() <= screen.width(),
             qPrintable(QDebug::toString(size)));
  }

  void openDialogKeepsItsFilterAndListsEveryFile() {
    QTemporaryDir dir;
    QtFileChooser chooser;
    std::optional<QString> chosen;
    QString title;
    QStringList filters, listed_patterns;
    const bool opened = Harness::WithModal(
        [&] {
          chosen = chooser.ChooseFile(
              nullptr, {FileRequest::Kind::kOpen, "Open", "All Files (*.*)", dir.filePath("x")});
        },
        [&](QDialog& dialog) {
          auto& files = static_cast<QFileDialog&>(dialog);
          title = files.windowTitle();
          filters = files.nameFilters();
          listed_patterns = files.findChild<QFileSystemModel*>()->nameFilters();
          files.reject();
        });
    QVERIFY(opened);
    QCOMPARE(chosen, std::nullopt);
    QCOMPARE(title, QString("Open"));
    QCOMPARE(filters, QStringList(QString("All Files (*.*)")));
    QCOMPARE(listed_patterns, QStringList(QString("*")));
  }

  void saveDialogAcceptsANewNameWithoutAsking() {
    QTemporaryDir dir;
    QtFileChooser chooser;
    const QString target = dir.filePath("report");
    std::optional<QString> chosen;
    QString filter;
    const bool opened = Harness::WithModal(
        [&] {
          chosen = chooser.ChooseFile(
              nullptr, {FileRequest::Kind::kSave, "Save", "Text FIles (*.txt)", target});
        },
        [&](QDialog& dialog) {
          auto& files = static_cast<QFileDialog&>(dialog);
          filter = files.selectedNameFilter();
          QVERIFY(files.testOption(QFileDialog::DontConfirmOverwrite));
          files.selectFile(target);
          QMetaObject::invokeMethod(&files, "accept");
        });
    QVERIFY(opened);
    QCOMPARE(filter, QString("Text FIles (*.txt)"));
    QCOMPARE(chosen, std::optional<QString>(target));
  }

  void messageBoxAnswers_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("answer");
    QTest::newRow("ok") << int(MessageButtons::kOk) << int(QMessageBox::Ok)
                        << int(MessageAnswer::kOk);
    QTest::newRow("yes") << int(MessageButtons::kYesNo) << int(QMessageBox::Yes)
                         << int(MessageAnswer::kYes);
    QTest::newRow("no") << int(MessageButtons::kYesNo) << int(QMessageBox::No)
                        << int(MessageAnswer::kNo);
  }
  void messageBoxAnswers() {
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, answer);
    QtMessageService messages;
    MessageAnswer got = MessageAnswer::kOk;
    QString title, text;
    int icon = -1;
    const bool opened = Harness::WithModal(
        [&] {
          got = messages.Show(nullptr, {MessageIcon::kNone, MessageButtons(buttons), "Tallix",
                                        "Version <b>1.1.0</b>"});
        },
        [&](QDialog& dialog) {
          auto& box = static_cast<QMessageBox&>(dialog);
          title = box.windowTitle();
          text = box.text();
          icon = box.icon();
          box.button(QMessageBox::StandardButton(press))->click();
        });
    QVERIFY(opened);
    QCOMPARE(int(got), answer);
    QCOMPARE(title, QString("Tallix"));
    QCOMPARE(text, QString("Version <b>1.1.0</b>"));
    QCOMPARE(icon, int(QMessageBox::NoIcon));
  }

  void settingsLiveInTheSettingsGroup() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    QtSettingsStore store(ini);
    QCOMPARE(store.Read("MainLeft"), std::nullopt);
    store.Write("MainLeft", "1500");
    QCOMPARE(QtSettingsStore(ini).Read("MainLeft"), std::optional<QString>("1500"));
    QSettings raw(ini, QSettings::IniFormat);
    QCOMPARE(raw.value("Settings/MainLeft").toString(), QString("1500"));
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::QtServicesTest)
#include "qt_services_test.moc"
