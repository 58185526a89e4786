#pragma once
// Test doubles for the desktop program's services, and a harness that starts
// the real main window with them: settings in an INI file and the program
// directory (with its configuration file) in a temporary folder. Dialogs
// answer from queues; messages and printed jobs are recorded.

#include <QDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "desktop/app/frm_main.h"
#include "desktop/app/qt_services.h"
#include "desktop/app/services.h"

namespace tallix::testing {

class FakeFileChooser : public FileChooser {
 public:
  std::optional<QString> ChooseFile(QWidget* parent, const FileRequest& request) override;
  // The filter left selected is the next of `filter_answers`, or the first.
  std::optional<ChosenFile> ChooseFileAndFilter(QWidget* parent,
                                                const FileRequest& request) override;
  bool ChoosePrinter(QWidget* parent, const QString& title, QPrinter& printer) override;

  std::deque<std::optional<QString>> file_answers;  // empty queue: cancelled
  std::vector<FileRequest> file_requests;
  std::deque<QString> filter_answers;
  std::deque<bool> printer_answers;  // empty queue: cancelled
  std::vector<QString> printer_titles;
  std::vector<QPrinter*> printers_shown;
};

class FakeMessages : public MessageService {
 public:
  MessageAnswer Show(QWidget* parent, const Message& message) override;

  std::deque<MessageAnswer> answers;  // empty queue: OK, or No for a question
  std::vector<Message> shown;
};

class FakePrinters : public LinePrinterFactory {
 public:
  struct Job {
    std::vector<QString> lines;
    bool ended = false;
  };

  std::unique_ptr<LinePrinter> StartJob() override;
  QPrinter& Printer() override { return printer_; }

  std::vector<Job> jobs;
  QString fail_with;  // when set, EndDoc fails with this text

 private:
  QPrinter printer_;
};

class FakeClock : public Clock {
 public:
  ReportDateTime Now() override { return now; }
  ReportDateTime now{"07/12/2026", "10:30"};
};

class FakeDesktop : public DesktopService {
 public:
  bool OpenFile(const QString& path) override {
    opened.push_back(path);
    return opens;
  }
  std::vector<QString> opened;
  bool opens = true;
};

// Runs `on_progress`, when set, at each progress report of a load, on the
// loading thread: a test holds a load up with it.
class FakeLoadWatcher : public LoadWatcher {
 public:
  void Progress(uint64_t done, uint64_t total) override {
    if (on_progress) on_progress(done, total);
  }
  std::function<void(uint64_t done, uint64_t total)> on_progress;
};

// Three sites; the crafted log of CraftedLog() calls the first two.
inline constexpr char kThreeSitesConfig[] =
    "\"Version\",1,0,0\r\n"
    "\"NoSites\",3,0,0\r\n"
    "\"ISDNIdentifier\",\"isdnrouter\",0,0\r\n"
    "\"Site\",0,\"Head Office\",\"01234123456\"\r\n"
    "\"Site\",1,\"London\",\"02079460123\"\r\n"
    "\"Site\",2,\"Leeds\",\"09999999999\"\r\n"
    "\"END\",\"END\",\"END\",\"END\"\r\n";

// Four kept lines over the days "Jan  1", "Jan  2", "Jan  1", and one line of
// another host that is not kept.
QByteArray CraftedLog();

// `calls` kept lines, all for the number 01234123456, 10 seconds each.
QByteArray CallsLog(int calls);

// A configuration with `count` sites named "Site A", "Site B", ... whose
// numbers are 0000000000 followed by the row digit.
QByteArray SitesConfig(int count);

class Harness {
 public:
  Harness();
  ~Harness();

  // Writes Tallix.cfg into the program directory.
  void WriteConfig(const QByteArray& text);
  void WriteSetting(const QString& key, const QString& value);
  std::optional<QString> ReadSetting(const QString& key);
  // Writes a file into the temporary folder and returns its path.
  QString WriteFile(const QString& name, const QByteArray& bytes);
  QString PathOf(const QString& name) const { return dir_.filePath(name); }
  QString ConfigPath() const;

  frmMain& Start();
  frmMain& window() { return *window_; }
  void Close() { window_.reset(); }

  // Picks `path` in the next file chooser and runs File > Open.
  void Open(const QString& path);
  void Trigger(const char* action_name);
  void Click(const char* button_name);
  QString Text(const char* name);  // of a line edit, label or combo box

  // Runs `act` on the modal window that `start` opens, then lets `start` return.
  // Returns false when no modal window appeared.
  static bool WithModal(const std::function<void()>& start,
                        const std::function<void(QDialog&)>& act);

  template <typename T>
  T* Find(const char* name) {
    T* found = window_->findChild<T*>(name);
    if (found == nullptr) qFatal("no child named %s", name);
    return found;
  }

  FakeFileChooser chooser;
  // When set before Start, the program's own file dialogs are used instead.
  bool real_file_dialogs = false;
  QtFileChooser real_chooser;
  FakeMessages messages;
  FakePrinters printers;
  FakeClock clock;
  FakeDesktop desktop;
  FakeLoadWatcher load_watcher;
  // Where Start() reads and Options writes; default: ConfigPath() for both.
  std::optional<ConfigLocation> config;
  // Where Start() looks for the tariff file; default: Tariffs.toml beside
  // Tallix.cfg (PathOf("program/Tariffs.toml")), with no per-user place.
  std::optional<ConfigPlaces> tariff_places;

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QtSettingsStore> settings_;
  std::unique_ptr<frmMain> window_;
};

// A table model's display texts, row by row.
std::vector<QStringList> TableCells(const QAbstractItemModel& model);

// Lines as a vector of QString, for comparing printed jobs.
std::vector<QString> Lines(std::initializer_list<const char*> lines);

}  // namespace tallix::testing
