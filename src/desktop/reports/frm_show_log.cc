#include "desktop/reports/frm_show_log.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "desktop/app/fonts.h"
#include "desktop/app/twips.h"
#include "engine/reports/report_text.h"

namespace tallix {

FormShowLog::FormShowLog(const TallixData& shared, Clock& clock, QWidget* parent)
    : QDialog(parent), data_(shared), clock_(clock) {
  setObjectName("FormShowLog");
  setWindowTitle("Show Log");
  setFont(WindowFont());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  const double dpi = logicalDpiX();
  resize(TwipsRect(0, 0, 7365, 6555, dpi).size());

  LogBox = new QPlainTextEdit("Text1", this);
  LogBox->setObjectName("LogBox");
  LogBox->setGeometry(TwipsRect(360, 240, 6735, 4935, dpi));
  LogBox->setFont(CourierNewFont(8.25));
  LogBox->setLineWrapMode(QPlainTextEdit::NoWrap);
  LogBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogBox->setTabChangesFocus(true);

  Command1 = new QPushButton("OK", this);
  Command1->setObjectName("Command1");
  Command1->setGeometry(TwipsRect(2400, 5520, 2535, 375, dpi));
  Command1->setAutoDefault(false);
  Command1->setDefault(false);
  QWidget::setTabOrder(LogBox, Command1);
  LogBox->setFocus();
  connect(Command1, &QPushButton::clicked, this, &FormShowLog::Command1_Click);

  Form_Load();
}

void FormShowLog::Form_Load() {
  // The report's lines end in CR LF; the text box wants plain line breaks.
  QString text = QString::fromLocal8Bit(ShowLogText(data_, clock_.Now()));
  text.replace("\r\n", "\n");
  LogBox->setPlainText(text);
}

void FormShowLog::Command1_Click() { accept(); }

}  // namespace tallix
