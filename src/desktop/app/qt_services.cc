#include "desktop/app/qt_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

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

// Room for the window manager's buttons and icon beside a title.
constexpr int kTitleBarRoomPx = 160;
// A text taller than this share of the screen is shown in a box that scrolls.
constexpr double kTallShare = 0.6;

// The width that shows `title` whole in a title bar, whose font is often
// bold and larger than the window's.
int TitleWidth(const QString& title) {
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  return QFontMetrics(font).horizontalAdvance(title) + kTitleBarRoomPx;
}

// A message whose text would not fit the screen: the text scrolls, and the
// window fits the screen it opens on.
MessageAnswer ShowTallMessage(QWidget* parent, const Message& message, QMessageBox::Icon icon) {
  QDialog dialog(parent);
  dialog.setObjectName("TallMessage");
  dialog.setWindowTitle(message.title);
  dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(&dialog);
  auto* row = new QHBoxLayout;
  auto* icon_label = new QLabel(&dialog);
  const QStyle::StandardPixmap pixmap =
      icon == QMessageBox::Critical      ? QStyle::SP_MessageBoxCritical
      : icon == QMessageBox::Question    ? QStyle::SP_MessageBoxQuestion
      : icon == QMessageBox::Information ? QStyle::SP_MessageBoxInformation
                                         : QStyle::SP_MessageBoxWarning;
  icon_label->setPixmap(dialog.style()->standardIcon(pixmap).pixmap(32, 32));
  icon_label->setAlignment(Qt::AlignTop);
  auto* text = new QPlainTextEdit(message.text, &dialog);
  text->setObjectName("MessageText");
  text->setReadOnly(true);
  text->setAccessibleName(message.title);
  row->addWidget(icon_label);
  row->addWidget(text, 1);
  layout->addLayout(row, 1);
  const bool yes_no = message.buttons == MessageButtons::kYesNo;
  auto* buttons = new QDialogButtonBox(
      yes_no ? QDialogButtonBox::Yes | QDialogButtonBox::No : QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (yes_no) buttons->button(QDialogButtonBox::No)->setDefault(true);
  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen->availableGeometry();
  dialog.resize(std::min(area.width() * 9 / 10, 40 * text->fontMetrics().averageCharWidth() * 2),
                static_cast<int>(area.height() * kTallShare));
  const int answer = dialog.exec();
  if (!yes_no) return MessageAnswer::kOk;
  return answer == QDialog::Accepted ? MessageAnswer::kYes : MessageAnswer::kNo;
}

bool TallerThanScreen(QWidget* parent, const QString& text) {
  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  // A message box wraps its text at about a third of the screen's width.
  const QFontMetrics metrics(QApplication::font("QMessageBox"));
  const QRect needed = metrics.boundingRect(QRect(0, 0, screen->availableGeometry().width() / 3, 0),
                                            Qt::TextWordWrap, text);
  return needed.height() > screen->availableGeometry().height() * kTallShare;
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
      // A name still as proposed follows the type chosen; one typed stays.
      QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                       [&dialog, &request](const QString& filter) {
                         dialog.setDefaultSuffix(FilterSuffix(filter));
                         const qsizetype index = request.filter.split(";;").indexOf(filter);
                         const QStringList chosen = dialog.selectedFiles();
                         const bool as_proposed =
                             chosen.isEmpty() || request.filter_names.contains(chosen.first());
                         if (as_proposed && index >= 0 && index < request.filter_names.size()) {
                           dialog.selectFile(request.filter_names[index]);
                         }
                       });
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
  if (TallerThanScreen(parent, message.text)) {
    return ShowTallMessage(parent, message, ToQtIcon(message.icon));
  }
  QMessageBox box(ToQtIcon(message.icon), message.title, message.text, buttons, parent);
  box.setTextFormat(Qt::PlainText);
  // A short text would leave the box too narrow for its own title.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(TitleWidth(message.title), 0, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
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
