#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

class QDialog;
class QLabel;

namespace cvcfg {

// The program's handlers run when the operator changes a control and when
// code selects it through the helpers below. Qt's setters emit none of the
// signals an operator's input emits, a click on a checked radio button still
// emits `clicked`, and a checked button of an exclusive group cannot be
// unchecked; these controls and helpers hide all three facts.

// An option button: one of a group of which one is selected. `onClick` runs
// when the operator's click (or key) selects it; a click on the button that
// is already selected runs `onClickSelected`, which most buttons leave empty.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(QWidget* parent = nullptr);
    std::function<void()> onClick;
    std::function<void()> onClickSelected;

protected:
    void nextCheckState() override;

private:
    bool m_changed = false;
};

// A drop-down list. `onClick` runs when the operator chooses an entry other
// than the one shown.
class ListBox : public QComboBox {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
    std::function<void()> onClick;

    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_changed = false;
};

// A check box.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(QWidget* parent = nullptr);
    std::function<void()> onClick;
};

// Wires each control of the table to its handler, a member function of
// `owner` named after the control, which runs when the operator uses it.
template <typename Owner, typename Control, std::size_t N>
void wireHandlers(Owner* owner, const std::pair<Control*, void (Owner::*)()> (&table)[N]) {
    for (const auto& [control, handler] : table) {
        if constexpr (std::is_base_of_v<OptionButton, Control> ||
                      std::is_base_of_v<ListBox, Control> || std::is_base_of_v<CheckBox, Control>) {
            control->onClick = [owner, handler = handler] {
                (owner->*handler)();
            };
        } else {
            QObject::connect(control, &QAbstractButton::clicked, owner, handler);
        }
    }
}

// ---- selecting from code: the handler runs as an operator's choice would ----

// Selects the button and runs its handler. A button that is already
// selected stays as it is and runs nothing, as a click on it does.
void choose(OptionButton* button);

// Clears the button without running anything, even in an exclusive group.
void deselect(OptionButton* button);

// Deselects, then selects: the handler runs even if the button was selected.
void reselect(OptionButton* button);

// Selects entry `index` of the list (-1 for none) and runs its handler, also
// when the entry was selected already.
void chooseIndex(ListBox* list, int index);

// Selects the entry whose text is `text` and runs the handler; false, and
// nothing run, when the list has no such entry. An editable list takes any
// text.
bool chooseText(ListBox* list, const QString& text);

// Checks or clears the box and runs its handler when its state changes.
void setChecked(CheckBox* box, bool checked);

// ---- showing the record: controls change, no handler runs ----

// Shows the button selected (or not), whatever its group.
void showChecked(QAbstractButton* button, bool checked = true);

// Shows `chosen` selected and every other button of its group not.
// With no button chosen, none of them is shown selected.
void showChoice(std::initializer_list<QAbstractButton*> group, QAbstractButton* chosen);

// Gives the list exactly these entries (kept when they are the same) and
// shows the entry `text` selected, or none when it has no such entry.
void showEntries(QComboBox* list, const QStringList& entries);
void showText(QComboBox* list, const QString& text);

// A text of the catalogue or the record (one byte a character) as the
// controls show it.
[[nodiscard]] inline QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Shows or hides every one of the widgets.
void showAll(std::initializer_list<QWidget*> widgets, bool visible);

// Moves a widget to its cell of the grid, if it is not there yet.
void placeInGrid(QGridLayout* grid, QWidget* widget, int row, int column);

// The values 0 to `last` as the octal texts of the station lists.
[[nodiscard]] QStringList octalEntries(int last);

// ---- names for assistive technology ----

// A label that captions one of two fields, whichever the mode shows: it names
// `shown` (its buddy), and `hidden` goes by `hiddenName` meanwhile, since its
// fallback, the frame's title, is one that other fields of the frame share.
void nameShownField(QLabel* label, QWidget* shown, QWidget* hidden, const QString& hiddenName);

// The name of a field that gives a captioned number in one of the bases
// shown side by side: "Network Address (decimal)".
[[nodiscard]] QString nameInBase(const QLabel* caption, const QString& base);

// ---- option buttons bound to a record field ----

// An option button that sets or clears one bit of a record field when it is
// chosen, and is shown selected while the bit is so.
struct BitOption {
    OptionButton* button;
    int32_t* field;
    int32_t mask;
    bool set;
};

// An option button that stores one value in a record field when it is
// chosen, and is shown selected while the field holds that value.
struct ValueOption {
    OptionButton* button;
    int32_t* field;
    int32_t value;
};

// Wires each option to write its field, then to run `show`.
void bindOptions(std::span<const BitOption> options, const std::function<void()>& show);
void bindOptions(std::span<const ValueOption> options, const std::function<void()>& show);

// Shows each option as its field stands; runs nothing.
void showOptions(std::span<const BitOption> options);
void showOptions(std::span<const ValueOption> options);

// ---- number boxes ----

// Makes the box one for whole numbers 0 to 65535, or nothing: a keystroke
// or a paste that would make anything else is refused and the box keeps
// what it had. The box is as wide as such a number.
void makeWordBox(QLineEdit* box);

// The box's number; nothing for an empty box.
[[nodiscard]] std::optional<int32_t> wordIn(const QLineEdit* box);

// Shows `text` in the box unless it shows it already, so that the cursor
// stays where the operator left it.
void showBoxText(QLineEdit* box, const QString& text);

// ---- dialogs ----

// Takes every push button of the dialog out of Qt's default-button choice,
// so that Enter in a box only ends the entry: by default Qt presses the
// first push button, which in these dialogs may reset or leave the data.
void withoutDefaultButton(QDialog* dialog);

// Shows the dialog in front, with the focus.
void showAndRaise(QDialog& dialog);

} // namespace cvcfg
