#pragma once
// The services the window benchmarks hand the main window: a file chooser
// that always picks one log, a message box that only notes its text, no
// printers and a fixed clock; and the main window shown with them.

#include <QApplication>
#include <QPrinter>
#include <QString>
#include <memory>
#include <optional>

#include "desktop/app/frm_main.h"
#include "desktop/app/qt_services.h"
#include "desktop/app/services.h"

namespace tallix::bench {

class ChooseLog : public tallix::FileChooser {
 public:
  explicit ChooseLog(QString log) : log_(std::move(log)) {}
  std::optional<QString> ChooseFile(QWidget*, const tallix::FileRequest&) override { return log_; }
  bool ChoosePrinter(QWidget*, const QString&, QPrinter&) override { return false; }

 private:
  QString log_;
};

class NoteMessages : public tallix::MessageService {
 public:
  tallix::MessageAnswer Show(QWidget*, const tallix::Message& message) override {
    last = message.text;
    return tallix::MessageAnswer::kOk;
  }
  QString last;
};

class NoPrinters : public tallix::LinePrinterFactory {
 public:
  std::unique_ptr<tallix::LinePrinter> StartJob() override { return nullptr; }
  QPrinter& Printer() override { return printer_; }

 private:
  QPrinter printer_;
};

class FixedClock : public tallix::Clock {
 public:
  tallix::ReportDateTime Now() override { return {"07/12/2026", "10:30:00"}; }
};

// The real main window, shown, whose file chooser picks `log`. It reads its
// configuration from `dir`/program and keeps its settings in
// `dir`/settings.ini.
struct BenchWindow {
  BenchWindow(const QString& dir, const QString& log)
      : chooser(log),
        settings(dir + "/settings.ini"),
        window({&chooser, &messages, &printers, &settings, &clock,
                tallix::ConfigBesideProgram(dir + "/program")}) {
    window.show();
    QApplication::processEvents();
  }

  ChooseLog chooser;
  NoteMessages messages;
  NoPrinters printers;
  tallix::QtSettingsStore settings;
  FixedClock clock;
  tallix::frmMain window;
};

}  // namespace tallix::bench
