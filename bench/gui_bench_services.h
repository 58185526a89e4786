#pragma once
// The services the window benchmarks hand the main window: a file chooser
// that always picks one log, a message box that only notes its text, no
// printers and a fixed clock.

#include <QPrinter>
#include <QString>
#include <memory>
#include <optional>

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

}  // namespace tallix::bench
