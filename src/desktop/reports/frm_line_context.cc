#include "desktop/reports/frm_line_context.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cstring>

#include "desktop/app/fonts.h"
#include "desktop/app/qt_text.h"
#include "desktop/app/window_geometry.h"
#include "engine/analysis/call_time.h"
#include "engine/log/line_scanner.h"
#include "engine/log/log_loader.h"
#include "engine/log/log_text_reader.h"

namespace tallix {
namespace {

constexpr size_t kReadBytes = 64 * 1024;

}  // namespace

LineContext ReadLineContext(const std::string& path, uint64_t line, int around) {
  LineContext context;
  const auto before = static_cast<uint64_t>(around);
  const uint64_t first = line > before ? line - before : 1;
  const uint64_t last = line + before;
  context.first = first;
  // No loaded log is longer; the line sought lies within it.
  LogTextFile reader;
  Status result = reader.Open(path, kMaxLogFileSize);
  if (!result.ok()) {
    context.error = result.message();
    return context;
  }
  const auto keep = [](std::string& text, size_t limit, std::string_view bytes) {
    const size_t room = limit - std::min(limit, text.size());
    text.append(bytes.substr(0, room));
    return bytes.size() <= room;
  };
  std::vector<char> buffer(kReadBytes);
  uint64_t number = 1;  // of the line the next byte belongs to
  bool line_open = false;
  for (;;) {
    size_t got = 0;
    result = reader.Read(buffer.data(), buffer.size(), &got);
    if (!result.ok()) {
      context.error = result.message();
      context.lines.clear();
      return context;
    }
    if (got == 0) break;
    const char* at = buffer.data();
    const char* end = at + got;
    while (at < end && number <= last) {
      const auto* feed = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
      const std::string_view bytes(at, size_t((feed != nullptr ? feed : end) - at));
      if (number >= first) {
        if (!line_open) context.lines.emplace_back();
        line_open = true;
        LineContext::Line& shown = context.lines.back();
        if (!keep(shown.text, kContextLineBytes, bytes)) shown.cut = true;
        if (number == line) keep(context.marked, kMarkedLineBytes, bytes);
      }
      if (feed == nullptr) break;
      line_open = false;
      ++number;
      at = feed + 1;
    }
    if (number > last) break;
  }
  return context;
}

FormLineContext::FormLineContext(const std::string& path, uint64_t line, std::string_view kept,
                                 QWidget* parent)
    : QDialog(parent) {
  setObjectName("FormLineContext");
  const QString name = QFileInfo(ToQt(path)).fileName();
  setWindowTitle(QString("Line %1 of %2").arg(line).arg(name));
  setFont(WindowFont());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(this);
  auto* where = new QLabel(this);
  where->setObjectName("ContextWhere");
  where->setTextFormat(Qt::PlainText);
  where->setWordWrap(true);
  layout->addWidget(where);
  auto* box = new QPlainTextEdit(this);
  box->setObjectName("ContextBox");
  box->setAccessibleName("Log lines");
  box->setReadOnly(true);
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(box, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->setObjectName("ContextButtons");
  buttons->button(QDialogButtonBox::Close)->setObjectName("cmdClose");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  // Room for every line shown, and no more.
  box->setMinimumHeight(box->fontMetrics().lineSpacing() * (2 * kContextLines + 1) +
                        2 * box->frameWidth() +
                        2 * static_cast<int>(box->document()->documentMargin()));
  resize(720, sizeHint().height());
  if (parent != nullptr) FitToScreen(*this, *parent->window());

  const QString file_text = QString("\"%1\"").arg(ToQtMessage(path));
  // A line near the end of a large log is reached by reading all before it.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const LineContext context = ReadLineContext(path, line, kContextLines);
  QApplication::restoreOverrideCursor();
  const uint64_t marked = line - context.first;
  const bool found =
      context.error.empty() && marked < context.lines.size() && IsKeptFormOf(context.marked, kept);
  if (context.error.empty() && !found) {
    where->setText(QString("%1 has changed since it was loaded: its line %2 is no longer the "
                           "line that was counted. Open the log again to see it.")
                       .arg(file_text)
                       .arg(line));
    box->hide();
    return;
  }
  if (!context.error.empty()) {
    where->setText("The line could not be read again.\n\n" + ToQtMessage(context.error));
    box->hide();
    return;
  }
  where->setText(
      QString("%1, line %2 (marked), with the lines around it:").arg(file_text).arg(line));
  const int digits = static_cast<int>(QString::number(context.first + context.lines.size()).size());
  QStringList rows;
  for (size_t i = 0; i < context.lines.size(); ++i) {
    rows << QString("%1 %2  %3")
                .arg(i == marked ? ">" : " ")
                .arg(context.first + i, digits)
                .arg(ToQt(context.lines[i].text) + (context.lines[i].cut ? "\u2026" : ""));
  }
  box->setPlainText(rows.join('\n'));
  // The marked line stands out across the whole box, and has the cursor.
  QTextEdit::ExtraSelection mark;
  mark.cursor = QTextCursor(box->document()->findBlockByNumber(static_cast<int>(marked)));
  mark.format.setBackground(palette().highlight());
  mark.format.setForeground(palette().highlightedText());
  mark.format.setProperty(QTextFormat::FullWidthSelection, true);
  box->setExtraSelections({mark});
  box->setTextCursor(mark.cursor);
  box->centerCursor();
}

}  // namespace tallix
