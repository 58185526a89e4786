#include "desktop/reports/frm_show_log.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

#include "desktop/app/controls.h"
#include "desktop/app/fonts.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/twips.h"
#include "engine/reports/report_text.h"

namespace tallix {

FormShowLog::FormShowLog(const TalliedLog& shown, Clock& clock, QWidget* parent)
    : QDialog(parent), shown_(shown), clock_(clock) {
  setObjectName("FormShowLog");
  setWindowTitle("Show Log");
  setFont(WindowFont());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(TwipsRect({0, 0, 7365, 6555}, logicalDpiX()).size());

  LogBox = new QPlainTextEdit("Text1", this);
  LogBox->setObjectName("LogBox");
  // The window has no label for the box; a screen reader names it by this.
  LogBox->setAccessibleName("Summary and calls");
  PlaceInTwips(LogBox, {360, 240, 6735, 4935});
  LogBox->setFont(CourierNewFont(8.25));
  LogBox->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  LogBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  LogBox->setTabChangesFocus(true);

  const ControlDef ok_button[] = {
      {ControlKind::kButton, "Command1", "OK", {2400, 5520, 2535, 375}, &Command1}};
  BuildControls(ok_button, this);
  QWidget::setTabOrder(LogBox, Command1);
  LogBox->setFocus();
  connect(Command1, &QPushButton::clicked, this, &FormShowLog::Command1_Click);

  Form_Load();
}

void FormShowLog::showEvent(QShowEvent* event) {
  // QDialog's own would centre the window over its owner.
  QWidget::showEvent(event);
}

void FormShowLog::keyPressEvent(QKeyEvent* event) {
  // No button is the cancel button here.
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

void FormShowLog::Form_Load() {
  // The report's lines end in CR LF; the text box wants plain line breaks.
  const ReportHeading heading = MakeReportHeading(shown_.log, clock_.Now());
  QString text = ToQt(ShowLogText({shown_.log, shown_.config, shown_.tally, heading}));
  text.replace("\r\n", "\n");
  LogBox->setPlainText(text);
}

void FormShowLog::Command1_Click() { accept(); }

}  // namespace tallix
