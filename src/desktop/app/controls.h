#pragma once
// Builds a window's controls from its design table. Every control carries its
// design name as its object name (tests and tools find it by that name), its
// caption or first text, and its place in twips. Command buttons are never
// the default button; Enter on a focused one clicks it, as Space does.

#include <QDialog>
#include <QLayout>
#include <QPushButton>
#include <array>
#include <span>
#include <variant>

#include "desktop/app/twips.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace tallix {

// The site rows of the main window and of the Options dialog.
inline constexpr int kSiteRows = 10;

enum class ControlKind {
  kLabel,
  kReadOnlyBox,  // a single-line text box the user cannot edit
  kBox,          // an editable single-line text box
  kButton,
  kWrapButton,  // a button whose caption wraps onto a second line
  kCombo,       // editable text with an unsorted drop-down list
  kFrame,       // a captioned frame; its controls are placed inside it
};

// Where the built control is kept; nullptr when nothing refers to it later.
using ControlSlot =
    std::variant<std::nullptr_t, QLabel**, QLineEdit**, QPushButton**, QComboBox**, QGroupBox**>;

struct ControlDef {
  ControlKind kind;
  const char* name;
  const char* text;
  TwipsBox box;
  ControlSlot slot = nullptr;
  // What a screen reader calls the control, where its text does not say it:
  // a text box takes its label's caption.
  const char* accessible_name = nullptr;
};

// A control array: row i is named `prefix` followed by i and stands `pitch`
// twips below row i - 1. In `text`, "%1" stands for the row's number
// counted from 1, in `text` and in `accessible_name`.
struct ControlRowDef {
  ControlKind kind;
  const char* prefix;
  const char* text;
  TwipsBox first;
  std::variant<std::array<QLabel*, kSiteRows>*, std::array<QLineEdit*, kSiteRows>*> cells;
  const char* accessible_name = nullptr;
};

// One control of `kind` named `name` in `parent`, not yet placed.
QWidget* NewNamedControl(ControlKind kind, const QString& name, const QString& text,
                         QWidget* parent);

// Builds the controls in `parent`, moved `top_shift` twips down (negative:
// up) from their design places, and stores each in its slot.
void BuildControls(std::span<const ControlDef> defs, QWidget* parent, int top_shift = 0);
void BuildControlRows(std::span<const ControlRowDef> rows, int pitch, QWidget* parent);

// Gives `label` its whole text as a tooltip when the text is wider than the
// label, and no tooltip when it fits.
void ShowClippedTextAsToolTip(QLabel* label);

// Puts `text` in the read-only `box`, shown from its first character, with
// the whole text as a tooltip when it is wider than the box.
void ShowBoxText(QLineEdit* box, const QString& text);

// A window of results beside the main one: named `name`, titled `title`, in
// the window font, resizable, without a help button, deleted when closed.
void SetUpResultWindow(QDialog& window, const char* name, const QString& title);

// A table of results that the user reads but does not edit, named `name`
// and called `spoken` by a screen reader. Tab moves on to the next control,
// as from any other; every row is one line of the table's font high.
void SetUpResultTable(QTableView& table, const char* name, const char* spoken);

// The Copy (Alt+O: Alt+C is Close's), Save As... and Close buttons of a
// window beside the main one, named cmdCopy, cmdSaveAs and cmdClose, in a
// box named `box_name` that rejects `dialog` on Close.
struct CopySaveCloseButtons {
  QPushButton* copy;
  QPushButton* save_as;
  QPushButton* close;
};
CopySaveCloseButtons AddCopySaveCloseButtons(QDialog& dialog, QLayout& layout,
                                             const char* box_name);
// A button of such a box: not the default, and spoken by its caption
// without the access key or the dots.
void SetUpBoxButton(QPushButton& button);

// A command button: never the default; Enter and Return click it when it has
// the focus.
class CommandButton : public QPushButton {
 public:
  explicit CommandButton(const QString& text, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tallix
