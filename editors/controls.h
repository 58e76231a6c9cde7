#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <functional>

namespace cvcfg {

// The program's handlers run when the operator clicks a control and when code
// selects it. Qt's setters emit none of the signals an operator's click
// emits, and a checked button of an exclusive group cannot be unchecked, so
// the forms use these controls and select through the helpers below.

// An option button: one of a group of which one is selected.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(QWidget* parent = nullptr);
    std::function<void()> onClick;
};

// A drop-down list.
class ListBox : public QComboBox {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
    std::function<void()> onClick;
};

// A check box.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(QWidget* parent = nullptr);
    std::function<void()> onClick;
};

// Selects the button and runs its handler, as a click does. A button that is
// already selected stays as it is and runs nothing.
void choose(OptionButton* button);

// Clears the button without running anything, even in an exclusive group.
void deselect(OptionButton* button);

// Deselects, then selects: the handler runs even if the button was selected.
void reselect(OptionButton* button);

// Selects entry `index` of the list (-1 for none) and runs its handler.
void chooseIndex(ListBox* list, int index);

// Selects the first entry and runs the handler; an empty list selects
// nothing, and the handler runs on the empty text.
void chooseFirst(ListBox* list);

// Selects the entry whose text is `text` and runs the handler; false, and
// nothing run, when the list has no such entry. An editable list takes any
// text.
bool chooseText(ListBox* list, const QString& text);

// Checks or clears the box and runs its handler when its state changes.
void setChecked(CheckBox* box, bool checked);

} // namespace cvcfg
