#include "support/gui_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "desktop/app/qt_text.h"

namespace tallix::testing {
namespace {

class FakeJob : public LinePrinter {
 public:
  FakeJob(FakePrinters::Job& job, const QString& fail_with) : job_(job), fail_with_(fail_with) {}
  void PrintLine(const QString& text) override { job_.lines.push_back(text); }
  bool EndDoc(QString* error) override {
    job_.ended = true;
    if (fail_with_.isEmpty()) return true;
    *error = fail_with_;
    return false;
  }

 private:
  FakePrinters::Job& job_;
  QString fail_with_;
};

}  // namespace

std::optional<QString> FakeFileChooser::ChooseFile(QWidget*, const FileRequest& request) {
  file_requests.push_back(request);
  if (file_answers.empty()) return std::nullopt;
  // Unwrapped rather than copied whole: GCC 12 at -O2 warns falsely on
  // copying an optional<QString> here.
  const bool chosen = file_answers.front().has_value();
  const QString name = chosen ? *file_answers.front() : QString();
  file_answers.pop_front();
  if (!chosen) return std::nullopt;
  return name;
}

std::optional<ChosenFile> FakeFileChooser::ChooseFileAndFilter(QWidget* parent,
                                                               const FileRequest& request) {
  std::optional<QString> name = ChooseFile(parent, request);
  QString filter = request.filter.section(";;", 0, 0);
  if (!filter_answers.empty()) {
    filter = filter_answers.front();
    filter_answers.pop_front();
  }
  if (!name) return std::nullopt;
  return ChosenFile{*name, filter};
}

bool FakeFileChooser::ChoosePrinter(QWidget*, const QString& title, QPrinter& printer) {
  printer_titles.push_back(title);
  printers_shown.push_back(&printer);
  if (printer_answers.empty()) return false;
  const bool answer = printer_answers.front();
  printer_answers.pop_front();
  return answer;
}

MessageAnswer FakeMessages::Show(QWidget*, const Message& message) {
  shown.push_back(message);
  if (answers.empty()) {
    return message.buttons == MessageButtons::kYesNo ? MessageAnswer::kNo : MessageAnswer::kOk;
  }
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

std::unique_ptr<LinePrinter> FakePrinters::StartJob() {
  // The job refers into `jobs`; the program ends one job before it starts the next.
  jobs.emplace_back();
  return std::make_unique<FakeJob>(jobs.back(), fail_with);
}

QByteArray CraftedLog() {
  return "Jan  1 09:59:00 isdnrouter isdn: call to 01234123456 connected\n"
         "Jan  1 10:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 60 "
         "seconds\n"
         "Jan  1 11:00:00 isdnrouter isdn: call from 02079460123 disconnected, lasted 3661 "
         "seconds\n"
         "Jan  2 09:00:00 ISDNROUTER isdn: call from 01234123456 DISCONNECTED, lasted 75 "
         "seconds\n"
         "Jan  2 09:30:00 otherhost isdn: call from 01234123456 disconnected, lasted 5 seconds\n"
         "Jan  1 12:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 1 "
         "seconds\n";
}

QByteArray CallsLog(int calls) {
  QByteArray log;
  for (int i = 0; i < calls; ++i) {
    log +=
        "Mar  3 10:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 10 "
        "seconds\n";
  }
  return log;
}

QByteArray SitesConfig(int count) {
  QByteArray text = "\"NoSites\"," + QByteArray::number(count) +
                    ",0,0\r\n\"ISDNIdentifier\",\"isdnrouter\",0,0\r\n";
  for (int i = 0; i < 10; ++i) {
    text += "\"Site\"," + QByteArray::number(i) + ",\"Site " + QByteArray(1, char('A' + i)) +
            "\",\"0000000000" + QByteArray::number(i) + "\"\r\n";
  }
  return text + "\"END\",\"END\",\"END\",\"END\"\r\n";
}

Harness::Harness() {
  QDir(dir_.path()).mkdir("program");
  settings_ = std::make_unique<QtSettingsStore>(dir_.filePath("settings.ini"));
}

Harness::~Harness() { window_.reset(); }

QString Harness::ConfigPath() const { return dir_.filePath("program/Tallix.cfg"); }

void Harness::WriteConfig(const QByteArray& text) {
  QFile file(ConfigPath());
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) qFatal("config");
}

void Harness::WriteSetting(const QString& key, const QString& value) {
  settings_->Write(key, value);
}

std::optional<QString> Harness::ReadSetting(const QString& key) {
  // A fresh store, so the test sees what reached the file.
  return QtSettingsStore(dir_.filePath("settings.ini")).Read(key);
}

QString Harness::WriteFile(const QString& name, const QByteArray& bytes) {
  QFile file(dir_.filePath(name));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("write");
  return file.fileName();
}

frmMain& Harness::Start() {
  FileChooser* files = real_file_dialogs ? static_cast<FileChooser*>(&real_chooser) : &chooser;
  Services services{files,     &messages,
                    &printers, settings_.get(),
                    &clock,    config.value_or(ConfigBesideProgram(dir_.filePath("program"))),
                    &desktop,  &load_watcher};
  services.tariff_places =
      tariff_places.value_or(ConfigPlaces{{}, FromQt(dir_.filePath("program/Tariffs.toml"))});
  window_ = std::make_unique<frmMain>(services);
  return *window_;
}

void Harness::Open(const QString& path) {
  chooser.file_answers.push_back(path);
  Trigger("mnuFileOpen");
}

void Harness::Trigger(const char* action_name) { Find<QAction>(action_name)->trigger(); }

void Harness::Click(const char* button_name) { Find<QAbstractButton>(button_name)->click(); }

QString Harness::Text(const char* name) {
  QObject* found = Find<QObject>(name);
  if (auto* edit = qobject_cast<QLineEdit*>(found)) return edit->text();
  if (auto* label = qobject_cast<QLabel*>(found)) return label->text();
  if (auto* combo = qobject_cast<QComboBox*>(found)) return combo->currentText();
  qFatal("%s has no text", name);
}

bool Harness::WithModal(const std::function<void()>& start,
                        const std::function<void(QDialog&)>& act) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      seen = true;
      act(*dialog);
      // A test that left the window open would hang the run.
      if (dialog->isVisible()) dialog->reject();
    }
  });
  start();
  // Lets the timer run when `start` opened no modal window.
  QCoreApplication::processEvents();
  return seen;
}

std::vector<QStringList> TableCells(const QAbstractItemModel& model) {
  std::vector<QStringList> rows;
  for (int r = 0; r < model.rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c) cells << model.index(r, c).data().toString();
    rows.push_back(cells);
  }
  return rows;
}

std::vector<QString> Lines(std::initializer_list<const char*> lines) {
  std::vector<QString> out;
  for (const char* line : lines) out.emplace_back(line);
  return out;
}

}  // namespace tallix::testing
