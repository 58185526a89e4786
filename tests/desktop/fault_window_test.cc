// The windows against files that fail: File > Open on logs that cannot be
// read, File > Save and the Options dialog's OK on places that cannot be
// written or a disk that fills up. Each must end in one message box that
// names the file and the reason, and leave every file as it was.

#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "desktop/config/frm_options.h"
#include "support/fault_util.h"
#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

using testing_util::Snapshot;

constexpr char kShortReadFile[] = "/sys/kernel/mm/transparent_hugepage/enabled";

std::string Std(const QString& text) { return text.toStdString(); }

void ExpectOneWarning(Harness& h, const QString& heading, const QString& path,
                      const QString& reason) {
  QCOMPARE(h.messages.shown.size(), size_t{1});
  const Message& shown = h.messages.shown[0];
  QCOMPARE(shown.icon, MessageIcon::kWarning);
  QVERIFY2(shown.text.startsWith(heading), qPrintable(shown.text));
  QVERIFY2(shown.text.contains("'" + path + "'"), qPrintable(shown.text));
  QVERIFY2(shown.text.contains(reason), qPrintable(shown.text));
}

// Permission bits do not stop root, and the window cannot be moved into a
// process of another user.
bool PermissionsApply() { return ::geteuid() != 0; }

}  // namespace

class FaultWindowTest : public QObject {
  Q_OBJECT

 private:
  // A started window with three sites, the crafted log loaded, and beside it
  // an ordinary file, a folder and an earlier report.
  std::unique_ptr<Harness> Loaded() {
    auto h = std::make_unique<Harness>();
    h->WriteConfig(kThreeSitesConfig);
    h->Start();
    log_ = h->WriteFile("router.log", CraftedLog());
    h->WriteFile("plain", "an ordinary file");
    h->WriteFile("report.txt", "the report of last week");
    QDir(h->PathOf("")).mkdir("folder");
    h->Open(log_);
    if (!h->messages.shown.empty()) qFatal("the crafted log did not load quietly");
    return h;
  }

  QString log_;

 private slots:
  void openThatFailsKeepsTheLoadedLog_data() {
    QTest::addColumn<QString>("name");  // in the temporary folder, or absolute
    QTest::addColumn<QString>("reason");
    QTest::newRow("named pipe") << "pipe.log"
                                << "it is not an ordinary file";
    QTest::newRow("below an ordinary file") << "plain/router.log"
                                            << "Not a directory";
    QTest::newRow("a device") << "/dev/zero"
                              << "it is not an ordinary file";
    QTest::newRow("larger than 2 GiB") << "huge.log"
                                       << "more than the 2147483647 bytes";
    QTest::newRow("shorter than its size")
        << kShortReadFile << "it became shorter while it was read";
    QTest::newRow("no read permission") << "locked.log"
                                        << "Permission denied";
  }
  void openThatFailsKeepsTheLoadedLog() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    auto h = Loaded();
    const QString path = name.startsWith('/') ? name : h->PathOf(name);
    if (name == "pipe.log") QCOMPARE(::mkfifo(qPrintable(path), 0644), 0);
    if (name == "huge.log") {
      std::ofstream(Std(path), std::ios::binary).close();
      std::filesystem::resize_file(Std(path), 2147483648ULL);  // sparse
    }
    if (name == kShortReadFile) {
      struct stat st {};
      if (::stat(kShortReadFile, &st) != 0 || st.st_size != 4096) {
        QSKIP("no sysfs file here that reports more bytes than it holds");
      }
    }
    if (name == "locked.log") {
      if (!PermissionsApply()) QSKIP("running as root, whom permission bits do not stop");
      h->WriteFile("locked.log", CraftedLog());
      QCOMPARE(::chmod(qPrintable(path), 0), 0);
    }
    const auto before = Snapshot(Std(h->PathOf("")));
    h->Open(path);
    ExpectOneWarning(*h, "The log could not be opened. The log loaded before stays in place.", path,
                     reason);
    QCOMPARE(h->Text("LogFilename"), log_);
    QCOMPARE(h->Text("LogRecords"), QString(" 4"));
    QCOMPARE(h->Find<QComboBox>("ComboDate")->count(), 3);
    QCOMPARE(h->window().Log().LineCount(), 4);
    QCOMPARE(QString::fromStdString(h->window().Log().LogFilePath()), log_);
    QVERIFY(before == Snapshot(Std(h->PathOf(""))));
  }

  void saveThatFailsKeepsEveryFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a full disk") << "/dev/full"
                                 << "No space left on device";
    QTest::newRow("a folder") << "folder"
                              << "it is a directory";
    QTest::newRow("below an ordinary file") << "plain/report.txt"
                                            << "Not a directory";
    QTest::newRow("disk full while replacing a report") << "report.txt"
                                                        << "file too large";
    QTest::newRow("read-only folder") << "locked/report.txt"
                                      << "Permission denied";
    QTest::newRow("read-only report") << "report.txt (read-only)"
                                      << "Permission denied";
  }
  void saveThatFailsKeepsEveryFile() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    auto h = Loaded();
    QString path = name.startsWith('/') ? name : h->PathOf(name);
    if (name.startsWith("locked/") || name.endsWith("(read-only)")) {
      if (!PermissionsApply()) QSKIP("running as root, whom permission bits do not stop");
      QDir(h->PathOf("")).mkdir("locked");
      QCOMPARE(::chmod(qPrintable(h->PathOf("locked")), 0555), 0);
      if (name.endsWith("(read-only)")) {
        path = h->PathOf("report.txt");
        QCOMPARE(::chmod(qPrintable(path), 0444), 0);
      }
    }
    const auto before = Snapshot(Std(h->PathOf("")));
    h->chooser.file_answers.push_back(path);
    h->messages.answers.push_back(MessageAnswer::kYes);  // replace what exists
    {
      // Only the report's own write meets the limit.
      std::unique_ptr<testing_util::FileSizeLimit> limit;
      if (reason == "file too large") limit = std::make_unique<testing_util::FileSizeLimit>(64);
      h->Trigger("mnuFileSave");
    }
    if (!h->messages.shown.empty() && h->messages.shown[0].buttons == MessageButtons::kYesNo) {
      h->messages.shown.erase(h->messages.shown.begin());
    }
    ExpectOneWarning(*h, "The report was not saved.", path, reason);
    QVERIFY(before == Snapshot(Std(h->PathOf(""))));
  }

  void optionsNotStoredKeepTheFile_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder named Tallix.cfg") << "folder"
                                               << "it is a directory";
    QTest::newRow("below an ordinary file") << "below a file"
                                            << "Not a directory";
    QTest::newRow("a full disk") << "/dev/full"
                                 << "No space left on device";
    QTest::newRow("disk full while replacing it") << "limit"
                                                  << "file too large";
    QTest::newRow("read-only file") << "read-only"
                                    << "Permission denied";
  }
  void optionsNotStoredKeepTheFile() {
    QFETCH(QString, where);
    QFETCH(QString, reason);
    Harness h;
    QString path = h.ConfigPath();
    if (where == "folder") {
      QVERIFY(QDir().mkpath(path));  // counts as no file at start-up
    } else if (where == "below a file") {
      h.WriteFile("plain", "an ordinary file");
      path = h.PathOf("plain/Tallix.cfg");
    } else if (where == "/dev/full") {
      path = where;
    } else {
      h.WriteConfig(kThreeSitesConfig);
      if (where == "read-only") {
        if (!PermissionsApply()) QSKIP("running as root, whom permission bits do not stop");
        QCOMPARE(::chmod(qPrintable(path), 0444), 0);
      }
    }
    h.Start();
    const int16_t sites = h.window().Config().SiteCount;
    const std::string name = h.window().Config().SiteNames[0];
    const auto before = Snapshot(Std(h.PathOf("")));
    frmOptions dialog(h.window().Config(), path, h.messages, &h.window());
    dialog.show();
    dialog.findChild<QLineEdit*>("NoISDNSites")->setText("2");
    dialog.findChild<QLineEdit*>("SiteName0")->setText("changed");
    {
      std::unique_ptr<testing_util::FileSizeLimit> limit;
      if (where == "limit") limit = std::make_unique<testing_util::FileSizeLimit>(64);
      dialog.findChild<QPushButton*>("cmdOK")->click();
    }
    QCOMPARE(h.messages.shown.size(), size_t{1});
    const QString text = h.messages.shown[0].text;
    QVERIFY2(text.startsWith("The options were not stored."), qPrintable(text));
    QVERIFY2(text.contains("'" + path + "'") && text.contains(reason), qPrintable(text));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Stored().SiteCount, sites);
    QCOMPARE(dialog.Stored().SiteNames[0], name);
    QVERIFY(before == Snapshot(Std(h.PathOf(""))));
  }

  // A configuration that is there but cannot be read: the program starts
  // with its built-in site and says why, once.
  void unreadableConfigurationAtStartUp() {
    if (!PermissionsApply()) QSKIP("running as root, whom permission bits do not stop");
    Harness h;
    h.WriteConfig(kThreeSitesConfig);
    QCOMPARE(::chmod(qPrintable(h.ConfigPath()), 0), 0);
    frmMain& w = h.Start();
    w.ReportStartupProblems();
    QCOMPARE(h.messages.shown.size(), size_t{1});
    QVERIFY2(h.messages.shown[0].text.contains("Permission denied"),
             qPrintable(h.messages.shown[0].text));
    QCOMPARE(h.window().Config().SiteCount, int16_t{1});
    QCOMPARE(h.window().Config().SiteNames[0], std::string("site1"));
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::FaultWindowTest)
#include "fault_window_test.moc"
