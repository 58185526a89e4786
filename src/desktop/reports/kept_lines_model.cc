#include "desktop/reports/kept_lines_model.h"

#include <QFileInfo>
#include <algorithm>
#include <functional>

#include "desktop/app/qt_text.h"
#include "engine/analysis/cost.h"
#include "engine/reports/report_text.h"

namespace tallix {

std::vector<int32_t> LinesOf(const TallyResult& tally, int choice) {
  std::vector<int32_t> rows;
  if (choice >= 0) {
    for (const CountedCall& call : tally.CallsOf(choice)) rows.push_back(call.line);
    return rows;
  }
  for (size_t r = 0; r < tally.lines.size(); ++r) {
    const LineResult& line = tally.lines[r];
    const bool shown = choice == kAllKeptLines || (choice == kSelectedLines && line.selected) ||
                       (choice == kCreditedToNoSite && line.selected && line.credited == 0);
    if (shown) rows.push_back(static_cast<int32_t>(r));
  }
  return rows;
}

KeptLinesModel::KeptLinesModel(const TalliedLog& shown, QObject* parent)
    : QAbstractTableModel(parent), shown_(shown) {}

void KeptLinesModel::SetRows(std::vector<int32_t> rows) {
  beginResetModel();
  files_.clear();
  names_.clear();
  for (const std::string& file : shown_.log.LogFilePaths) {
    files_ << ToQt(file);
    names_ << QFileInfo(files_.back()).fileName();
  }
  rows_ = std::move(rows);
  SortRows();
  endResetModel();
}

int KeptLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int KeptLinesModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_.tariffs != nullptr ? kColumns : kCost;
}

QVariant KeptLinesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const auto r = static_cast<size_t>(rows_[static_cast<size_t>(index.row())]);
  const LineResult& line = shown_.tally.lines[r];
  const LineOrigin origin = shown_.log.LogLines()[r].origin;
  const bool known = origin.file < static_cast<uint32_t>(files_.size());
  const QString file = known ? files_[static_cast<qsizetype>(origin.file)] : QString();
  if (role == Qt::TextAlignmentRole) {
    const bool figure =
        index.column() == kLine || index.column() == kSeconds || index.column() == kCost;
    return QVariant::fromValue(Qt::AlignVCenter | (figure ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role == Qt::ToolTipRole && index.column() == kFile) return file;
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kFile:
      return known ? names_[static_cast<qsizetype>(origin.file)] : QString();
    case kLine:
      return QString::number(origin.line);
    case kStamp:
      return ToQt(line.stamp);
    case kNumber:
      return ToQt(line.number);
    case kSeconds:
      return line.seconds_read ? QString::number(line.seconds) : QString();
    case kResult:
      return ToQt(LineResultText(shown_.config, line));
    case kCost:
      return line.cost && shown_.tariffs ? ToQt(MoneyText(*line.cost, shown_.tariffs->decimals))
                                         : QString();
    default:
      return {};
  }
}

QVariant KeptLinesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kHeaders[kColumns] = {"File",    "Line",   "Time stamp", "Number",
                                                 "Seconds", "Result", "Cost"};
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section == kCost && shown_.tariffs && !shown_.tariffs->currency.empty()) {
    return "Cost (" + ToQt(shown_.tariffs->currency) + ")";
  }
  return section >= 0 && section < kColumns ? kHeaders[section] : QVariant();
}

void KeptLinesModel::sort(int column, Qt::SortOrder order) {
  beginResetModel();
  sort_column_ = column;
  sort_order_ = order;
  SortRows();
  endResetModel();
}

void KeptLinesModel::SortRows() {
  std::sort(rows_.begin(), rows_.end());
  const auto line = [this](int32_t r) -> const LineResult& {
    return shown_.tally.lines[static_cast<size_t>(r)];
  };
  const auto origin = [this](int32_t r) {
    return shown_.log.LogLines()[static_cast<size_t>(r)].origin;
  };
  std::function<bool(int32_t, int32_t)> less;
  std::vector<std::string> results;
  switch (sort_column_) {
    case kFile:
      less = [&](int32_t a, int32_t b) { return origin(a).file < origin(b).file; };
      break;
    case kLine:
      less = [&](int32_t a, int32_t b) { return origin(a).line < origin(b).line; };
      break;
    case kNumber:
      less = [&](int32_t a, int32_t b) { return line(a).number < line(b).number; };
      break;
    case kSeconds:
      // A duration beyond 64 bits, shown empty, sorts first.
      less = [&](int32_t a, int32_t b) {
        const LineResult& x = line(a);
        const LineResult& y = line(b);
        if (x.seconds_read != y.seconds_read) return !x.seconds_read;
        return x.seconds < y.seconds;
      };
      break;
    case kResult:
      // Indexed by kept line; only the shown rows' texts are made.
      results.resize(shown_.tally.lines.size());
      for (const int32_t r : rows_)
        results[static_cast<size_t>(r)] = LineResultText(shown_.config, line(r));
      less = [&](int32_t a, int32_t b) {
        return results[static_cast<size_t>(a)] < results[static_cast<size_t>(b)];
      };
      break;
    case kCost:
      // A line without a cost sorts first.
      less = [&](int32_t a, int32_t b) { return line(a).cost < line(b).cost; };
      break;
    default:  // the time stamp: log order
      less = [](int32_t a, int32_t b) { return a < b; };
      break;
  }
  if (sort_order_ == Qt::AscendingOrder) {
    std::stable_sort(rows_.begin(), rows_.end(), less);
  } else {
    std::stable_sort(rows_.begin(), rows_.end(),
                     [&less](int32_t a, int32_t b) { return less(b, a); });
  }
}

}  // namespace tallix
