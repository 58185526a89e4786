#include "desktop/config/frm_options.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <utility>

#include "desktop/app/fonts.h"
#include "desktop/app/twips.h"
#include "engine/config/config_file.h"

namespace tallix {
namespace {

QString Local(const std::string& text) { return QString::fromLocal8Bit(text); }
std::string Bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

bool Storable(const QString& text) { return IsStorableConfigText(Bytes(text)); }

// The configuration that OK replaces, kept so that a failed write can be undone.
struct SavedConfig {
  int16_t site_count;
  std::string identifier;
  std::array<std::string, frmOptions::kRows> names;
  std::array<std::string, frmOptions::kRows> numbers;

  explicit SavedConfig(const TallixData& data)
      : site_count(data.SiteCount), identifier(data.RouterIdentifier) {
    for (size_t i = 0; i < frmOptions::kRows; ++i) {
      names[i] = data.SiteNames[i];
      numbers[i] = data.SiteNumbers[i];
    }
  }

  void Restore(TallixData& data) const {
    data.SiteCount = site_count;
    data.RouterIdentifier = identifier;
    for (size_t i = 0; i < frmOptions::kRows; ++i) {
      data.SiteNames[i] = names[i];
      data.SiteNumbers[i] = numbers[i];
    }
  }
};

}  // namespace

frmOptions::frmOptions(TallixData& shared, QString config_path, MessageService& messages,
                       QWidget* parent)
    : QDialog(parent), data_(shared), config_path_(std::move(config_path)), messages_(messages) {
  setObjectName("frmOptions");
  setWindowTitle("Options");
  setFont(WindowFont());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  BuildControls();
  Form_Load();
}

void frmOptions::BuildControls() {
  const double dpi = logicalDpiX();
  auto place = [dpi](QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(TwipsRect(x, y, width, height, dpi));
  };
  auto label = [this, &place](const QString& name, const QString& text, int x, int y, int width) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    place(l, x, y, width, 255);
    return l;
  };
  auto box = [this, &place](const QString& name, int x, int y, int width) {
    auto* b = new QLineEdit(this);
    b->setObjectName(name);
    place(b, x, y, width, 285);
    return b;
  };
  auto button = [this, &place](const QString& name, const QString& text, int x, int y) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    // Neither button is the default: Enter in a field does not close the dialog.
    b->setAutoDefault(false);
    b->setDefault(false);
    place(b, x, y, 1095, 375);
    return b;
  };

  setFixedSize(TwipsRect(0, 0, 6150, 5040, dpi).size());
  cmdOK = button("cmdOK", "OK", 1200, 4440);
  cmdCancel = button("cmdCancel", "Cancel", 3720, 4455);
  label("Label1", "Number of ISDN Sites", 240, 120, 1695);
  NoISDNSites = box("NoISDNSites", 2160, 120, 1575);
  label("Label2", "ISDN Identifier", 240, 480, 1095);
  ISDNRouter = box("ISDNRouter", 2160, 480, 1575);
  label("Label3", "Site Name", 2040, 1200, 735);
  label("Label4", "Site ISDN Number", 3480, 1200, 1455);
  for (int i = 0; i < kRows; ++i) {
    const auto row = static_cast<size_t>(i);
    const int y = 1560 + 240 * i;
    SiteLabel[row] =
        label(QString("SiteLabel%1").arg(i), QString("Site %1").arg(i + 1), 840, y, 735);
    SiteName[row] = box(QString("SiteName%1").arg(i), 1680, y, 1455);
  }
  for (int i = 0; i < kRows; ++i) {
    const auto row = static_cast<size_t>(i);
    SiteISDNNumber[row] = box(QString("SiteISDNNumber%1").arg(i), 3480, 1560 + 240 * i, 1455);
  }

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

void frmOptions::Form_Load() {
  NoISDNSites->setText(QString::number(data_.SiteCount));
  ISDNRouter->setText(Local(data_.RouterIdentifier));
  for (size_t i = 0; i < kRows; ++i) {
    SiteName[i]->setText(Local(data_.SiteNames[i]));
    SiteISDNNumber[i]->setText(Local(data_.SiteNumbers[i]));
  }
}

QString frmOptions::CheckFields(QLineEdit** bad_field) const {
  if (!ParseSiteCountText(Bytes(NoISDNSites->text()))) {
    *bad_field = NoISDNSites;
    return QString(
               "Number of ISDN Sites: \"%1\" is not allowed. Enter a whole number from 0 to "
               "10.")
        .arg(NoISDNSites->text());
  }
  const QString why =
      " holds a double quote or a line break, which the configuration file "
      "cannot store. Remove it and press OK again.";
  if (!Storable(ISDNRouter->text())) {
    *bad_field = ISDNRouter;
    return "ISDN Identifier" + why;
  }
  for (size_t i = 0; i < kRows; ++i) {
    if (!Storable(SiteName[i]->text())) {
      *bad_field = SiteName[i];
      return QString("Site Name of Site %1").arg(i + 1) + why;
    }
    if (!Storable(SiteISDNNumber[i]->text())) {
      *bad_field = SiteISDNNumber[i];
      return QString("Site ISDN Number of Site %1").arg(i + 1) + why;
    }
  }
  return {};
}

void frmOptions::cmdOK_Click() {
  QLineEdit* bad_field = nullptr;
  const QString problem = CheckFields(&bad_field);
  if (!problem.isEmpty()) {
    messages_.Show(this, {MessageIcon::kWarning, MessageButtons::kOk, "Options", problem});
    bad_field->setFocus();
    bad_field->selectAll();
    return;
  }
  const SavedConfig before(data_);
  data_.SiteCount = *ParseSiteCountText(Bytes(NoISDNSites->text()));
  data_.RouterIdentifier = Bytes(ISDNRouter->text());
  for (size_t i = 0; i < kRows; ++i) {
    data_.SiteNames[i] = Bytes(SiteName[i]->text());
    data_.SiteNumbers[i] = Bytes(SiteISDNNumber[i]->text());
  }
  const FileResult written = WriteConfigFile(SiteConfigOf(data_), Bytes(config_path_));
  if (!written.ok) {
    before.Restore(data_);
    messages_.Show(this, {MessageIcon::kWarning, MessageButtons::kOk, "Options",
                          "The options were not stored.\n\n" + Local(written.error)});
    return;
  }
  accept();
}

void frmOptions::cmdCancel_Click() { reject(); }

}  // namespace tallix
