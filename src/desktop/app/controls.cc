#include "desktop/app/controls.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QTableView>
#include <type_traits>

#include "desktop/app/fonts.h"

namespace tallix {
namespace {

// A command button whose caption wraps onto a second line when the button is
// too narrow for it, as "Free Date Search" needs.
class WrapButton : public CommandButton {
 public:
  using CommandButton::CommandButton;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(rect().adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, text());
  }
};

QWidget* NewControl(ControlKind kind, const QString& text, QWidget* parent) {
  switch (kind) {
    case ControlKind::kLabel: {
      auto* label = new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::kReadOnlyBox:
    case ControlKind::kBox: {
      auto* box = new QLineEdit(text, parent);
      box->setReadOnly(kind == ControlKind::kReadOnlyBox);
      return box;
    }
    case ControlKind::kButton:
      return new CommandButton(text, parent);
    case ControlKind::kWrapButton:
      return new WrapButton(text, parent);
    case ControlKind::kCombo: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      return combo;
    }
    case ControlKind::kFrame:
      return new QGroupBox(text, parent);
  }
  qFatal("unknown control kind");
}

void Keep(QWidget* control, const ControlSlot& slot) {
  std::visit(
      [control](auto target) {
        if constexpr (!std::is_same_v<decltype(target), std::nullptr_t>) {
          *target = qobject_cast<std::remove_pointer_t<decltype(target)>>(control);
          if (*target == nullptr) qFatal("%s has another kind", qPrintable(control->objectName()));
        }
      },
      slot);
}

void Build(const ControlDef& def, const QString& name, const QString& text,
           const QString& accessible_name, QWidget* parent) {
  QWidget* control = NewNamedControl(def.kind, name, text, parent);
  if (!accessible_name.isEmpty()) {
    control->setAccessibleName(accessible_name);
    // A screen reader reaches the edit field inside a combo box on its own.
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit()) {
      combo->lineEdit()->setAccessibleName(accessible_name);
    }
  }
  PlaceInTwips(control, def.box);
  Keep(control, def.slot);
}

}  // namespace

QWidget* NewNamedControl(ControlKind kind, const QString& name, const QString& text,
                         QWidget* parent) {
  QWidget* control = NewControl(kind, text, parent);
  control->setObjectName(name);
  return control;
}

void ShowClippedTextAsToolTip(QLabel* label) {
  const bool fits =
      label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
  label->setToolTip(fits ? QString() : label->text());
}

void ShowBoxText(QLineEdit* box, const QString& text) {
  box->setText(text);
  // A box shows the text around its cursor, which setText puts at the end.
  box->setCursorPosition(0);
  QStyleOptionFrame option;
  option.initFrom(box);
  const QRect inner = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
  const QMargins margins = box->textMargins();
  // The line edit keeps a further 2 pixels each side of its text.
  const int room = inner.width() - margins.left() - margins.right() - 4;
  box->setToolTip(box->fontMetrics().horizontalAdvance(text) > room ? text : QString());
}

CommandButton::CommandButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setAutoDefault(false);
  setDefault(false);
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void BuildControls(std::span<const ControlDef> defs, QWidget* parent, int top_shift) {
  for (ControlDef def : defs) {
    def.box.top += top_shift;
    Build(def, def.name, def.text, def.accessible_name, parent);
  }
}

void BuildControlRows(std::span<const ControlRowDef> rows, int pitch, QWidget* parent) {
  for (const ControlRowDef& row : rows) {
    for (int i = 0; i < kSiteRows; ++i) {
      ControlDef def{row.kind, row.prefix, row.text, row.first};
      def.box.top += pitch * i;
      std::visit([&def, i](auto* cells) { def.slot = &(*cells)[static_cast<size_t>(i)]; },
                 row.cells);
      const QString number = QString::number(i + 1);
      Build(def, QString("%1%2").arg(row.prefix).arg(i), QString(row.text).replace("%1", number),
            QString(row.accessible_name).replace("%1", number), parent);
    }
  }
}

void SetUpResultWindow(QDialog& window, const char* name, const QString& title) {
  window.setObjectName(name);
  window.setWindowTitle(title);
  window.setFont(WindowFont());
  window.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  window.setSizeGripEnabled(true);
  window.setAttribute(Qt::WA_DeleteOnClose);
}

void SetUpResultTable(QTableView& table, const char* name, const char* spoken) {
  table.setObjectName(name);
  table.setAccessibleName(spoken);
  table.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table.setTabKeyNavigation(false);
  table.setWordWrap(false);
  // Rows of one line, none measured: forty thousand rows open at once.
  table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 4);
}

CopySaveCloseButtons AddCopySaveCloseButtons(QDialog& dialog, QLayout& layout,
                                             const char* box_name) {
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->setObjectName(box_name);
  CopySaveCloseButtons made{buttons->addButton("C&opy", QDialogButtonBox::ActionRole),
                            buttons->addButton("Save &As...", QDialogButtonBox::ActionRole),
                            buttons->addButton(QDialogButtonBox::Close)};
  made.copy->setObjectName("cmdCopy");
  made.save_as->setObjectName("cmdSaveAs");
  made.close->setObjectName("cmdClose");
  for (QPushButton* b : {made.copy, made.save_as, made.close}) SetUpBoxButton(*b);
  layout.addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return made;
}

void SetUpBoxButton(QPushButton& button) {
  button.setAutoDefault(false);
  button.setAccessibleName(button.text().remove('&').remove("..."));
}

}  // namespace tallix
