#pragma once
// The main window's status bar: the panel "Status", then the current date and
// the current time in the user's short forms, the date as the reports write
// it (LocalReportClock). It keeps the date and time
// current itself; nothing else writes to it.

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

 private:
  void Refresh();

  QLabel* status_ = nullptr;
  QLabel* date_ = nullptr;
  QLabel* time_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace tallix
