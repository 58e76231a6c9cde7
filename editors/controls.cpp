#include "editors/controls.h"

#include <QButtonGroup>
#include <QSignalBlocker>

namespace cvcfg {

namespace {

void run(const std::function<void()>& handler) {
    if (handler) {
        handler();
    }
}

} // namespace

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent) {
    connect(this, &QRadioButton::clicked, this, [this] { run(onClick); });
}

ListBox::ListBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this] { run(onClick); });
}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QCheckBox::clicked, this, [this] { run(onClick); });
}

void choose(OptionButton* button) {
    if (button->isChecked()) {
        return;
    }
    {
        const QSignalBlocker quiet(button);
        button->setChecked(true);
    }
    run(button->onClick);
}

void deselect(OptionButton* button) {
    if (!button->isChecked()) {
        return;
    }
    const QSignalBlocker quiet(button);
    QButtonGroup* group = button->group();
    if (group && group->exclusive()) {
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
    } else {
        const bool exclusive = button->autoExclusive();
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(exclusive);
    }
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

void chooseFirst(ListBox* list) {
    chooseIndex(list, list->count() > 0 ? 0 : -1);
}

bool chooseText(ListBox* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchExactly);
    if (index < 0 && !list->isEditable()) {
        return false;
    }
    {
        const QSignalBlocker quiet(list);
        if (index >= 0) {
            list->setCurrentIndex(index);
        } else {
            list->setCurrentIndex(-1);
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

} // namespace cvcfg
