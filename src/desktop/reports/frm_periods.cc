#include "desktop/reports/frm_periods.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <string>
#include <vector>

#include "desktop/app/controls.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/window_geometry.h"
#include "engine/analysis/cost.h"
#include "engine/analysis/duration.h"
#include "engine/output/output_file.h"
#include "engine/reports/periods_csv.h"

namespace tallix {
namespace {

constexpr KeptSize kSize{"PeriodsWidth", "PeriodsHeight", 10500, 6000};

// The most Copy puts on the clipboard; Save As writes any length as it goes.
constexpr size_t kCopyLimitBytes = size_t{16} << 20;
// No row of the periods' CSV is shorter: "YYYY-MM,YYYY-MM-DD,YYYY-MM-DD,,0,0,0,0,,"
// and CR LF. So a table of many periods is known to be too long at once.
constexpr int64_t kShortestRowBytes = 42;

QDate ToQDate(std::chrono::year_month_day day) {
  return QDate(static_cast<int>(day.year()), static_cast<int>(static_cast<unsigned>(day.month())),
               static_cast<int>(static_cast<unsigned>(day.day())));
}

std::chrono::year_month_day FromQDate(const QDate& date) {
  return std::chrono::year{date.year()} / date.month() / date.day();
}

QString Duration(int64_t seconds) {
  char text[kMaxDurationBytes];
  return QString::fromLatin1(text, WriteDuration(seconds, text) - text);
}

QString Change(const std::optional<int64_t>& change) {
  if (!change) return {};
  return *change > 0 ? QString("+%1").arg(*change) : QString::number(*change);
}

// A change of duration: its size in the duration text, signed once ("+0d 6h
// 34m 1s", "-0d 0h 1m 40s"); no change is a duration of 0.
QString DurationChange(const std::optional<int64_t>& change) {
  if (!change) return {};
  // The sums of a period are far from 64 bits: their difference has a size.
  QString text = Duration(*change < 0 ? -*change : *change);
  if (*change != 0) text[0] = *change > 0 ? '+' : '-';
  return text;
}

}  // namespace

// The periods as rows, then the total of the days chosen; per site its
// calls, duration and the change in each against the period before, and its
// cost with a tariff file. Every cell is the engine's figure, as text. A
// period is made when it is shown: days centuries apart are millions of rows.
class PeriodsModel : public QAbstractTableModel {
 public:
  enum Figure { kCalls, kDuration, kCallsChange, kDurationChange, kCost };

  PeriodsModel(const SiteConfig& config, const Tariffs* tariffs, QObject* parent)
      : QAbstractTableModel(parent),
        config_(config),
        tariffs_(tariffs),
        per_site_(tariffs != nullptr ? 5 : 4) {}

  // `periods` must stay as it is until the next Show.
  void Show(const RangePeriods* periods, PeriodUnit unit) {
    beginResetModel();
    periods_ = periods != nullptr && periods->table.size() > 0 ? periods : nullptr;
    unit_ = unit;
    made_ = -1;
    endResetModel();
  }

  // The site of `column`; -1 for the period's.
  int SiteOf(int column) const { return column < 1 ? -1 : (column - 1) / per_site_; }
  bool IsTotal(int row) const { return periods_ != nullptr && row == periods_->table.size(); }
  // Row `row` (not the total's). REQUIRES: 0 <= row < rowCount() - 1.
  const PeriodRow& Period(int row) const {
    if (made_ != row) {
      period_ = periods_->table.At(row, label_, sites_);
      made_ = row;
    }
    return period_;
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() || periods_ == nullptr ? 0
                                                   : static_cast<int>(periods_->table.size() + 1);
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() || periods_ == nullptr ? 0 : 1 + periods_->table.sites() * per_site_;
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole && index.column() > 0) {
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    const bool total = IsTotal(index.row());
    if (index.column() == 0) {
      if (role != Qt::DisplayRole) return {};
      return total ? QString("Total") : ToQt(Period(index.row()).label);
    }
    const int site = SiteOf(index.column());
    const auto s = static_cast<size_t>(site);
    const PeriodSite figures =
        total ? PeriodSite{periods_->totals[s], {}, {}} : Period(index.row()).sites[s];
    const auto figure = static_cast<Figure>((index.column() - 1) % per_site_);
    if (figure == kCost)
      return CostData(figures.figures.cost, total ? nullptr : BudgetOf(site), role);
    if (role != Qt::DisplayRole) return {};
    switch (figure) {
      case kCalls:
        return QString::number(figures.figures.calls);
      case kDuration:
        return Duration(figures.figures.seconds);
      case kCallsChange:
        return Change(figures.change_calls);
      default:
        return DurationChange(figures.change_seconds);
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole || orientation == Qt::Vertical) return {};
    if (section == 0) return QString("Period");
    // Two lines: the site over its figure, so that a column is as wide as
    // its longer part.
    static const char* const kFigures[] = {"calls", "duration", "calls change", "duration change"};
    const auto figure = static_cast<Figure>((section - 1) % per_site_);
    QString name = figure == kCost ? QString("cost") : QString(kFigures[figure]);
    if (figure == kCost && !tariffs_->currency.empty()) name += " " + ToQt(tariffs_->currency);
    return ToQt(config_.SiteNames[static_cast<size_t>(SiteOf(section))]) + "\n" + name;
  }

 private:
  // The budget of `site` for periods of the table's unit; null when none.
  const Budget* BudgetOf(int site) const {
    return FindBudget(*tariffs_, config_.SiteNumbers[static_cast<size_t>(site)], unit_);
  }

  // A period's cost; over its budget it is marked by a sign and a colour,
  // and the tooltip gives both amounts.
  QVariant CostData(int64_t cost, const Budget* budget, int role) const {
    const bool over = budget != nullptr && OverBudget(cost, *budget);
    const QString text = ToQt(MoneyText(cost, tariffs_->decimals));
    switch (role) {
      case Qt::DisplayRole:
        return over ? QString("\u25B2 ") + text : text;
      case Qt::ToolTipRole: {
        if (budget == nullptr) return {};
        QString tip = text + " of " + ToQt(MoneyText(budget->amount, tariffs_->decimals));
        if (!tariffs_->currency.empty()) tip += " " + ToQt(tariffs_->currency);
        return over ? tip + ": over budget" : tip;
      }
      case Qt::BackgroundRole:
        return over ? QVariant(QColor(255, 210, 200)) : QVariant();
      case Qt::ForegroundRole:
        return over ? QVariant(QColor(Qt::black)) : QVariant();
      default:
        return {};
    }
  }

  const SiteConfig& config_;
  const Tariffs* tariffs_;
  const int per_site_;
  PeriodUnit unit_ = PeriodUnit::kMonth;
  const RangePeriods* periods_ = nullptr;
  // The period made last: a row is asked for once per cell.
  mutable int made_ = -1;
  mutable std::string label_;
  mutable std::vector<PeriodSite> sites_;
  mutable PeriodRow period_{};
};

FormPeriods::FormPeriods(const LoadedLog& log, const SiteConfig& config, const Tariffs* tariffs,
                         const PeriodsServices& services, QWidget* parent)
    : QDialog(parent), log_(log), config_(config), tariffs_(tariffs), services_(services) {
  SetUpResultWindow(*this, "FormPeriods", "Periods");

  auto* layout = new QVBoxLayout(this);
  auto* choices = new QHBoxLayout;
  auto* unit_label = new QLabel("&By:", this);
  unit_label->setObjectName("PeriodUnitLabel");
  PeriodUnitBox = new QComboBox(this);
  PeriodUnitBox->setObjectName("PeriodUnitBox");
  PeriodUnitBox->setAccessibleName("Periods by");
  PeriodUnitBox->addItem("Day", static_cast<int>(PeriodUnit::kDay));
  PeriodUnitBox->addItem("Week", static_cast<int>(PeriodUnit::kWeek));
  PeriodUnitBox->addItem("Month", static_cast<int>(PeriodUnit::kMonth));
  PeriodUnitBox->setCurrentIndex(2);
  unit_label->setBuddy(PeriodUnitBox);
  choices->addWidget(unit_label);
  choices->addWidget(PeriodUnitBox);
  const auto date_edit = [this, choices](const char* caption, const char* name,
                                         const char* spoken) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString(name) + "Label");
    auto* edit = new QDateEdit(this);
    edit->setObjectName(name);
    edit->setAccessibleName(spoken);
    edit->setCalendarPopup(true);
    // As the periods are labelled, and as --since and --until read it.
    edit->setDisplayFormat("yyyy-MM-dd");
    edit->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
    label->setBuddy(edit);
    choices->addSpacing(fontMetrics().horizontalAdvance("00"));
    choices->addWidget(label);
    choices->addWidget(edit);
    return edit;
  };
  FromDate = date_edit("&From:", "FromDate", "From day");
  ToDate = date_edit("&To:", "ToDate", "To day");
  choices->addStretch(1);
  layout->addLayout(choices);

  model_ = new PeriodsModel(config_, tariffs_, this);
  PeriodsTable = new QTableView(this);
  SetUpResultTable(*PeriodsTable, "PeriodsTable", "Calls per period and site");
  PeriodsTable->setModel(model_);
  PeriodsTable->verticalHeader()->hide();
  layout->addWidget(PeriodsTable, 1);
  connect(PeriodsTable, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenCell(index.row(), index.column()); });

  PeriodsNote = new QLabel(this);
  PeriodsNote->setObjectName("PeriodsNote");
  PeriodsNote->setAccessibleName("Periods shown");
  PeriodsNote->setTextFormat(Qt::PlainText);
  layout->addWidget(PeriodsNote);

  const CopySaveCloseButtons buttons = AddCopySaveCloseButtons(*this, *layout, "PeriodsButtons");
  cmdCopy = buttons.copy;
  cmdSaveAs = buttons.save_as;
  cmdClose = buttons.close;
  connect(cmdCopy, &QPushButton::clicked, this, &FormPeriods::CopyPeriods);
  connect(cmdSaveAs, &QPushButton::clicked, this, &FormPeriods::cmdSaveAs_Click);
  connect(PeriodUnitBox, &QComboBox::currentIndexChanged, this, &FormPeriods::Tally);
  connect(FromDate, &QDateEdit::dateChanged, this, &FormPeriods::Tally);
  connect(ToDate, &QDateEdit::dateChanged, this, &FormPeriods::Tally);

  RestoreSize(*this, services_.settings, kSize);
  Refresh(true);
  if (parent != nullptr) PlaceBeside(*this, *parent->window());
}

FormPeriods::~FormPeriods() = default;

void FormPeriods::Refresh(bool new_log) {
  setEnabled(true);
  const std::optional<LogDays> days = LogDaysOf(log_);
  {
    // One tally for both days, after them.
    const QSignalBlocker quiet_from(FromDate);
    const QSignalBlocker quiet_to(ToDate);
    if (days && new_log) {
      FromDate->setDate(ToQDate(days->first));
      ToDate->setDate(ToQDate(days->last));
    } else if (days && log_last_ && FromQDate(ToDate->date()) == *log_last_) {
      ToDate->setDate(ToQDate(days->last));
    }
  }
  log_last_.reset();
  if (days) log_last_ = days->last;
  Tally();
}

void FormPeriods::Blank() {
  model_->Show(nullptr, Unit());
  periods_.reset();
  setEnabled(false);
}

void FormPeriods::Tally() {
  // The model lets go of the periods before they go.
  model_->Show(nullptr, Unit());
  periods_.reset();
  const std::optional<LogDays> days = LogDaysOf(log_);
  const std::optional<TimeRange> range =
      DayRange(FromQDate(FromDate->date()), FromQDate(ToDate->date()));
  if (!days) {
    PeriodsNote->setText("No kept line of the log has a time.");
  } else if (!range) {
    PeriodsNote->setText("From lies after To.");
  } else {
    periods_ = TallyRangePeriods(log_, config_, *range, Unit(), tariffs_);
    const int64_t count = periods_->table.size();
    // Days of another year than the log's are the usual cause: its year may
    // come from the file's time.
    PeriodsNote->setText(count == 0 ? QString("No call counted between these days. The log's "
                                              "calls with a time run from %1 to %2.")
                                          .arg(ToQDate(days->first).toString(Qt::ISODate),
                                               ToQDate(days->last).toString(Qt::ISODate))
                         : count == 1 ? QString("1 period")
                                      : QString("%1 periods").arg(count));
  }
  model_->Show(periods_ ? &*periods_ : nullptr, Unit());
  PeriodsTable->resizeColumnsToContents();
  const bool shown = periods_ && periods_->table.size() > 0;
  cmdCopy->setEnabled(shown);
  cmdSaveAs->setEnabled(shown);
}

QString FormPeriods::PeriodsText() const {
  if (!periods_ || periods_->table.size() == 0) return {};
  const PeriodTable& table = periods_->table;
  const int64_t rows_allowed =
      static_cast<int64_t>(kCopyLimitBytes) / kShortestRowBytes / std::max(1, table.sites());
  if (table.size() > rows_allowed) {
    return {};
  }
  // Fewer rows than that may still be long ones: what passes the limit is
  // dropped as it is made.
  std::string text;
  ReportSink sink([&text](std::string_view bytes) {
    if (text.size() + bytes.size() > kCopyLimitBytes) return false;
    text += bytes;
    return true;
  });
  WritePeriods(sink);
  return sink.Finish() ? ToQt(text) : QString();
}

void FormPeriods::OpenCell(int row, int column) {
  const int site = model_->SiteOf(column);
  if (row < 0 || row >= model_->rowCount() || site < 0) return;
  const std::chrono::year_month_day from = FromQDate(FromDate->date());
  const std::chrono::year_month_day to = FromQDate(ToDate->date());
  if (model_->IsTotal(row)) {
    if (const std::optional<TimeRange> range = DayRange(from, to)) {
      services_.show_calls(site, *range, FromDate->text() + " to " + ToDate->text());
    }
    return;
  }
  const PeriodRow& period = model_->Period(row);
  // A period the days chosen cut: only its calls within them were counted.
  const std::optional<TimeRange> range =
      DayRange(std::max(period.first_day, from), std::min(period.last_day, to));
  if (range) services_.show_calls(site, *range, ToQt(period.label));
}

void FormPeriods::CopyPeriods() {
  if (!periods_ || periods_->table.size() == 0) return;
  const QString text = PeriodsText();
  if (text.isEmpty()) {
    services_.messages.Show(this, {MessageIcon::kInformation, MessageButtons::kOk, windowTitle(),
                                   "The periods are too long to copy: over 16 MB. Use Save As... "
                                   "to write them to a file."});
    return;
  }
  services_.copy(text);
}

void FormPeriods::cmdSaveAs_Click() {
  if (!periods_) return;
  const std::optional<ChosenFile> chosen = services_.files.ShowSaveAs(
      this, "Save As", {"Calls per period (*.csv)"}, {services_.proposed_name()});
  if (!chosen || services_.refused(chosen->name)) return;
  const Status written =
      WriteOutputFile(FromQt(chosen->name), [&](ReportSink& sink) { WritePeriods(sink); });
  if (!written.ok()) {
    services_.messages.Show(this,
                            {MessageIcon::kWarning, MessageButtons::kOk, windowTitle(),
                             "The periods were not saved.\n\n" + ToQtMessage(written.message())});
  }
}

PeriodUnit FormPeriods::Unit() const {
  return static_cast<PeriodUnit>(PeriodUnitBox->currentData().toInt());
}

void FormPeriods::WritePeriods(ReportSink& sink) const {
  if (tariffs_ == nullptr) {
    WritePeriodsCsv(periods_->table, config_.SiteNames, sink);
    return;
  }
  const PeriodCosts costs{*tariffs_, config_.SiteNumbers, Unit()};
  WritePeriodsCsv(periods_->table, config_.SiteNames, sink, &costs);
}

void FormPeriods::done(int result) {
  StoreSize(*this, services_.settings, kSize);
  QDialog::done(result);
}

}  // namespace tallix
