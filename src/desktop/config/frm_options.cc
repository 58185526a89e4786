#include "desktop/config/frm_options.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <string>
#include <utility>

#include "desktop/app/controls.h"
#include "desktop/app/fonts.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/twips.h"
#include "engine/config/config_file.h"
#include "engine/config/site_config.h"

namespace tallix {

frmOptions::frmOptions(const SiteConfig& shown, QString config_path, MessageService& messages,
                       QWidget* parent, ProtectedFile protected_file)
    : QDialog(parent),
      config_(shown),
      config_path_(std::move(config_path)),
      messages_(messages),
      protected_file_(std::move(protected_file)) {
  setObjectName("frmOptions");
  setWindowTitle("Options");
  setFont(WindowFont());
  // A fixed dialog frame: a close box, no minimise or maximise box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  BuildControls();
  if (parent != nullptr) CentreOver(*parent->window());
  Form_Load();
}

void frmOptions::BuildControls() {
  setFixedSize(TwipsRect({0, 0, 6150, 5040}, logicalDpiX()).size());
  using enum ControlKind;
  const ControlDef controls[] = {
      {kButton, "cmdOK", "OK", {1200, 4440, 1095, 375}, &cmdOK},
      {kButton, "cmdCancel", "Cancel", {3720, 4455, 1095, 375}, &cmdCancel},
      {kLabel, "Label1", "Number of ISDN Sites", {240, 120, 1695, 255}},
      {kBox, "NoISDNSites", "", {2160, 120, 1575, 285}, &NoISDNSites, "Number of ISDN Sites"},
      {kLabel, "Label2", "ISDN Identifier", {240, 480, 1095, 255}},
      {kBox, "ISDNRouter", "", {2160, 480, 1575, 285}, &ISDNRouter, "ISDN Identifier"},
      {kLabel, "Label3", "Site Name", {2040, 1200, 735, 255}},
      {kLabel, "Label4", "Site ISDN Number", {3480, 1200, 1455, 255}},
  };
  tallix::BuildControls(controls, this);
  const ControlRowDef rows[] = {
      {kLabel, "SiteLabel", "Site %1", {840, 1560, 735, 255}, &SiteLabel},
      {kBox, "SiteName", "", {1680, 1560, 1455, 285}, &SiteName, "Site %1 name"},
      {kBox, "SiteISDNNumber", "", {3480, 1560, 1455, 285}, &SiteISDNNumber, "Site %1 ISDN number"},
  };
  BuildControlRows(rows, 240, this);

  QWidget* previous = cmdOK;
  auto chain = [&previous](QWidget* next) {
    QWidget::setTabOrder(previous, next);
    previous = next;
  };
  chain(cmdCancel);
  chain(NoISDNSites);
  chain(ISDNRouter);
  for (QLineEdit* b : SiteName) chain(b);
  for (QLineEdit* b : SiteISDNNumber) chain(b);
  cmdOK->setFocus();

  connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
}

void frmOptions::CentreOver(const QWidget& owner) {
  // Created first, so that the place given is the inner one and the window
  // manager draws its frame around it, whatever the frame's size.
  winId();
  const QRect inner = owner.geometry();
  move(inner.left() + (inner.width() - width()) / 2, inner.top() + (inner.height() - height()) / 2);
}

void frmOptions::Form_Load() {
  NoISDNSites->setText(QString::number(config_.SiteCount));
  ISDNRouter->setText(ToQt(config_.RouterIdentifier));
  for (size_t i = 0; i < kRows; ++i) {
    SiteName[i]->setText(ToQt(config_.SiteNames[i]));
    SiteISDNNumber[i]->setText(ToQt(config_.SiteNumbers[i]));
  }
}

namespace {

// A whole number, blanks around it allowed: the count is not rounded, so
// that "2.5" is not taken for a count the user did not type.
bool IsWholeNumberText(const QString& text) {
  static const QRegularExpression pattern(R"(^[ \t]*[+-]?[0-9]+[ \t]*$)");
  return pattern.match(text).hasMatch();
}

}  // namespace

void frmOptions::cmdOK_Click() {
  const std::optional<int16_t> count = IsWholeNumberText(NoISDNSites->text())
                                           ? ParseSiteCountText(FromQt(NoISDNSites->text()))
                                           : std::nullopt;
  if (!count) {
    Refuse(
        NoISDNSites,
        QString("Number of ISDN Sites: \"%1\" is not allowed. Enter a whole number from 0 to 10.")
            .arg(NoISDNSites->text()));
    return;
  }
  // A field left as it was shown keeps its bytes: a name read in another
  // encoding than the system's would not survive the way through the text box.
  const SiteConfig& shown = config_;
  auto bytes = [](const QLineEdit* field, const std::string& before) {
    return field->text() == ToQt(before) ? before : FromQt(field->text());
  };
  SiteConfig config;
  config.SiteCount = *count;
  config.RouterIdentifier = bytes(ISDNRouter, shown.RouterIdentifier);
  for (size_t i = 0; i < kRows; ++i) {
    config.SiteNames[i] = bytes(SiteName[i], shown.SiteNames[i]);
    config.SiteNumbers[i] = bytes(SiteISDNNumber[i], shown.SiteNumbers[i]);
  }
  if (const std::optional<UnstorableField> bad = FindUnstorableField(config)) {
    using enum UnstorableField::Kind;
    QLineEdit* field = bad->kind == kIdentifier ? ISDNRouter
                       : bad->kind == kName     ? SiteName[bad->site]
                                                : SiteISDNNumber[bad->site];
    Refuse(field, ToQt(bad->message) + ". Remove it and press OK again.");
    return;
  }
  if (const QString what = protected_file_ ? protected_file_(config_path_) : QString();
      !what.isEmpty()) {
    messages_.Show(this, {MessageIcon::kWarning, MessageButtons::kOk, "Options",
                          QString("The options were not stored: \"%1\" is %2, and writing would "
                                  "overwrite it. Remove the link or move the log, then press OK "
                                  "again.")
                              .arg(ToQtMessage(FromQt(config_path_)), what)});
    return;
  }
  // The window takes the new values only once the file holds them.
  const Status written = WriteConfigFile(config, FromQt(config_path_));
  if (!written.ok()) {
    messages_.Show(this, {MessageIcon::kWarning, MessageButtons::kOk, "Options",
                          "The options were not stored.\n\n" + ToQtMessage(written.message())});
    return;
  }
  config_ = std::move(config);
  accept();
}

void frmOptions::Refuse(QLineEdit* field, const QString& message) {
  messages_.Show(this, {MessageIcon::kWarning, MessageButtons::kOk, "Options", message});
  field->setFocus();
  field->selectAll();
}

void frmOptions::cmdCancel_Click() { reject(); }

}  // namespace tallix
