#include "editors/controls.h"

#include "core/codes.h"

#include <QButtonGroup>
#include <QSignalBlocker>
#include <utility>

namespace cvcfg {

namespace {

void run(const std::function<void()>& handler) {
    if (handler) {
        handler();
    }
}

} // namespace

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent) {
    connect(this, &QRadioButton::clicked, this, [this] {
        const bool changed = std::exchange(m_changed, false);
        run(changed ? onClick : onClickSelected);
    });
}

// Qt calls this only when a click really changes the button.
void OptionButton::nextCheckState() {
    QRadioButton::nextCheckState();
    m_changed = isChecked();
}

ListBox::ListBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, [this] { m_changed = true; });
    connect(this, &QComboBox::activated, this, [this] {
        if (std::exchange(m_changed, false)) {
            run(onClick);
        }
    });
}

// Each of the operator's ways into a list starts here: whether the choice
// changed the entry is judged from this moment on.
void ListBox::showPopup() {
    m_changed = false;
    QComboBox::showPopup();
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    m_changed = false;
    QComboBox::keyPressEvent(event);
}

void ListBox::wheelEvent(QWheelEvent* event) {
    m_changed = false;
    QComboBox::wheelEvent(event);
}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QCheckBox::clicked, this, [this] { run(onClick); });
}

void choose(OptionButton* button) {
    if (button->isChecked()) {
        return;
    }
    showChecked(button);
    run(button->onClick);
}

void deselect(OptionButton* button) {
    showChecked(button, false);
}

void reselect(OptionButton* button) {
    deselect(button);
    choose(button);
}

void chooseIndex(ListBox* list, int index) {
    {
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(index);
    }
    run(list->onClick);
}

bool chooseText(ListBox* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchExactly);
    if (index < 0 && !list->isEditable()) {
        return false;
    }
    {
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(index);
        if (index < 0) {
            list->setEditText(text);
        }
    }
    run(list->onClick);
    return true;
}

void setChecked(CheckBox* box, bool checked) {
    if (box->isChecked() == checked) {
        return;
    }
    {
        const QSignalBlocker quiet(box);
        box->setChecked(checked);
    }
    run(box->onClick);
}

void showChecked(QAbstractButton* button, bool checked) {
    if (button->isChecked() == checked) {
        return;
    }
    const QSignalBlocker quiet(button);
    QButtonGroup* group = button->group();
    if (!checked && group && group->exclusive()) {
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
    } else if (!checked) {
        const bool exclusive = button->autoExclusive();
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(exclusive);
    } else {
        button->setChecked(true);
    }
}

void showChoice(std::initializer_list<QAbstractButton*> group, QAbstractButton* chosen) {
    for (QAbstractButton* button : group) {
        if (button != chosen) {
            showChecked(button, false);
        }
    }
    if (chosen) {
        showChecked(chosen);
    }
}

void showEntries(QComboBox* list, const QStringList& entries) {
    QStringList present;
    for (int i = 0; i < list->count(); ++i) {
        present << list->itemText(i);
    }
    if (present == entries) {
        return;
    }
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(entries);
}

void showText(QComboBox* list, const QString& text) {
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(list->findText(text, Qt::MatchExactly));
}

QStringList octalEntries(int last) {
    QStringList entries;
    for (int value = 0; value <= last; ++value) {
        entries << QString::fromStdString(octalText(value));
    }
    return entries;
}

} // namespace cvcfg
