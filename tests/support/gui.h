#pragma once

#include "editors/formset.h"
#include "link/portbackend.h"
#include "tests/support/records.h"
#include "tests/support/scriptedoperator.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <chrono>
#include <functional>
#include <stdexcept>

namespace cvcfg::test {

// Lets queued events and deferred deletions (unloaded forms) happen.
inline void settle() {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Waits, with Qt's events running, until `done` holds or `within` passes.
inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds within = std::chrono::milliseconds(3000)) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

// A control of a form, found as the operator finds it: by its name. A name
// the form does not have fails the test loudly.
template <typename Control = QWidget> Control* child(const QObject* form, const char* name) {
    auto* control = form->findChild<Control*>(QString::fromLatin1(name));
    if (!control) {
        throw std::logic_error(form->objectName().toStdString() + " has no control " + name);
    }
    return control;
}

// Where the operator clicks a control: on the indicator of an option button
// or check box (a wide one takes no click right of its text), else its middle.
inline QPoint hitPoint(QWidget* control) {
    QStyleOptionButton option;
    option.initFrom(control);
    if (qobject_cast<QRadioButton*>(control)) {
        return control->style()
            ->subElementRect(QStyle::SE_RadioButtonIndicator, &option, control)
            .center();
    }
    if (qobject_cast<QCheckBox*>(control)) {
        return control->style()
            ->subElementRect(QStyle::SE_CheckBoxIndicator, &option, control)
            .center();
    }
    return control->rect().center();
}

// Clicks a control as the operator does, once the form has laid itself out
// after the last change.
inline void click(QWidget* control) {
    QApplication::processEvents();
    if (!control->isVisible()) {
        throw std::logic_error("the operator cannot click the hidden " +
                               control->objectName().toStdString());
    }
    QTest::mouseClick(control, Qt::LeftButton, {}, hitPoint(control));
}

inline void click(const QObject* form, const char* name) {
    click(child(form, name));
}

// Shows a form and makes it the active window, as the operator's click on it
// would.
inline bool showActive(QWidget* form) {
    form->show();
    form->activateWindow();
    return QTest::qWaitForWindowActive(form);
}

// Opens a list's pop-up with the mouse and picks the entry `text` in it with
// the keys (the offscreen platform gives a pop-up no mouse release).
// Opens the list and picks the entry in `row` with the keys an operator
// uses: Home, Down as often as needed, Return.
inline void pickRow(QComboBox* list, int row) {
    QApplication::processEvents();
    QTest::mouseClick(list, Qt::LeftButton);
    QAbstractItemView* view = list->view();
    if (!view->isVisible()) {
        throw std::logic_error(list->objectName().toStdString() + " opened no pop-up");
    }
    QTest::keyClick(view, Qt::Key_Home);
    for (int down = 0; down < row; ++down) {
        QTest::keyClick(view, Qt::Key_Down);
    }
    QTest::keyClick(view, Qt::Key_Return);
}

inline void pickEntry(QComboBox* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchExactly);
    if (index < 0) {
        throw std::logic_error(list->objectName().toStdString() + " has no entry " +
                               text.toStdString());
    }
    pickRow(list, index);
}

// The main menu's entry of COM port `port`: "COM3", or "COM3 — " and what
// stands behind it.
inline int portRow(const QComboBox* list, int port) {
    const QString name = QStringLiteral("COM%1").arg(port);
    for (int row = 0; row < list->count(); ++row) {
        const QString entry = list->itemText(row);
        if (entry == name || entry.startsWith(name + QStringLiteral(" \u2014 "))) {
            return row;
        }
    }
    return -1;
}

// Picks COM port `port` on the main menu's list as the operator does.
inline void pickPort(const QObject* menu, int port) {
    auto* list = child<QComboBox>(menu, "cboCOM");
    const int row = portRow(list, port);
    if (row < 0) {
        throw std::logic_error("the port list has no COM" + std::to_string(port));
    }
    pickRow(list, row);
}

inline void pickEntry(const QObject* form, const char* list, const QString& text) {
    pickEntry(child<QComboBox>(form, list), text);
}

// What a control shows: a list its entry, a label, text box or button its
// text.
inline QString shownText(const QObject* form, const char* name) {
    QWidget* control = child(form, name);
    if (auto* list = qobject_cast<QComboBox*>(control)) {
        return list->currentText();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        // Without the invisible marks where a long path may wrap.
        return label->text().remove(QChar(0x200B));
    }
    if (auto* box = qobject_cast<QLineEdit*>(control)) {
        return box->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text();
    }
    throw std::logic_error(std::string(name) + " shows no text");
}

// Clicks the item `name` of an open pop-up menu as the operator does.
inline void pickMenuItem(QMenu* menu, const char* name) {
    if (!menu->isVisible()) {
        throw std::logic_error(menu->objectName().toStdString() + " is not open");
    }
    QAction* action = child<QAction>(menu, name);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
}

// Picks an item of an editor's "CONFIGURATION Settings" pop-up as the
// operator does: the button, then the item.
inline void useFileMenu(QWidget* editor, const char* item) {
    click(editor, "cmdCONFIG");
    pickMenuItem(child<QMenu>(editor, "file_menu"), item);
}

// The record, serial layer and scripted operator that GUI tests hand to the
// forms; COM ports go through `ports`.
struct GuiContext {
    explicit GuiContext(PortMap map = {}) : ports(std::move(map)), backend(ports), serial(backend) {
        serial.setEventPump([] { QApplication::processEvents(); });
    }
    Session session() { return Session{record, serial, op}; }

    ConfigRecord record;
    PortMap ports;
    PortBackend backend;
    SerialLayer serial;
    ScriptedOperator op;
};

} // namespace cvcfg::test
