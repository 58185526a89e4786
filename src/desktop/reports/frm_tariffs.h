#pragma once
// The Tariffs window: what the selected calls of the last tally would cost
// under each tariff of the tariff file alone, and as the prefixes charge
// them, with the cheapest tariff marked. Copy and "Save As..." give the
// bytes of `tallix-report --format tariffs` for the same selection. Not
// modal: it follows each new tally, and its size is kept in the per-user
// settings under its own keys.

#include <QDialog>
#include <functional>

#include "desktop/app/services.h"
#include "engine/reports/report_text.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace tallix {

class FormTariffs : public QDialog {
 public:
  enum Column { kName, kCalls, kSeconds, kCost, kNote, kColumns };

  // Opens beside `parent` when there is one. `shown.tariffs` must not be
  // null; what `shown` refers to, the services and `copy` (which puts a
  // text on the clipboard) must outlive the window.
  FormTariffs(const TalliedLog& shown, const SavingWindowServices& services,
              std::function<void(const QString&)> copy, QWidget* parent = nullptr);

  // Compares the tally again, as it now stands.
  void Refresh();
  // Shows nothing of the log while a load may change it.
  void Blank();
  // The comparison as `tallix-report --format tariffs` writes it.
  QString TariffsText() const;

  void done(int result) override;

 private:
  void cmdSaveAs_Click();

  TalliedLog shown_;
  SavingWindowServices services_;
  std::function<void(const QString&)> copy_;
  QLabel* TariffsCaption = nullptr;
  QTableWidget* TariffsTable = nullptr;
  QPushButton* cmdCopy = nullptr;
  QPushButton* cmdSaveAs = nullptr;
  QPushButton* cmdClose = nullptr;
};

}  // namespace tallix
