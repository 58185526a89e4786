// A print job through a real print queue: a private CUPS scheduler of the
// test's own, listening on a socket in a temporary folder, with one default
// queue whose device is a file. The program's line printer sends the printed
// summary of the example log there, and the file must hold its text.
// Skipped when cupsd, its gziptoany filter or pdftotext is not installed
// (scripts/deps.sh installs them).

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "desktop/reports/line_printer.h"
#include "engine/analysis/tally.h"
#include "engine/config/config_file.h"
#include "engine/log/log_loader.h"
#include "engine/reports/report_text.h"

namespace tallix::testing {
namespace {

constexpr char kQueue[] = "TallixTest";

// A queue that hands the PDF it receives to the device unchanged (gziptoany
// copies its input); a queue with no driver at all prints nothing to a file.
constexpr char kPpd[] =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"TALLIX.PPD\"\n"
    "*Manufacturer: \"Tallix\"\n"
    "*Product: \"(Tallix test queue)\"\n"
    "*ModelName: \"Tallix test queue\"\n"
    "*ShortNickName: \"Tallix test queue\"\n"
    "*NickName: \"Tallix test queue\"\n"
    "*PSVersion: \"(3010.000) 0\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: False\n"
    "*DefaultColorSpace: Gray\n"
    "*FileSystem: False\n"
    "*Throughput: \"1\"\n"
    "*TTRasterizer: Type42\n"
    "*cupsVersion: 2.4\n"
    "*cupsFilter: \"application/pdf 0 gziptoany\"\n"
    "*OpenUI *PageSize/Page Size: PickOne\n"
    "*OrderDependency: 10 AnySetup *PageSize\n"
    "*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*OpenUI *PageRegion/Page Region: PickOne\n"
    "*OrderDependency: 10 AnySetup *PageRegion\n"
    "*DefaultPageRegion: A4\n"
    "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
    "*CloseUI: *PageRegion\n"
    "*DefaultImageableArea: A4\n"
    "*ImageableArea A4/A4: \"18 18 577 824\"\n"
    "*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n";

bool WriteText(const QString& path, const QByteArray& text) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// True once something accepts connections on the socket at `path`.
bool Listening(const QString& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  if (size_t(name.size()) >= sizeof(address.sun_path)) return false;
  std::copy(name.begin(), name.end(), address.sun_path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool connected =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  ::close(fd);
  return connected;
}

QString FindTool(const QString& name) {
  const QString found = QStandardPaths::findExecutable(name);
  return found.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"}) : found;
}

// Blanks differ between the painted line and the extracted text, and the
// font draws "fi" as one ligature.
QStringList Simplified(const QStringList& lines) {
  QStringList out;
  for (const QString& line : lines) {
    if (!line.trimmed().isEmpty())
      out << line.normalized(QString::NormalizationForm_KC).simplified();
  }
  return out;
}

}  // namespace

class PrintQueueTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    cupsd_path_ = FindTool("cupsd");
    pdftotext_path_ = FindTool("pdftotext");
    if (cupsd_path_.isEmpty()) QSKIP("cupsd is not installed (Debian package cups)");
    if (!QFileInfo::exists("/usr/lib/cups/filter/gziptoany")) {
      QSKIP("the gziptoany filter is not installed (Debian package cups-core-drivers)");
    }
    if (pdftotext_path_.isEmpty())
      QSKIP("pdftotext is not installed (Debian package poppler-utils)");
    QVERIFY(dir_.isValid());
    // The filters run as the scheduler's user (lp when started as root).
    QCOMPARE(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
    const QString root = dir_.path();
    for (const char* sub : {"etc/ppd", "spool/tmp", "cache", "state", "log"}) {
      QVERIFY(QDir(root).mkpath(sub));
    }
    QVERIFY(WriteText(root + "/cupsd.conf", "Listen " + QFile::encodeName(Socket()) +
                                                "\n"
                                                "LogLevel debug\n"
                                                "Browsing No\n"
                                                "BrowseLocalProtocols none\n"
                                                "DefaultShared No\n"
                                                "WebInterface No\n"
                                                "<Location />\n  Order allow,deny\n  Allow all\n"
                                                "</Location>\n"
                                                "<Policy default>\n  <Limit All>\n"
                                                "    Order deny,allow\n  </Limit>\n</Policy>\n"));
    const QByteArray r = QFile::encodeName(root);
    QVERIFY(WriteText(root + "/cups-files.conf",
                      "ServerRoot " + r + "/etc\nRequestRoot " + r + "/spool\nTempDir " + r +
                          "/spool/tmp\nCacheDir " + r + "/cache\nStateDir " + r +
                          "/state\nErrorLog " + r + "/log/error_log\nAccessLog " + r +
                          "/log/access_log\nPageLog " + r + "/log/page_log\nPrintcap " + r +
                          "/printcap\nFileDevice Yes\n"));
    QVERIFY(
        WriteText(root + "/etc/printers.conf",
                  QByteArray("<DefaultPrinter ") + kQueue +
                      ">\nInfo Tallix test queue\nDeviceURI file:" + QFile::encodeName(Output()) +
                      "\nState Idle\nAccepting Yes\nShared "
                      "No\n</DefaultPrinter>\n"));
    QVERIFY(WriteText(root + QString("/etc/ppd/%1.ppd").arg(kQueue), kPpd));

    // Before any QPrinter asks the print system for its printers.
    qputenv("CUPS_SERVER", QFile::encodeName(Socket()));
    cupsd_.setProgram(cupsd_path_);
    cupsd_.setArguments({"-f", "-c", root + "/cupsd.conf", "-s", root + "/cups-files.conf"});
    cupsd_.setProcessChannelMode(QProcess::MergedChannels);
    cupsd_.start();
    QVERIFY2(cupsd_.waitForStarted(), qPrintable(cupsd_.errorString()));
    QTRY_VERIFY2_WITH_TIMEOUT(Listening(Socket()) || cupsd_.state() == QProcess::NotRunning,
                              "the scheduler did not listen", 20000);
    QVERIFY2(cupsd_.state() == QProcess::Running, qPrintable(SchedulerLog()));
  }

  void cleanupTestCase() {
    if (cupsd_.state() == QProcess::NotRunning) return;
    ::kill(pid_t(cupsd_.processId()), SIGTERM);
    if (!cupsd_.waitForFinished(10000)) {
      ::kill(pid_t(cupsd_.processId()), SIGKILL);
      cupsd_.waitForFinished(5000);
    }
  }

  void summaryReachesTheQueue() {
    const std::string examples = TALLIX_EXAMPLES_DIR;
    const ConfigReadResult config = ReadConfigFile(examples + "/Tallix.cfg");
    QVERIFY(config.status.ok());
    const LoadResult load = LoadLog(examples + "/router.log", config.config.RouterIdentifier);
    QVERIFY(load.status.ok());
    const TallyResult tally = TallyCalls(load.log, config.config, " ");
    const ReportHeading heading = MakeReportHeading(load.log, {"12/07/26", "10:30:00"});
    const std::vector<std::string> lines =
        PrintedSummaryLines({load.log, config.config, tally, heading});

    QtLinePrinterFactory printers;
    QCOMPARE(printers.Printer().printerName(), QString(kQueue));
    QCOMPARE(printers.Printer().outputFormat(), QPrinter::NativeFormat);
    std::unique_ptr<LinePrinter> job = printers.StartJob();
    QStringList expected;
    for (const std::string& line : lines) {
      job->PrintLine(QString::fromStdString(line));
      expected << QString::fromStdString(line);
    }
    QString error;
    QVERIFY2(job->EndDoc(&error), qPrintable(error));

    // The scheduler prints in its own time: wait until the device file holds
    // a whole document.
    QString text;
    QTRY_VERIFY2_WITH_TIMEOUT(!(text = ExtractText()).isEmpty(), qPrintable(SchedulerLog()), 30000);
    QCOMPARE(Simplified(text.split('\n')), Simplified(expected));
  }

 private:
  QString Socket() const { return dir_.filePath("cups.sock"); }
  QString Output() const { return dir_.filePath("job-output.pdf"); }

  // The device file's text, or nothing while it is missing or incomplete.
  QString ExtractText() {
    if (QFileInfo(Output()).size() == 0) return {};
    QProcess pdftotext;
    pdftotext.start(pdftotext_path_, {"-layout", Output(), "-"});
    if (!pdftotext.waitForFinished(10000) || pdftotext.exitCode() != 0) return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
  }

  QString SchedulerLog() {
    QFile log(dir_.filePath("log/error_log"));
    const QByteArray text = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    return "scheduler output: " + QString::fromLocal8Bit(cupsd_.readAll()) +
           "\nerror_log (end): " + QString::fromLocal8Bit(text.right(4000));
  }

  QTemporaryDir dir_;
  QProcess cupsd_;
  QString cupsd_path_;
  QString pdftotext_path_;
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::PrintQueueTest)
#include "print_queue_test.moc"
