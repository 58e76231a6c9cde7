#include "shell/variantmenu.h"

#include "shell/application.h"
#include "shell/welcome.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace cvcfg {

VariantMenu::VariantMenu(Application& app) : m_app(app) {}

void VariantMenu::wireVariants(std::vector<VariantButton> variants, QLabel* description,
                               QPushButton* back) {
    m_variants = std::move(variants);
    m_description = description;
    // The descriptions wrap within the form instead of widening it, in room
    // made for the longest at the narrowest the label can be, so that no
    // description changes the form's size or is clipped.
    description->setWordWrap(true);
    description->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const QFontMetrics metrics = description->fontMetrics();
    const int width = metrics.averageCharWidth() * 30;
    description->setMinimumWidth(width);
    int height = metrics.lineSpacing() * 2;
    for (const VariantButton& variant : m_variants) {
        height = std::max(height, description->heightForWidth(width));
        const QString shown = description->text();
        description->setText(variant.button->toolTip());
        height = std::max(height, description->heightForWidth(width));
        description->setText(shown);
    }
    description->setFixedHeight(height);
    for (const VariantButton& variant : m_variants) {
        connect(variant.button, &QPushButton::clicked, this,
                [this, &variant] { runVariant(variant); });
        variant.button->installEventFilter(this);
    }
    connect(back, &QPushButton::clicked, this, &VariantMenu::Command10_Click);
}

bool VariantMenu::chooseVariant(std::string_view variant) {
    for (const VariantButton& row : m_variants) {
        if (row.variant == variant) {
            runVariant(row);
            return true;
        }
    }
    return false;
}

void VariantMenu::runVariant(const VariantButton& variant) {
    startRecord(m_app.record().LinkBaud);
    variant.handler();
}

bool VariantMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        if (auto* button = qobject_cast<QPushButton*>(watched)) {
            m_description->setText(button->toolTip());
        }
    }
    return QWidget::eventFilter(watched, event);
}

// The close box does what "Back" does.
void VariantMenu::closeEvent(QCloseEvent* event) {
    event->accept();
    Command10_Click();
}

void VariantMenu::Command10_Click() {
    unload();
    m_app.welcome().show();
}

} // namespace cvcfg
