#include "shell/choosevariant.h"

#include "core/catalogue.h"
#include "shell/application.h"
#include "shell/welcome.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

namespace cvcfg {

ChooseVariant::ChooseVariant(Application& app, std::string path,
                             std::vector<const Variant*> variants)
    : m_app(app), m_path(std::move(path)), m_variants(std::move(variants)),
      m_lstVariants(new QListWidget(this)), m_cmdOpen(new QPushButton(tr("&Open"), this)) {
    setObjectName(QStringLiteral("ChooseVariant"));
    setWindowTitle(tr("Open Corvane Configuration Settings"));
    const QString file = QString::fromStdString(std::filesystem::path(m_path).filename().string());
    auto* lblFile = new QLabel(
        tr("The layout of %1 fits the configuration files of these products. Which product and "
           "variant is it for?")
            .arg(file),
        this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setWordWrap(true);
    lblFile->setBuddy(m_lstVariants);

    m_lstVariants->setObjectName(QStringLiteral("lstVariants"));
    m_lstVariants->setAccessibleName(tr("Product and variant"));
    for (const Variant* variant : m_variants) {
        m_lstVariants->addItem(
            QString::fromLatin1(variant->name.data(), static_cast<int>(variant->name.size())));
    }
    m_lstVariants->setCurrentRow(0);

    m_cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    m_cmdOpen->setAccessibleName(tr("Open the file as the chosen variant"));
    m_cmdOpen->setDefault(true);
    auto* cmdCancel = new QPushButton(tr("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAccessibleName(tr("Cancel and go to product selection"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cmdOpen, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFile);
    layout->addWidget(m_lstVariants);
    layout->addWidget(buttons);

    connect(m_cmdOpen, &QPushButton::clicked, this, &ChooseVariant::cmdOpen_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &ChooseVariant::cmdCancel_Click);
    connect(m_lstVariants, &QListWidget::itemActivated, this, &ChooseVariant::cmdOpen_Click);
}

ChooseVariant::~ChooseVariant() = default;

void ChooseVariant::cmdOpen_Click() {
    const int row = m_lstVariants->currentRow();
    if (row < 0 || row >= static_cast<int>(m_variants.size())) {
        return;
    }
    const Variant& variant = *m_variants[static_cast<std::size_t>(row)];
    const std::string path = m_path;
    Application& app = m_app;
    hide();
    // Unloading deletes this form only once its handler has returned.
    app.unloadChooseVariant();
    app.openFileAs(path, variant);
}

void ChooseVariant::cmdCancel_Click() {
    hide();
    m_app.unloadChooseVariant();
    m_app.welcome().show();
}

void ChooseVariant::closeEvent(QCloseEvent* event) {
    event->accept();
    cmdCancel_Click();
}

} // namespace cvcfg
