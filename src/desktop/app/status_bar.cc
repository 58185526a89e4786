#include "desktop/app/status_bar.h"

#include <QLabel>
#include <QLocale>
#include <QTime>
#include <QTimer>

#include "desktop/app/controls.h"
#include "desktop/app/qt_text.h"
#include "engine/reports/report_date_time.h"

namespace tallix {
namespace {

constexpr int kRefreshMs = 1000;

QLabel* Panel(const QString& name, QWidget* parent) {
  auto* label = qobject_cast<QLabel*>(NewNamedControl(ControlKind::kLabel, name, {}, parent));
  label->setFrameShape(QFrame::StyledPanel);
  label->setFrameShadow(QFrame::Sunken);
  label->setContentsMargins(4, 0, 4, 0);
  return label;
}

}  // namespace

ClockStatusBar::ClockStatusBar(QWidget* parent) : QStatusBar(parent) {
  setSizeGripEnabled(false);
  status_ = Panel("sbStatusPanel", this);
  status_->setText("Status");
  date_ = Panel("sbDatePanel", this);
  time_ = Panel("sbTimePanel", this);
  addPermanentWidget(status_, 1);
  addPermanentWidget(date_);
  addPermanentWidget(time_);
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &ClockStatusBar::Refresh);
  timer_->start(kRefreshMs);
  Refresh();
  note_timer_ = new QTimer(this);
  note_timer_->setSingleShot(true);
  connect(note_timer_, &QTimer::timeout, this, [this] {
    status_->setText("Status");
    status_->setToolTip({});
  });
}

void ClockStatusBar::ShowNote(const QString& text) {
  status_->setText(text);
  status_->setToolTip(text);
  note_timer_->start(kNoteMs);
}

void ClockStatusBar::EndNote() {
  if (!note_timer_->isActive()) return;
  note_timer_->stop();
  status_->setText("Status");
  status_->setToolTip({});
}

QString ClockStatusBar::StatusText() const { return status_->text(); }
QString ClockStatusBar::DateText() const { return date_->text(); }
QString ClockStatusBar::TimeText() const { return time_->text(); }

void ClockStatusBar::Refresh() {
  // The date in the same short form as the reports' title lines.
  date_->setText(ToQt(LocalReportDateTime().date));
  time_->setText(QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat));
}

}  // namespace tallix
