#include "desktop/app/services.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "engine/config/config_file.h"

namespace tallix {

ConfigLocation ConfigBesideProgram(const QString& program_dir) {
  const std::string path = QDir(program_dir).filePath(kConfigFileName).toLocal8Bit().toStdString();
  return {path, path, {}};
}

std::optional<ChosenFile> FileChooser::ChooseFileAndFilter(QWidget* parent,
                                                           const FileRequest& request) {
  const std::optional<QString> name = ChooseFile(parent, request);
  if (!name) return std::nullopt;
  return ChosenFile{*name, request.filter.section(";;", 0, 0)};
}

QString FilterSuffix(const QString& filter) {
  static const QRegularExpression pattern(R"(\(\*\.(\w+)\))");
  const QRegularExpressionMatch match = pattern.match(filter);
  return match.hasMatch() ? match.captured(1) : QString();
}

QString WithSuffix(const QString& name, const QString& suffix) {
  if (suffix.isEmpty() || !QFileInfo(name).suffix().isEmpty()) return name;
  return name.endsWith('.') ? name + suffix : name + "." + suffix;
}

QString CommonDialog::ShowOpen(QWidget* parent, const QString& title, const QString& filter) {
  return Show(parent, {FileRequest::Kind::kOpen, title, filter, {}, false, {}});
}

QString CommonDialog::ShowSave(QWidget* parent, const QString& title, const QString& filter) {
  return Show(parent, {FileRequest::Kind::kSave, title, filter, {}, false, {}});
}

std::optional<ChosenFile> CommonDialog::ShowSaveAs(QWidget* parent, const QString& title,
                                                   const QStringList& filters,
                                                   const QStringList& names) {
  const FileRequest request{FileRequest::Kind::kSave, title, filters.join(";;"),
                            names.value(0),           true,  names};
  std::optional<ChosenFile> chosen = chooser_.ChooseFileAndFilter(parent, request);
  if (!chosen || chosen->name.isEmpty()) return std::nullopt;
  chosen->name = WithSuffix(chosen->name, FilterSuffix(chosen->filter));
  return chosen;
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
