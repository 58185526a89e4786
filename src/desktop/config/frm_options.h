#pragma once
// The Options dialog: the number of sites, the router identifier and ten rows
// of site name and ISDN number. OK checks every field, stores them in the
// shared data and rewrites the configuration file; when a field cannot be
// stored or the file cannot be written it says why and stays open, with the
// shared data and the file as they were. Cancel, Escape and the close box
// change nothing. It opens centred over its owner.

#include <QDialog>
#include <array>
#include <functional>

#include "desktop/app/controls.h"
#include "desktop/app/services.h"
#include "engine/config/site_config.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tallix {

class frmOptions : public QDialog {
 public:
  static constexpr int kRows = kSiteRows;

  // What the file at a path is, when it must not be written (a log that was
  // read); empty when it may be.
  using ProtectedFile = std::function<QString(const QString& path)>;

  // Fills the fields from `shown`. `config_path` is the file OK writes,
  // unless `protected_file` names it.
  frmOptions(const SiteConfig& shown, QString config_path, MessageService& messages,
             QWidget* parent = nullptr, ProtectedFile protected_file = {});

  // The configuration OK wrote to the file; the one shown until then.
  const SiteConfig& Stored() const { return config_; }

 private:
  void BuildControls();
  void CentreOver(const QWidget& owner);
  void Form_Load();
  void cmdOK_Click();
  void cmdCancel_Click();
  // Says why the fields cannot be stored and puts the focus on `field`.
  void Refuse(QLineEdit* field, const QString& message);

  SiteConfig config_;
  QString config_path_;
  MessageService& messages_;
  ProtectedFile protected_file_;

  QLineEdit* NoISDNSites = nullptr;
  QLineEdit* ISDNRouter = nullptr;
  std::array<QLabel*, kRows> SiteLabel{};
  std::array<QLineEdit*, kRows> SiteName{};
  std::array<QLineEdit*, kRows> SiteISDNNumber{};
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;
};

}  // namespace tallix
