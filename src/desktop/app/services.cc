#include "desktop/app/services.h"

#include <QDir>

#include "engine/config/config_file.h"

namespace tallix {

ConfigLocation ConfigBesideProgram(const QString& program_dir) {
  const std::string path = QDir(program_dir).filePath(kConfigFileName).toLocal8Bit().toStdString();
  return {path, path, {}};
}

QString CommonDialog::ShowOpen(QWidget* parent, const QString& title, const QString& filter) {
  return Show(parent, {FileRequest::Kind::kOpen, title, filter, {}});
}

QString CommonDialog::ShowSave(QWidget* parent, const QString& title, const QString& filter) {
  return Show(parent, {FileRequest::Kind::kSave, title, filter, {}});
}

bool CommonDialog::ShowPrinter(QWidget* parent, const QString& title, QPrinter& printer) {
  return chooser_.ChoosePrinter(parent, title, printer);
}

QString CommonDialog::Show(QWidget* parent, FileRequest request) {
  request.initial_name = file_name_;
  const std::optional<QString> chosen = chooser_.ChooseFile(parent, request);
  if (!chosen || chosen->isEmpty()) return {};
  file_name_ = *chosen;
  return *chosen;
}

}  // namespace tallix
