#include "editors/controls.h"

#include "core/codes.h"
#include "core/record.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QValidator>
#include <algorithm>
#include <utility>

namespace cvcfg {

namespace {

void run(const std::function<void()>& handler) {
    if (handler) {
        handler();
    }
}

constexpr int kLargestWord = 65535;

// Whole numbers that fit two bytes of the image, or nothing. Leading zeros
// are dropped as they come, so that they take no room: "040010" is 40010.
// There is no length limit, which would cut a pasted "123456" to 12345; a
// text whose number does not fit is refused whole.
class WordValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override {
        for (const QChar c : input) {
            if (c < u'0' || c > u'9') {
                return Invalid;
            }
        }
        qsizetype zeros = 0;
        while (zeros + 1 < input.size() && input[zeros] == u'0') {
            ++zeros;
        }
        input.remove(0, zeros);
        position = std::max(0, position - static_cast<int>(zeros));
        constexpr qsizetype kDigits = 5;
        return input.size() <= kDigits && input.toInt() <= kLargestWord ? Acceptable : Invalid;
    }
};

// A digit typed into a box that shows a lone "0" replaces it, wherever the
// cursor stands: the 0 of a row in use is a placeholder, not a first digit.
class ZeroReplacer : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (box && event->type() == QEvent::KeyPress && box->text() == QStringLiteral("0") &&
            !box->hasSelectedText()) {
            const QString typed = static_cast<QKeyEvent*>(event)->text();
            if (typed.size() == 1 && typed[0].isDigit()) {
                box->selectAll();
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// A list as assistive technology sees it: named like a text box (its
// accessible name, else the label whose buddy it is), its value the entry
// shown, its one child the list of entries. Qt's own drop-down lists on Linux
// are named by the entry they show, which tells a screen reader's user, and
// a test, nothing of what the list is for.
class ListBoxAccessible : public QAccessibleWidget {
public:
    explicit ListBoxAccessible(ListBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return list()->currentText();
        }
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == list()->view() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            list()->showPopup();
        }
    }

private:
    [[nodiscard]] ListBox* list() const { return static_cast<ListBox*>(widget()); }
};

QAccessibleInterface* listBoxAccessible(const QString& className, QObject* object) {
    auto* list = qobject_cast<ListBox*>(object);
    if (list && className == QLatin1String(ListBox::staticMetaObject.className())) {
        return new ListBoxAccessible(list);
    }
    return nullptr;
}

} // namespace

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent) {
    connect(this, &QRadioButton::clicked, this, [this] {
        const bool changed = std::exchange(m_changed, false);
        run(changed ? onClick : onClickSelected);
    });
}

// Qt calls this only when a click really changes the button. Only choosing
// another button of the group clears an option button, though Qt lets a
// click clear the only button of its parent.
void OptionButton::nextCheckState() {
    if (isChecked()) {
        m_changed = false;
        return;
    }
    QRadioButton::nextCheckState();
    m_changed = isChecked();
}

ListBox::ListBox(QWidget* parent) : QComboBox(parent) {
    static const bool kAccessible = (QAccessible::installFactory(listBoxAccessible), true);
    (void)kAccessible;
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

void placeInGrid(QGridLayout* grid, QWidget* widget, int row, int column) {
    int atRow = -1;
    int atColumn = -1;
    int rowSpan = 0;
    int columnSpan = 0;
    const int index = grid->indexOf(widget);
    if (index >= 0) {
        grid->getItemPosition(index, &atRow, &atColumn, &rowSpan, &columnSpan);
        if (atRow == row && atColumn == column) {
            return;
        }
        grid->removeWidget(widget);
    }
    grid->addWidget(widget, row, column);
}

void showAll(std::initializer_list<QWidget*> widgets, bool visible) {
    for (QWidget* widget : widgets) {
        widget->setVisible(visible);
    }
}

QStringList octalEntries(int last) {
    QStringList entries;
    for (int value = 0; value <= last; ++value) {
        entries << QString::fromStdString(octalText(value));
    }
    return entries;
}

void nameShownField(QLabel* label, QWidget* shown, QWidget* hidden, const QString& hiddenName) {
    label->setBuddy(shown);
    shown->setAccessibleName(QString());
    hidden->setAccessibleName(hiddenName);
}

QString nameInBase(const QLabel* caption, const QString& base) {
    return QStringLiteral("%1 (%2)").arg(caption->text(), base.toLower());
}

void bindOptions(std::span<const BitOption> options, const std::function<void()>& show) {
    for (const BitOption& option : options) {
        option.button->onClick = [option, show] {
            *option.field = option.set ? SetBits(*option.field, option.mask)
                                       : ClearBits(*option.field, option.mask);
            show();
        };
    }
}

void bindOptions(std::span<const ValueOption> options, const std::function<void()>& show) {
    for (const ValueOption& option : options) {
        option.button->onClick = [option, show] {
            *option.field = option.value;
            show();
        };
    }
}

void showOptions(std::span<const BitOption> options) {
    for (const BitOption& option : options) {
        showChecked(option.button, ((*option.field & option.mask) != 0) == option.set);
    }
}

void showOptions(std::span<const ValueOption> options) {
    for (const ValueOption& option : options) {
        showChecked(option.button, *option.field == option.value);
    }
}

void makeWordBox(QLineEdit* box) {
    box->setValidator(new WordValidator(box));
    box->installEventFilter(new ZeroReplacer(box));
    constexpr int kRoom = 16; // frame and cursor
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + kRoom);
}

std::optional<int32_t> wordIn(const QLineEdit* box) {
    bool number = false;
    const int value = box->text().toInt(&number);
    return number ? std::optional<int32_t>(value) : std::nullopt;
}

void showBoxText(QLineEdit* box, const QString& text) {
    if (box->text() != text) {
        box->setText(text);
    }
}

void withoutDefaultButton(QDialog* dialog) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

void showAndRaise(QDialog& dialog) {
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

} // namespace cvcfg
