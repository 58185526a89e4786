#pragma once
// The Show Log window: the report of the last tally in a fixed-pitch font, so
// that the summary table lines up. Modal; every opening builds the text anew,
// and whatever the user types into it is lost on closing.

#include <QDialog>

#include "desktop/app/services.h"
#include "engine/app/shared_data.h"

class QPlainTextEdit;
class QPushButton;

namespace tallix {

class FormShowLog : public QDialog {
 public:
  FormShowLog(const TallixData& shared, Clock& clock, QWidget* parent = nullptr);

 private:
  void Form_Load();
  void Command1_Click();

  const TallixData& data_;
  Clock& clock_;
  QPlainTextEdit* LogBox = nullptr;
  QPushButton* Command1 = nullptr;
};

}  // namespace tallix
