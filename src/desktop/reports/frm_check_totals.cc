#include "desktop/reports/frm_check_totals.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
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
#include <tuple>
#include <vector>

#include "desktop/app/controls.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/window_geometry.h"
#include "desktop/reports/frm_line_context.h"
#include "engine/output/output_file.h"
#include "engine/reports/report_text.h"

namespace tallix {
namespace {

constexpr KeptSize kSize{"CheckTotalsWidth", "CheckTotalsHeight", 10500, 7500};
constexpr int kFigureColumns = 3;

}  // namespace

FormCheckTotals::FormCheckTotals(const TalliedLog& shown, const CheckTotalsServices& services,
                                 int choice, QWidget* parent)
    : QDialog(parent), shown_(shown), services_(services) {
  SetUpResultWindow(*this, "FormCheckTotals", "Check Totals");

  auto* layout = new QVBoxLayout(this);
  caption_ = new QLabel(this);
  caption_->setObjectName("TallyCaption");
  caption_->setTextFormat(Qt::PlainText);
  layout->addWidget(caption_);
  figures_ = new QWidget(this);
  layout->addWidget(figures_);

  auto* choice_row = new QHBoxLayout;
  auto* choice_label = new QLabel("&Show:", this);
  LinesChoiceBox = new QComboBox(this);
  LinesChoiceBox->setObjectName("LinesChoiceBox");
  LinesChoiceBox->setAccessibleName("Lines shown");
  choice_label->setBuddy(LinesChoiceBox);
  RowCount = new QLabel(this);
  RowCount->setObjectName("RowCount");
  choice_row->addWidget(choice_label);
  choice_row->addWidget(LinesChoiceBox, 1);
  choice_row->addWidget(RowCount);
  layout->addLayout(choice_row);

  model_ = new KeptLinesModel(shown_, this);
  LinesTable = new QTableView(this);
  SetUpResultTable(*LinesTable, "LinesTable", "Kept log lines");
  LinesTable->setModel(model_);
  LinesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Fixed column widths too: nothing is measured per row.
  const int digit = fontMetrics().horizontalAdvance('0');
  const int widths[KeptLinesModel::kColumns] = {22, 7, 16, 13, 9, 24, 10};
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

  connect(LinesTable, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenLine(index.row()); });

  auto* buttons = new QDialogButtonBox(this);
  buttons->setObjectName("CheckTotalsButtons");
  cmdSaveAs = buttons->addButton("Save &As...", QDialogButtonBox::ActionRole);
  cmdSaveAs->setObjectName("cmdSaveAs");
  cmdClose = buttons->addButton(QDialogButtonBox::Close);
  cmdClose->setObjectName("cmdClose");
  for (QPushButton* b : {cmdSaveAs, cmdClose}) SetUpBoxButton(*b);
  layout->addWidget(buttons);
  connect(cmdSaveAs, &QPushButton::clicked, this, &FormCheckTotals::cmdSaveAs_Click);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(LinesChoiceBox, &QComboBox::currentIndexChanged, this, [this] {
    range_.reset();
    ShowChoice();
  });

  RestoreSize(*this, services_.settings, kSize);
  FillChoices(choice);
  Refresh();
  if (parent != nullptr) PlaceBeside(*this, *parent->window());
  LinesTable->setFocus();
}

void FormCheckTotals::FillChoices(int choice) {
  const QSignalBlocker quiet(LinesChoiceBox);
  LinesChoiceBox->clear();
  LinesChoiceBox->addItem("All kept lines", int{kAllKeptLines});
  LinesChoiceBox->addItem("Selected lines", int{kSelectedLines});
  for (int s = 0; s < shown_.config.SitesInUse(); ++s) {
    LinesChoiceBox->addItem(ToQt(shown_.config.SiteNames[static_cast<size_t>(s)]) + "'s calls", s);
  }
  LinesChoiceBox->addItem("Calls credited to no site", int{kCreditedToNoSite});
  LinesChoiceBox->setCurrentIndex(std::max(0, LinesChoiceBox->findData(choice)));
}

void FormCheckTotals::Refresh() {
  setEnabled(true);
  caption_->setText(ToQt(shown_.tally.caption));
  BuildFigures();
  FillChoices(LinesChoiceBox->currentData().toInt());
  LinesTable->setColumnHidden(KeptLinesModel::kFile, shown_.log.LogFilePaths.size() <= 1);
  ShowChoice();
}

void FormCheckTotals::Choose(int choice) {
  range_.reset();
  {
    const QSignalBlocker quiet(LinesChoiceBox);
    LinesChoiceBox->setCurrentIndex(std::max(0, LinesChoiceBox->findData(choice)));
  }
  ShowChoice();
}

void FormCheckTotals::ChooseInRange(int site, const TimeRange& range, const QString& what) {
  {
    const QSignalBlocker quiet(LinesChoiceBox);
    LinesChoiceBox->setCurrentIndex(std::max(0, LinesChoiceBox->findData(site)));
  }
  range_ = range;
  range_name_ = what;
  ShowChoice();
}

void FormCheckTotals::Blank() {
  model_->SetRows({});
  setEnabled(false);
}

void FormCheckTotals::OpenLine(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const auto kept = static_cast<size_t>(model_->Rows()[static_cast<size_t>(row)]);
  const LineOrigin origin = shown_.log.LogLines()[kept].origin;
  const std::vector<std::string>& files = shown_.log.LogFilePaths;
  if (origin.file >= files.size()) return;
  FormLineContext window(files[origin.file], origin.line, shown_.log.LogLines()[kept].text, this);
  window.exec();
}

void FormCheckTotals::BuildFigures() {
  // Made anew for each tally: the figures shown depend on their values.
  auto* panel = new QWidget(this);
  panel->setObjectName("Figures");
  // The item given back for the old panel is the caller's to delete.
  delete layout()->replaceWidget(figures_, panel);
  delete figures_;
  figures_ = panel;
  // The tally's figures in the window's order; those always shown even at 0
  // come with `always`.
  using R = Reconciliation;
  struct Figure {
    uint64_t R::*value;
    const char* name;
    const char* label;
    bool always;
    const char* tip;
  };
  static constexpr Figure kFigures[] = {
      {&R::lines_read, "LinesRead", "Lines read", true, nullptr},
      {&R::kept, "LinesKept", "Call-end lines kept", true, nullptr},
      {&R::selected, "LinesSelected", "Selected", true, nullptr},
      {&R::credited, "LinesCredited", "Credited to a site", true, nullptr},
      {&R::unmatched, "LinesUnmatched", "Credited to no site", true, nullptr},
      {&R::beyond_kept_limit, "BeyondKeptLimit", "Beyond the kept-line limit", true,
       "Call-end lines past the lines a log keeps"},
      {&R::beyond_site_limit, "BeyondSiteLimit", "Beyond a site's limit", true,
       "Calls not counted because their site was full"},
      {&R::counted, "CallsCounted", "Calls counted", true, nullptr},
      {&R::seconds_not_counted, "SecondsNotCounted", "Calls counting 0 s", false, nullptr},
      {&R::without_from, "WithoutFrom", "Lines without 'from'", false, nullptr},
      {&R::without_lasted, "WithoutLasted", "Lines without 'lasted'", false, nullptr},
      {&R::without_time, "WithoutTime", "Lines without a time", false,
       "Kept lines whose stamp gives no date and time"},
  };
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  int shown = 0;
  for (const Figure& def : kFigures) {
    const uint64_t value = shown_.tally.reconciliation.*def.value;
    if (!def.always && value == 0) continue;
    auto* caption = new QLabel(QString(def.label) + ":", panel);
    auto* figure = new QLabel(QString::number(value), panel);
    figure->setObjectName(def.name);
    figure->setAccessibleName(def.label);
    figure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    caption->setBuddy(figure);
    if (def.tip != nullptr) caption->setToolTip(def.tip);
    const int row = shown / kFigureColumns;
    const int column = 2 * (shown % kFigureColumns);
    grid->addWidget(caption, row, column);
    grid->addWidget(figure, row, column + 1);
    ++shown;
  }
  for (int c = 1; c < 2 * kFigureColumns; c += 2) grid->setColumnStretch(c, 1);
}

void FormCheckTotals::ShowChoice() {
  std::vector<int32_t> rows = LinesOf(shown_.tally, LinesChoiceBox->currentData().toInt());
  if (range_) {
    std::erase_if(rows, [this](int32_t r) { return !range_->Contains(shown_.log.LineTime(r)); });
  }
  model_->SetRows(std::move(rows));
  const int shown = model_->rowCount();
  QString count = shown == 1 ? QString("1 line") : QString("%1 lines").arg(shown);
  if (range_) count += " in " + range_name_;
  RowCount->setText(count);
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
  return ToQt(AuditRowsText(shown_, rows, AuditTextForm::kTsv, true));
}

void FormCheckTotals::CopySelection() {
  const QString text = RowsAsText(true);
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void FormCheckTotals::cmdSaveAs_Click() {
  const std::optional<ChosenFile> chosen = services_.files.ShowSaveAs(
      this, "Save As", {"Audit of the lines shown (*.csv)"}, {services_.proposed_name()});
  if (!chosen || services_.refused(chosen->name)) return;
  const Status written = WriteOutputFile(FromQt(chosen->name), [&](ReportSink& sink) {
    WriteAuditRows(shown_, model_->Rows(), AuditTextForm::kCsv, sink, true);
  });
  if (!written.ok()) {
    services_.messages.Show(this, {MessageIcon::kWarning, MessageButtons::kOk, windowTitle(),
                                   "The lines were not saved.\n\n" + ToQt(written.message())});
  }
}

bool FormCheckTotals::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LinesTable && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) {
      CopySelection();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      OpenLine(LinesTable->currentIndex().row());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void FormCheckTotals::keyPressEvent(QKeyEvent* event) {
  // Enter in the choice would close the window.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      !qobject_cast<QPushButton*>(focusWidget())) {
    return;
  }
  QDialog::keyPressEvent(event);
}

void FormCheckTotals::done(int result) {
  StoreSize(*this, services_.settings, kSize);
  QDialog::done(result);
}

}  // namespace tallix
