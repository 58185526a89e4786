#include "desktop/reports/frm_tariffs.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <string>
#include <vector>

#include "desktop/app/controls.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/window_geometry.h"
#include "engine/analysis/cost.h"
#include "engine/output/output_file.h"

namespace tallix {
namespace {

constexpr KeptSize kSize{"TariffsWidth", "TariffsHeight", 7500, 4000};
constexpr char kCheapest[] = "\u25C0 cheapest";

}  // namespace

FormTariffs::FormTariffs(const TalliedLog& shown, const SavingWindowServices& services,
                         std::function<void(const QString&)> copy, QWidget* parent)
    : QDialog(parent), shown_(shown), services_(services), copy_(std::move(copy)) {
  SetUpResultWindow(*this, "FormTariffs", "Tariffs");

  auto* layout = new QVBoxLayout(this);
  TariffsCaption = new QLabel(this);
  TariffsCaption->setObjectName("TariffsCaption");
  TariffsCaption->setAccessibleName("Calls compared");
  TariffsCaption->setTextFormat(Qt::PlainText);
  TariffsCaption->setWordWrap(true);
  layout->addWidget(TariffsCaption);

  TariffsTable = new QTableWidget(0, kColumns, this);
  SetUpResultTable(*TariffsTable, "TariffsTable", "Cost of the calls per tariff");
  TariffsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  TariffsTable->verticalHeader()->hide();
  TariffsTable->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(TariffsTable, 1);

  const CopySaveCloseButtons buttons = AddCopySaveCloseButtons(*this, *layout, "TariffsButtons");
  cmdCopy = buttons.copy;
  cmdSaveAs = buttons.save_as;
  cmdClose = buttons.close;
  connect(cmdCopy, &QPushButton::clicked, this, [this] { copy_(TariffsText()); });
  connect(cmdSaveAs, &QPushButton::clicked, this, &FormTariffs::cmdSaveAs_Click);

  RestoreSize(*this, services_.settings, kSize);
  Refresh();
  if (parent != nullptr) PlaceBeside(*this, *parent->window());
}

void FormTariffs::Refresh() {
  setEnabled(true);
  const Tariffs& tariffs = *shown_.tariffs;
  const std::vector<TariffComparisonRow> rows = CompareTariffs(shown_.log, shown_.tally, tariffs);
  const QString currency = ToQt(tariffs.currency);
  TariffsTable->setHorizontalHeaderLabels(
      {"Tariff", "Calls", "Seconds",
       currency.isEmpty() ? QString("Cost") : "Cost (" + currency + ")", ""});
  // The mark's column has no caption to see, but one to hear.
  TariffsTable->horizontalHeaderItem(kColumns - 1)->setData(Qt::AccessibleTextRole, "Cheapest");
  // The last row is "as charged", which is no tariff to choose.
  const size_t compared = rows.size() - 1;
  int64_t cheapest = kMaxMoney;
  for (size_t r = 0; r < compared; ++r) {
    if (rows[r].calls > 0) cheapest = std::min(cheapest, rows[r].cost);
  }
  TariffsTable->setRowCount(static_cast<int>(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r) {
    const TariffComparisonRow& row = rows[r];
    const bool marked = r < compared && row.calls > 0 && row.cost == cheapest;
    const QString cells[kColumns] = {
        ToQt(row.name), QString::number(row.calls), QString::number(row.seconds),
        ToQt(MoneyText(row.cost, tariffs.decimals)), marked ? QString(kCheapest) : QString()};
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == kCalls || c == kSeconds || c == kCost) {
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      if (marked) {
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        item->setToolTip("The cheapest tariff for these calls");
      }
      TariffsTable->setItem(static_cast<int>(r), c, item);
    }
  }
  TariffsTable->resizeColumnsToContents();
  // The tally's own caption says which calls these are.
  TariffsCaption->setText(ToQt(shown_.tally.caption) +
                          "\nEach tariff alone, then as the prefixes charge the calls:");
  cmdCopy->setEnabled(true);
  cmdSaveAs->setEnabled(true);
}

void FormTariffs::Blank() {
  TariffsTable->setRowCount(0);
  setEnabled(false);
}

QString FormTariffs::TariffsText() const {
  const ReportHeading heading;
  return ToQt(ReportTextOf(
      WriteTariffsCsv,
      {shown_.log, shown_.config, shown_.tally, heading, {}, std::nullopt, shown_.tariffs}));
}

void FormTariffs::cmdSaveAs_Click() {
  const std::optional<ChosenFile> chosen = services_.files.ShowSaveAs(
      this, "Save As", {"Tariffs compared (*.csv)"}, {services_.proposed_name()});
  if (!chosen || services_.refused(chosen->name)) return;
  const ReportHeading heading;
  const Status written = WriteOutputFile(FromQt(chosen->name), [&](ReportSink& sink) {
    WriteTariffsCsv(
        {shown_.log, shown_.config, shown_.tally, heading, {}, std::nullopt, shown_.tariffs}, sink);
  });
  if (!written.ok()) {
    services_.messages.Show(this,
                            {MessageIcon::kWarning, MessageButtons::kOk, windowTitle(),
                             "The tariffs were not saved.\n\n" + ToQtMessage(written.message())});
  }
}

void FormTariffs::done(int result) {
  StoreSize(*this, services_.settings, kSize);
  QDialog::done(result);
}

}  // namespace tallix
