#pragma once
// The kept lines of the last tally as a table model with the audit's columns:
// file, line, time stamp, number, seconds and result, and the cost with a
// tariff file. Rows are indices into
// the tally's lines; every cell is read from the tally when it is shown, so
// forty thousand rows cost one integer each.

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "engine/analysis/tally.h"
#include "engine/reports/report_text.h"

namespace tallix {

// Which kept lines a Check Totals table shows: a site's counted calls for a
// value >= 0, or one of the choices below.
enum LinesChoice : int {
  kAllKeptLines = -1,
  kSelectedLines = -2,
  kCreditedToNoSite = -3,
};

// The kept lines of `choice`, in log order.
std::vector<int32_t> LinesOf(const TallyResult& tally, int choice);

class KeptLinesModel : public QAbstractTableModel {
 public:
  // kCost is shown only with a tariff file.
  enum Column { kFile, kLine, kStamp, kNumber, kSeconds, kResult, kCost, kColumns };

  // What `shown` refers to must outlive the model and stay as it is.
  explicit KeptLinesModel(const TalliedLog& shown, QObject* parent = nullptr);

  // Shows `rows` (in log order), sorted as the last sort asked, after taking
  // the loaded files' names again.
  void SetRows(std::vector<int32_t> rows);
  // The kept line of each row, as shown.
  const std::vector<int32_t>& Rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Stable, so rows that compare equal stay in log order; the time stamp
  // sorts as log order, since a stamp without a year does not sort by text.
  void sort(int column, Qt::SortOrder order) override;

 private:
  void SortRows();

  TalliedLog shown_;
  QStringList files_;  // full paths
  QStringList names_;  // their file names
  std::vector<int32_t> rows_;
  int sort_column_ = kStamp;
  Qt::SortOrder sort_order_ = Qt::AscendingOrder;
};

}  // namespace tallix
