#include "desktop/app/qt_services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QUrl>

#include "engine/reports/report_date_time.h"

namespace tallix {
namespace {

constexpr char kApplication[] = "Tallix";
constexpr char kGroup[] = "Settings";

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    case MessageIcon::kCritical:
      return QMessageBox::Critical;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

std::optional<QString> QtFileChooser::ChooseFile(QWidget* parent, const FileRequest& request) {
  std::optional<ChosenFile> chosen = ChooseFileAndFilter(parent, request);
  if (!chosen) return std::nullopt;
  return chosen->name;
}

std::optional<ChosenFile> QtFileChooser::ChooseFileAndFilter(QWidget* parent,
                                                             const FileRequest& request) {
  QFileDialog dialog(parent, request.title);
  dialog.setNameFilter(request.filter);
  if (request.kind == FileRequest::Kind::kSave) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (request.confirm_overwrite) {
      // The dialog adds the suffix before it asks, so it asks about the name
      // that is written.
      dialog.setDefaultSuffix(FilterSuffix(dialog.selectedNameFilter()));
      QObject::connect(
          &dialog, &QFileDialog::filterSelected, &dialog,
          [&dialog](const QString& filter) { dialog.setDefaultSuffix(FilterSuffix(filter)); });
    } else {
      // Save asks its own question before replacing a file, so that the
      // question is the same whichever way the name was chosen.
      dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (request.filter.contains("(*.*)")) {
    // Here "*.*" matches only names that hold a dot, but "All Files (*.*)" must
    // list every file, a log named "router" included. Qt's own dialog lets the
    // listing be widened while the filter keeps its text.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (auto* model = dialog.findChild<QFileSystemModel*>()) {
      model->setNameFilters(QStringList(QString("*")));
    }
  }
  if (!request.initial_name.isEmpty()) dialog.selectFile(request.initial_name);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return ChosenFile{files.first(), dialog.selectedNameFilter()};
}

bool QtFileChooser::ChoosePrinter(QWidget* parent, const QString& title, QPrinter& printer) {
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(title);
  return dialog.exec() == QDialog::Accepted;
}

bool QtDesktopService::OpenFile(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

MessageAnswer QtMessageService::Show(QWidget* parent, const Message& message) {
  const QMessageBox::StandardButtons buttons = message.buttons == MessageButtons::kYesNo
                                                   ? (QMessageBox::Yes | QMessageBox::No)
                                                   : QMessageBox::StandardButtons(QMessageBox::Ok);
  QMessageBox box(ToQtIcon(message.icon), message.title, message.text, buttons, parent);
  box.setTextFormat(Qt::PlainText);
  if (message.buttons == MessageButtons::kYesNo) box.setDefaultButton(QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    default:
      return message.buttons == MessageButtons::kYesNo ? MessageAnswer::kNo : MessageAnswer::kOk;
  }
}

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::UserScope, kApplication, kApplication)) {}

QtSettingsStore::QtSettingsStore(const QString& ini_path)
    : settings_(std::make_unique<QSettings>(ini_path, QSettings::IniFormat)) {}

std::optional<QString> QtSettingsStore::Read(const QString& key) {
  const QString full_key = QString(kGroup) + "/" + key;
  if (!settings_->contains(full_key)) return std::nullopt;
  return settings_->value(full_key).toString();
}

void QtSettingsStore::Write(const QString& key, const QString& value) {
  settings_->setValue(QString(kGroup) + "/" + key, value);
  settings_->sync();
}

// The same forms as tallix-report's, so both title lines read alike.
ReportDateTime QtClock::Now() { return LocalReportDateTime(); }

}  // namespace tallix
