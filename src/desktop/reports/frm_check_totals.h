#pragma once
// The Check Totals window: how the last tally's figures add up, and below
// them the kept lines behind any of them, with the audit's columns. A choice
// shows all kept lines, the selected ones, one site's counted calls or the
// calls credited to no site. Selected rows copy as tab-separated text (Ctrl+C
// or the context menu); "Save As..." writes the rows as shown in the audit's
// CSV. Both carry the audit's time column, which the table leaves out, so
// that a saved audit has the same columns as the command's. A double-click
// on a row, or Enter, shows its log line in context (frm_line_context.h).
// Not modal: it opens beside its owner, follows each new tally (Refresh),
// and its size is kept in the per-user settings under its own keys.

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "desktop/app/services.h"
#include "desktop/reports/kept_lines_model.h"
#include "engine/analysis/tally.h"
#include "engine/analysis/time_range.h"
#include "engine/reports/report_text.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace tallix {

// What the window needs from its owner.
using CheckTotalsServices = SavingWindowServices;

class FormCheckTotals : public QDialog {
 public:
  // Opens showing `choice` (a LinesChoice, or a site in use), beside
  // `parent` when there is one. What `shown` refers to and the services
  // must outlive the window.
  FormCheckTotals(const TalliedLog& shown, const CheckTotalsServices& services, int choice,
                  QWidget* parent = nullptr);

  // Shows the tally again, as it now stands, keeping the choice where it
  // still exists.
  void Refresh();
  // Shows `choice`.
  void Choose(int choice);
  // Shows site `site`'s counted calls whose time lies in `range`; `what`
  // names the range after the line count. Another choice shows all again.
  void ChooseInRange(int site, const TimeRange& range, const QString& what);
  // Shows nothing of the log while a load may change it.
  void Blank();
  // Shows the log line of the table's row `row` in context.
  void OpenLine(int row);

  // The rows shown, as tab-separated text: the selected ones, or all.
  QString RowsAsText(bool selected_only) const;

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildFigures();
  void FillChoices(int choice);
  void ShowChoice();
  void CopySelection();
  void cmdSaveAs_Click();

  TalliedLog shown_;
  CheckTotalsServices services_;
  KeptLinesModel* model_ = nullptr;
  std::optional<TimeRange> range_;  // of ChooseInRange, until another choice
  QString range_name_;
  QLabel* caption_ = nullptr;
  QWidget* figures_ = nullptr;
  QComboBox* LinesChoiceBox = nullptr;
  QTableView* LinesTable = nullptr;
  QLabel* RowCount = nullptr;
  QPushButton* cmdSaveAs = nullptr;
  QPushButton* cmdClose = nullptr;
};

}  // namespace tallix
