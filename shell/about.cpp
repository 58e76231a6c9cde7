#include "shell/about.h"

#include "shell/application.h"
#include "shell/welcome.h"
#include "ui_about.h"

#include <QCloseEvent>

namespace cvcfg {

About::About(Application& app) : m_app(app), m_ui(std::make_unique<Ui::about>()) {
    m_ui->setupUi(this);
    connect(m_ui->Command1, &QPushButton::clicked, this, &About::Command1_Click);
    connect(m_ui->Label7, &QLabel::linkActivated, this,
            [this](const QString& link) { m_app.session().op.openWebPage(link.toStdString()); });
}

About::~About() = default;

void About::Command1_Click() {
    m_app.unloadAbout();
    m_app.welcome().show();
}

// The close box does what OK does: product selection comes back.
void About::closeEvent(QCloseEvent* event) {
    event->accept();
    Command1_Click();
}

} // namespace cvcfg
