#include "shell/qtoperator.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

namespace cvcfg {

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.c_str());
}

} // namespace

QString qtFileFilter(const std::string& filter) {
    const QStringList parts = latin1(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        if (const qsizetype open = name.lastIndexOf(QStringLiteral(" ("));
            open > 0 && name.endsWith(')')) {
            name.truncate(open);
        }
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'))) {
            patterns << pattern;
            if (pattern.toLower() != pattern) {
                patterns << pattern.toLower();
            }
        }
        filters << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

Answer QtOperator::showMessage(const MessageBox& box) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (box.icon) {
    case Icon::Critical:
        icon = QMessageBox::Critical;
        break;
    case Icon::Exclamation:
        icon = QMessageBox::Warning;
        break;
    case Icon::Information:
        icon = QMessageBox::Information;
        break;
    case Icon::None:
        break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (box.buttons == Buttons::OkCancel) {
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
    } else if (box.buttons == Buttons::YesNo) {
        buttons = QMessageBox::Yes | QMessageBox::No;
    }
    QMessageBox message(icon, box.title.empty() ? QStringLiteral("CVCFG") : latin1(box.title),
                        latin1(messageLines(box.prompt)), buttons, QApplication::activeWindow());
    switch (message.exec()) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Ok;
    }
}

std::optional<std::string> QtOperator::chooseSaveFile(const std::string& filter) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(qtFileFilter(filter));
    // A name typed without extension gets the configuration files' one.
    dialog.setDefaultSuffix(QStringLiteral("CVF"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtOperator::chooseOpenFile(const std::string& filter,
                                                      const std::string& title) {
    const QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), latin1(title),
                                                      QString(), qtFileFilter(filter));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}

std::optional<std::string> QtOperator::askText(const TextQuestion& question) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(latin1(question.title));
    dialog.setLabelText(latin1(question.prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(latin1(question.initial));
    if (auto* box = dialog.findChild<QLineEdit*>()) {
        box->setAccessibleName(latin1(question.field));
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue().trimmed().toStdString();
}

void QtOperator::openWebPage(const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtOperator::processEvents() {
    QApplication::processEvents();
}

} // namespace cvcfg
