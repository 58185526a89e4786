#include "desktop/reports/frm_check_totals.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "desktop/app/controls.h"
#include "desktop/app/fonts.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/twips.h"
#include "engine/output/output_file.h"
#include "engine/reports/report_text.h"

namespace tallix {
namespace {

constexpr char kWidthKey[] = "CheckTotalsWidth";
constexpr char kHeightKey[] = "CheckTotalsHeight";
constexpr double kDefaultWidthTwips = 10500;
constexpr double kDefaultHeightTwips = 7500;
constexpr int kFigureColumns = 3;

double ReadTwips(SettingsStore& settings, const char* key, double fallback) {
  bool ok = false;
  const double value = settings.Read(key).value_or(QString()).trimmed().toDouble(&ok);
  return ok && value > 0 ? value : fallback;
}

}  // namespace

FormCheckTotals::FormCheckTotals(const TallixData& shared, const TallyResult& tally,
                                 const CheckTotalsServices& services, int choice, QWidget* parent)
    : QDialog(parent), data_(shared), tally_(tally), services_(services) {
  setObjectName("FormCheckTotals");
  setWindowTitle("Check Totals");
  setFont(WindowFont());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(true);

  auto* layout = new QVBoxLayout(this);
  auto* caption = new QLabel(ToQt(tally.caption), this);
  caption->setObjectName("TallyCaption");
  caption->setTextFormat(Qt::PlainText);
  layout->addWidget(caption);
  auto* figures = new QWidget(this);
  figures->setObjectName("Figures");
  BuildFigures(figures);
  layout->addWidget(figures);

  auto* choice_row = new QHBoxLayout;
  auto* choice_label = new QLabel("&Show:", this);
  LinesChoiceBox = new QComboBox(this);
  LinesChoiceBox->setObjectName("LinesChoiceBox");
  LinesChoiceBox->setAccessibleName("Lines shown");
  choice_label->setBuddy(LinesChoiceBox);
  LinesChoiceBox->addItem("All kept lines", int{kAllKeptLines});
  LinesChoiceBox->addItem("Selected lines", int{kSelectedLines});
  for (int s = 0; s < SitesInUse(shared); ++s) {
    LinesChoiceBox->addItem(ToQt(shared.SiteNames[static_cast<size_t>(s)]) + "'s calls", s);
  }
  LinesChoiceBox->addItem("Calls credited to no site", int{kCreditedToNoSite});
  LinesChoiceBox->setCurrentIndex(std::max(0, LinesChoiceBox->findData(choice)));
  RowCount = new QLabel(this);
  RowCount->setObjectName("RowCount");
  choice_row->addWidget(choice_label);
  choice_row->addWidget(LinesChoiceBox, 1);
  choice_row->addWidget(RowCount);
  layout->addLayout(choice_row);

  model_ = new KeptLinesModel(shared, tally, this);
  LinesTable = new QTableView(this);
  LinesTable->setObjectName("LinesTable");
  LinesTable->setAccessibleName("Kept log lines");
  LinesTable->setModel(model_);
  LinesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  LinesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LinesTable->setWordWrap(false);
  // A path shows its file name end; the rest is in the tooltip.
  LinesTable->setTextElideMode(Qt::ElideLeft);
  // Fixed row heights and column widths: nothing is measured per row, so
  // forty thousand rows open at once.
  LinesTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  LinesTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  const int digit = fontMetrics().horizontalAdvance('0');
  const int widths[KeptLinesModel::kColumns] = {22, 7, 16, 13, 9, 24};
  for (int c = 0; c < KeptLinesModel::kColumns; ++c)
    LinesTable->setColumnWidth(c, widths[c] * digit);
  LinesTable->horizontalHeader()->setStretchLastSection(true);
  LinesTable->horizontalHeader()->setSortIndicator(KeptLinesModel::kStamp, Qt::AscendingOrder);
  LinesTable->setSortingEnabled(true);
  LinesTable->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy = new QAction("&Copy", LinesTable);
  copy->setObjectName("actCopy");
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  LinesTable->addAction(copy);
  connect(copy, &QAction::triggered, this, &FormCheckTotals::CopySelection);
  // The view takes Ctrl+C for itself, to copy one cell.
  LinesTable->installEventFilter(this);
  layout->addWidget(LinesTable, 1);

  auto* buttons = new QHBoxLayout;
  cmdSaveAs = new CommandButton("Save &As...", this);
  cmdSaveAs->setObjectName("cmdSaveAs");
  cmdClose = new CommandButton("Close", this);
  cmdClose->setObjectName("cmdClose");
  buttons->addStretch(1);
  buttons->addWidget(cmdSaveAs);
  buttons->addWidget(cmdClose);
  layout->addLayout(buttons);
  connect(cmdSaveAs, &QPushButton::clicked, this, &FormCheckTotals::cmdSaveAs_Click);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
  connect(LinesChoiceBox, &QComboBox::currentIndexChanged, this, &FormCheckTotals::ShowChoice);

  const double dpi = logicalDpiX();
  // A hand-edited size larger than the screen would hide the buttons.
  resize(QSize(TwipsToPixels(ReadTwips(services_.settings, kWidthKey, kDefaultWidthTwips), dpi),
               TwipsToPixels(ReadTwips(services_.settings, kHeightKey, kDefaultHeightTwips), dpi))
             .boundedTo(screen()->availableGeometry().size()));
  ShowChoice();
  LinesTable->setFocus();
}

void FormCheckTotals::BuildFigures(QWidget* panel) {
  // The engine's figures in the window's order, those that share a place summed.
  constexpr int kSlots = 10;
  std::array<const ReconciliationFigure*, kSlots> figures{};
  std::array<uint64_t, kSlots> values{};
  for (const ReconciliationFigure& figure : ReconciliationFigures()) {
    if (figure.window_slot < 0 || figure.window_slot >= kSlots) continue;
    const auto slot = static_cast<size_t>(figure.window_slot);
    if (figures[slot] == nullptr) figures[slot] = &figure;
    values[slot] += tally_.reconciliation.*figure.value;
  }
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  int shown = 0;
  for (size_t slot = 0; slot < figures.size(); ++slot) {
    if (figures[slot] == nullptr) continue;
    const ReconciliationFigure& def = *figures[slot];
    const uint64_t value = values[slot];
    if (!def.window_always && value == 0) continue;
    auto* caption = new QLabel(QString(def.window_caption) + ":", panel);
    auto* figure = new QLabel(QString::number(value), panel);
    figure->setObjectName(def.window_name);
    figure->setAccessibleName(def.window_caption);
    figure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    caption->setBuddy(figure);
    if (def.window_tip != nullptr) caption->setToolTip(def.window_tip);
    const int row = shown / kFigureColumns;
    const int column = 2 * (shown % kFigureColumns);
    grid->addWidget(caption, row, column);
    grid->addWidget(figure, row, column + 1);
    ++shown;
  }
  for (int c = 1; c < 2 * kFigureColumns; c += 2) grid->setColumnStretch(c, 1);
}

void FormCheckTotals::ShowChoice() {
  model_->SetRows(LinesOf(tally_, LinesChoiceBox->currentData().toInt()));
  const int rows = model_->rowCount();
  RowCount->setText(rows == 1 ? QString("1 line") : QString("%1 lines").arg(rows));
}

QString FormCheckTotals::RowsAsText(bool selected_only) const {
  std::vector<int32_t> rows;
  if (selected_only) {
    QModelIndexList chosen = LinesTable->selectionModel()->selectedRows();
    std::sort(chosen.begin(), chosen.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : chosen) {
      rows.push_back(model_->Rows()[static_cast<size_t>(index.row())]);
    }
  } else {
    rows = model_->Rows();
  }
  return ToQt(AuditRowsText(data_, tally_, rows, AuditTextForm::kTsv));
}

void FormCheckTotals::CopySelection() {
  const QString text = RowsAsText(true);
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void FormCheckTotals::cmdSaveAs_Click() {
  const std::optional<ChosenFile> chosen =
      services_.files.ShowSaveAs(this, "Save As", {"Audit of the lines shown (*.csv)"});
  if (!chosen || services_.refused(chosen->name)) return;
  const Status written = WriteWholeFile(
      FromQt(chosen->name), AuditRowsText(data_, tally_, model_->Rows(), AuditTextForm::kCsv));
  if (!written.ok()) {
    services_.messages.Show(this, {MessageIcon::kWarning, MessageButtons::kOk, windowTitle(),
                                   "The lines were not saved.\n\n" + ToQt(written.message())});
  }
}

bool FormCheckTotals::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LinesTable && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    CopySelection();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void FormCheckTotals::keyPressEvent(QKeyEvent* event) {
  // Enter in the table or the choice would close the window.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      !qobject_cast<QPushButton*>(focusWidget())) {
    return;
  }
  QDialog::keyPressEvent(event);
}

void FormCheckTotals::done(int result) {
  const double dpi = logicalDpiX();
  services_.settings.Write(kWidthKey, QString::number(PixelsToTwips(width(), dpi)));
  services_.settings.Write(kHeightKey, QString::number(PixelsToTwips(height(), dpi)));
  QDialog::done(result);
}

}  // namespace tallix
