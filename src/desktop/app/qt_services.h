#pragma once
// The Qt implementations of the platform services: QFileDialog and
// QPrintDialog choosers, QMessageBox, QSettings and the user's date and time
// forms from QLocale, and QDesktopServices.

#include <QSettings>
#include <memory>

#include "desktop/app/services.h"

namespace tallix {

class QtFileChooser : public FileChooser {
 public:
  std::optional<QString> ChooseFile(QWidget* parent, const FileRequest& request) override;
  std::optional<ChosenFile> ChooseFileAndFilter(QWidget* parent,
                                                const FileRequest& request) override;
  bool ChoosePrinter(QWidget* parent, const QString& title, QPrinter& printer) override;
};

// Files open with QDesktopServices, in the user's chosen programs.
class QtDesktopService : public DesktopService {
 public:
  bool OpenFile(const QString& path) override;
};

class QtMessageService : public MessageService {
 public:
  MessageAnswer Show(QWidget* parent, const Message& message) override;
};

// Values live under application "Tallix", group "Settings".
class QtSettingsStore : public SettingsStore {
 public:
  // The user's own store.
  QtSettingsStore();
  // An INI file at `ini_path`, for tests and tools.
  explicit QtSettingsStore(const QString& ini_path);

  std::optional<QString> Read(const QString& key) override;
  void Write(const QString& key, const QString& value) override;

 private:
  std::unique_ptr<QSettings> settings_;
};

// The date in the user's short date form, the time in the short time form.
class QtClock : public Clock {
 public:
  ReportDateTime Now() override;
};

}  // namespace tallix
