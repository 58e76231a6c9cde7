#include "editors/channeldialogs.h"
#include "editors/cv210params.h"
#include "shell/forms.h"
#include "ui_about.h"
#include "ui_cv210_params.h"
#include "ui_welcome.h"

#include <QCloseEvent>
#include <QLocale>

namespace cvcfg {

QString welcomeDateText(const QDate& date) {
    return QLocale(QLocale::English).toString(date, QStringLiteral("MMMM.dd, yy"));
}

Welcome::Welcome(Application& app) : m_app(app), m_ui(std::make_unique<Ui::Welcome>()) {
    m_ui->setupUi(this);
    setWindowTitle(windowTitle() + welcomeDateText(QDate::currentDate()));
    Ui::Welcome& ui = *m_ui;
    connect(ui.Command4, &QToolButton::clicked, this, [this] { startCV210(); });
    connect(ui.Command2, &QToolButton::clicked, this, [this] { startPC104(); });
    connect(ui.Command5, &QToolButton::clicked, this,
            [this] { m_app.notAvailable(QStringLiteral("The CV310 family")); });
    connect(ui.Command6, &QToolButton::clicked, this,
            [this] { m_app.notAvailable(QStringLiteral("The CV320 family")); });
    connect(ui.Command7, &QToolButton::clicked, this,
            [this] { m_app.notAvailable(QStringLiteral("The CV-PCI card")); });
    connect(ui.Command3, &QPushButton::clicked, this, [this] {
        hide();
        m_app.about().show();
    });
    connect(ui.Command1, &QPushButton::clicked, this, [this] { m_app.endProgram(); });
    connect(ui.Label7, &QLabel::linkActivated, this,
            [this](const QString& link) { m_app.context().op.openWebPage(link.toStdString()); });
}

Welcome::~Welcome() = default;

void Welcome::startCV210() {
    ConfigRecord& record = m_app.record();
    record.BridgeCaption = "DF1 via USB/Serial to ";
    record.ModelName = "CV210";
    const Answer answer = m_app.context().op.showMessage(
        {"Is the serial number of the REVISION 2 CV210 Greater or Equal to 21000 starting "
         "February 2004",
         Buttons::YesNo, Icon::None, "!CHECK CV210 Rev2 SERIAL NUMBER!"});
    record.LinkBaud = answer == Answer::Yes ? "19200" : "9600";
    hide();
    m_app.model_CV210().show();
}

void Welcome::startPC104() {
    ConfigRecord& record = m_app.record();
    m_app.context().op.showMessage(
        {"This version of CVCFG is for CV-PC/104's with MODBUS to DH+ Firmware!", Buttons::Ok,
         Icon::Information, "NOTE - Check CV-PC/104's Model"});
    record.LinkBaud = "9600";
    record.ModelName = "CV-PC/104-MODBUS";
    ModelCV210& variants = m_app.model_CV210();
    variants.CV210s();
    CV210Params& editor = m_app.editors().cv210Params();
    editor.setWindowTitle(QStringLiteral("Configuration of [CV-PC/104-MODBUS] - MAIN MENU"));
    record.ModelVariant = "CV-PC/104-MODBUS";
    hide();
    // The card has neither DH-485 nor the serial DF1 port.
    editor.ui().optDH485->hide();
    editor.ui().optStandardDF1->hide();
    editor.ui().frmBusProt->hide();
    variants.Setup_MODBUS();
    variants.unload_CV120();
}

void Welcome::closeEvent(QCloseEvent* event) {
    event->accept();
    m_app.endProgram();
}

About::About(Application& app) : m_app(app), m_ui(std::make_unique<Ui::about>()) {
    m_ui->setupUi(this);
    connect(m_ui->Command1, &QPushButton::clicked, this, [this] {
        m_app.unloadAbout();
        m_app.welcome().show();
    });
    connect(m_ui->Label7, &QLabel::linkActivated, this,
            [this](const QString& link) { m_app.context().op.openWebPage(link.toStdString()); });
}

About::~About() = default;

} // namespace cvcfg
