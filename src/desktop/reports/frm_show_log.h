#pragma once
// The Show Log window: the report of the last tally in a fixed-pitch font, so
// that the summary table lines up; long lines wrap at the box's width. Modal;
// every opening builds the text anew, and whatever the user types into it is
// lost on closing. Only "OK" and the close box close it: Escape does nothing,
// and the window opens where the window manager places new windows.

#include <QDialog>

#include "desktop/app/services.h"
#include "engine/analysis/tally.h"
#include "engine/reports/report_text.h"

class QPlainTextEdit;
class QPushButton;

namespace tallix {

class FormShowLog : public QDialog {
 public:
  FormShowLog(const TalliedLog& shown, Clock& clock, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Form_Load();
  void Command1_Click();

  TalliedLog shown_;
  Clock& clock_;
  QPlainTextEdit* LogBox = nullptr;
  QPushButton* Command1 = nullptr;
};

}  // namespace tallix
