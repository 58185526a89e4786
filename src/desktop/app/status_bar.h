#pragma once
// The main window's status bar: the panel "Status", then the current date and
// the current time in the user's short forms, the date as the reports write
// it (LocalReportDateTime). It keeps the date and time current itself. A note,
// such as where a file went, takes the place of "Status" for a while.

#include <QStatusBar>

class QLabel;
class QTimer;

namespace tallix {

class ClockStatusBar : public QStatusBar {
 public:
  explicit ClockStatusBar(QWidget* parent = nullptr);

  QString StatusText() const;
  QString DateText() const;
  QString TimeText() const;

  // Shows `text` in the first panel for kNoteMs, then "Status" again.
  void ShowNote(const QString& text);
  // Ends the note shown, if any, at once.
  void EndNote();
  static constexpr int kNoteMs = 20000;

 private:
  void Refresh();

  QLabel* status_ = nullptr;
  QLabel* date_ = nullptr;
  QLabel* time_ = nullptr;
  QTimer* timer_ = nullptr;
  QTimer* note_timer_ = nullptr;
};

}  // namespace tallix
