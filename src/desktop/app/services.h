#pragma once
// The platform services that the windows use, each behind a small interface so
// that tests can answer the dialogs, read the messages and collect the printed
// lines. The program hands the Qt implementations (qt_services.h) to frmMain.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/config/config_location.h"
#include "engine/reports/report_text.h"

class QPrinter;
class QWidget;

namespace tallix {

// What a file chooser is asked to show.
struct FileRequest {
  enum class Kind { kOpen, kSave };
  Kind kind = Kind::kOpen;
  QString title;
  QString filter;        // Qt filter text, e.g. "All Files (*.*)"
  QString initial_name;  // the name the chooser starts with; may be empty
  // A save chooser asks before it returns an existing file's name, and adds
  // the chosen filter's suffix to a name that has none.
  bool confirm_overwrite = false;
  // For each filter, the name to start from while it is selected; empty to
  // keep initial_name whatever the filter.
  QStringList filter_names = {};
};

// A file a save chooser returned, with the filter the user left selected.
struct ChosenFile {
  QString name;
  QString filter;  // one of the request's filters, as it stands there
};

// The platform's file and printer choosers.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen file name, or nullopt when the user cancelled. A save chooser
  // accepts names that do not exist yet and asks nothing about existing ones.
  virtual std::optional<QString> ChooseFile(QWidget* parent, const FileRequest& request) = 0;
  // As ChooseFile, and which of the request's filters (separated by ";;") was
  // selected. By default the first one.
  virtual std::optional<ChosenFile> ChooseFileAndFilter(QWidget* parent,
                                                        const FileRequest& request);
  // Shows the printer dialog on `printer`; true when the user accepted it, in
  // which case the choices are now the printer's.
  virtual bool ChoosePrinter(QWidget* parent, const QString& title, QPrinter& printer) = 0;
};

// The suffix of a filter such as "JSON (*.json)": "json"; empty when it
// names none.
QString FilterSuffix(const QString& filter);
// `name` with ".`suffix`" added when its file name has no suffix yet.
QString WithSuffix(const QString& name, const QString& suffix);

// The one file and printer dialog of the main window. It remembers the file
// name Open and Save last returned, so each of them starts from that name; a
// save chooser that asks before replacing (ShowSaveAs) starts from the names
// it is given instead, so that it never offers a log's name.
class CommonDialog {
 public:
  explicit CommonDialog(FileChooser& chooser) : chooser_(chooser) {}

  // Each returns the chosen name, or an empty text when the user cancelled.
  QString ShowOpen(QWidget* parent, const QString& title, const QString& filter);
  QString ShowSave(QWidget* parent, const QString& title, const QString& filter);
  // False when cancelled.
  bool ShowPrinter(QWidget* parent, const QString& title, QPrinter& printer);
  // A save chooser that asks before replacing a file, over `filters`,
  // starting from the name of `names` (one per filter) of the filter
  // selected; the name comes back with its filter's suffix when it had none.
  // It does not become the name that the other dialogs start from.
  std::optional<ChosenFile> ShowSaveAs(QWidget* parent, const QString& title,
                                       const QStringList& filters, const QStringList& names);

  const QString& FileName() const { return file_name_; }
  // A file chosen another way (the command line, a drop): the next dialog
  // starts from it, as after a choice in the dialog.
  void Remember(const QString& name) { file_name_ = name; }

 private:
  QString Show(QWidget* parent, FileRequest request);

  FileChooser& chooser_;
  QString file_name_;
};

enum class MessageIcon { kNone, kInformation, kQuestion, kWarning, kCritical };
enum class MessageButtons { kOk, kYesNo };
enum class MessageAnswer { kOk, kYes, kNo };

struct Message {
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOk;
  QString title;
  QString text;
};

// Modal message boxes.
class MessageService {
 public:
  virtual ~MessageService() = default;
  virtual MessageAnswer Show(QWidget* parent, const Message& message) = 0;
};

// One print job: lines in order, then the end of the document.
class LinePrinter {
 public:
  virtual ~LinePrinter() = default;
  virtual void PrintLine(const QString& text) = 0;
  // Releases the job to the printer. On failure returns false and sets
  // `error` to a sentence that says what went wrong.
  virtual bool EndDoc(QString* error) = 0;
};

// Starts print jobs on the printer of the run.
class LinePrinterFactory {
 public:
  virtual ~LinePrinterFactory() = default;
  virtual std::unique_ptr<LinePrinter> StartJob() = 0;
  // The printer that later jobs print on, for the printer dialog.
  virtual QPrinter& Printer() = 0;
};

// The per-user settings store: text values by key, in one group.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::optional<QString> Read(const QString& key) = 0;
  virtual void Write(const QString& key, const QString& value) = 0;
};

// The date and time that a report's title line shows.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual ReportDateTime Now() = 0;
};

// The user's own programs.
class DesktopService {
 public:
  virtual ~DesktopService() = default;
  // Opens the local file at `path` in the program the user chose for its
  // type, as a browser for a web page; false when none could be started.
  virtual bool OpenFile(const QString& path) = 0;
};

// Sees a log load as it goes: told of each progress report of the loader,
// on the loading thread, before the window shows it.
class LoadWatcher {
 public:
  virtual ~LoadWatcher() = default;
  virtual void Progress(uint64_t done, uint64_t total) = 0;
};

// Everything frmMain needs from the platform. The pointers must outlive the
// window.
struct Services {
  FileChooser* file_chooser = nullptr;
  MessageService* messages = nullptr;
  LinePrinterFactory* printers = nullptr;
  SettingsStore* settings = nullptr;
  Clock* clock = nullptr;
  // The configuration file that start-up reads and the one that Options
  // writes (SystemConfigLocation in the program).
  ConfigLocation config;
  DesktopService* desktop = nullptr;
  LoadWatcher* load_watcher = nullptr;  // may stay null
  // Where start-up looks for the tariff file: per user, else beside the
  // program (TariffPlacesFor in the program); none when both are empty.
  ConfigPlaces tariff_places = {};
};

// What a window of results beside the main one needs from its owner to keep
// its size and save what it shows.
struct SavingWindowServices {
  CommonDialog& files;
  MessageService& messages;
  SettingsStore& settings;
  // True, after saying why, when a file must not be written to `path`.
  std::function<bool(const QString& path)> refused;
  // The name "Save As..." proposes.
  std::function<QString()> proposed_name;
};

// Tallix.cfg in `program_dir`, both read and written: a program that keeps
// its configuration beside it, as the tests and tools do.
ConfigLocation ConfigBesideProgram(const QString& program_dir);

}  // namespace tallix
