#include "editors/channeldialogs.h"
#include "editors/cv210params.h"
#include "shell/forms.h"
#include "ui_cv210_params.h"
#include "ui_mainmenu.h"
#include "ui_model_cv210.h"

#include <QEvent>

namespace cvcfg {

namespace {

// Entries added to a list only once, however often the set-up runs.
void appendMissing(ListBox* list, const QStringList& entries) {
    for (const QString& entry : entries) {
        if (list->findText(entry) < 0) {
            list->addItem(entry);
        }
    }
}

// The bridge variants reach a PLC or SLC node: the high-address list names it.
void showPlcNode(Ui::CV210_Params& form, const QString& caption) {
    for (QWidget* shown :
         std::initializer_list<QWidget*>{form.cboHighAddress, form.lblOctal, form.lblHighAddress}) {
        shown->show();
    }
    form.lblHighAddress->setText(caption);
}

} // namespace

ModelCV210::ModelCV210(Application& app) : m_app(app), m_ui(std::make_unique<Ui::model_CV210>()) {
    m_ui->setupUi(this);
    Ui::model_CV210& ui = *m_ui;
    for (QPushButton* variant : {ui.cmdSLC504, ui.cmdENI, ui.cmd200RMM, ui.cmdASCII,
                                 ui.cmd200MODBUS, ui.cmd200KFR, ui.Command22}) {
        variant->installEventFilter(this);
    }
    connect(ui.Command10, &QPushButton::clicked, this, [this] {
        m_app.unloadModelCV210();
        m_app.welcome().show();
    });
    connectVariants();
}

ModelCV210::~ModelCV210() = default;

bool ModelCV210::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        if (auto* button = qobject_cast<QPushButton*>(watched)) {
            m_ui->lblDescription->setText(button->toolTip());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ModelCV210::CV210s() {
    CV210Params& editor = m_app.editors().cv210Params();
    m_app.mainmenu().ui().cmdUpdate->setToolTip(
        QStringLiteral("Configuration of a Corvane Freestanding Unit"));
    editor.ui().frmMode->show();
    m_app.UpdateParameters();
    appendMissing(editor.ui().cboAsyncSpeed,
                  {QStringLiteral("38.4"), QStringLiteral("57.6"), QStringLiteral("115.2")});
    editor.ui().txtDecimal->show();
    editor.ui().lblDecimal->show();
}

void ModelCV210::Setup_KFR() {
    ConfigRecord& record = m_app.record();
    CV210Params& editor = m_app.editors().cv210Params();
    record.ConfigLength = 64;
    Format_Custom();
    m_app.editors().df_Param().frame("frmRTS")->hide();
    record.AppCode = charField(7);
    record.ModeBytes = charField(4) + charField(0);
    editor.place(editor.ui().optStandardDF1, CV210Params::End::Left);
    editor.selectMode(editor.ui().optKFR, CV210Params::End::Right);
}

void ModelCV210::Setup_MODBUS() {
    ConfigRecord& record = m_app.record();
    CV210Params& editor = m_app.editors().cv210Params();
    record.ConfigLength = 138;
    record.AppCode = charField(1);
    record.ExtParams[0] = 0;
    std::fill(record.ExtParams.begin() + 4, record.ExtParams.begin() + 86, 0);
    m_app.editors().df_Param().frame("frmRTS")->hide();
    reselect(editor.ui().optStandardDF1);
    deselect(editor.ui().optStandardDF1);
    editor.selectMode(editor.ui().optMODBUS, CV210Params::End::Right);
    editor.place(editor.ui().optStandardDF1, CV210Params::End::Left);
}

void ModelCV210::Setup_DF1() {
    ConfigRecord& record = m_app.record();
    CV210Params& editor = m_app.editors().cv210Params();
    record.ConfigLength = 42;
    record.AppCode = charField(0);
    editor.selectMode(editor.ui().optStandardDF1, CV210Params::End::Left);
    editor.ui().optBridging->show();
    editor.place(editor.ui().optBridging, CV210Params::End::Right);
}

void ModelCV210::Format_ASCII() {
    ConfigRecord& record = m_app.record();
    CV210Params& editor = m_app.editors().cv210Params();
    record.ConfigLength = 58;
    m_app.editors().df_Param().frame("frmRTS")->hide();
    record.AppCode = charField(9);
    reselect(editor.ui().optStandardDF1);
    deselect(editor.ui().optStandardDF1);
    editor.selectMode(editor.ui().optASC, CV210Params::End::Right);
    editor.place(editor.ui().optStandardDF1, CV210Params::End::Left);
}

void ModelCV210::Format_Custom() {
    ConfigRecord& record = m_app.record();
    record.NumText2 = "0";
    record.NumText1 = "0";
    record.AuxValue = 0;
    record.AuxChar = charField(0);
    ChannelDialog& channelC = m_app.editors().paramConfigC();
    for (const char* name : {"optNone", "opt8", "opt1", "optIgnore"}) {
        choose(channelC.option(name));
    }
    Ui::CV210_Params& editor = m_app.editors().cv210Params().ui();
    chooseFirst(editor.cboModbusAdd);
    chooseIndex(editor.cboChannelCSpeed, 5);
    editor.lblChannelCKbaud->setText(QStringLiteral("Baud"));
    chooseIndex(editor.cboAsyncSpeed, 5);
    editor.lblKbaud2->setText(QStringLiteral("Baud"));
    chooseFirst(editor.cboStationNumber);
    chooseFirst(editor.cboNetworkSpeed);
    QStringList addresses;
    for (int address = 1; address <= 247; ++address) {
        addresses << QString::number(address);
    }
    appendMissing(editor.cboModbusAdd, addresses);
}

void ModelCV210::unload_CV120() {
    // DH+ is set up afresh even when an earlier set-up had selected it.
    reselect(m_app.editors().cv210Params().ui().optDHPlus);
    m_app.unloadModelCV210();
    m_app.showMainMenu();
}

void ModelCV210::beginVariant(const char* caption, const char* variant, bool df1) {
    CV210s();
    if (df1) {
        Setup_DF1();
    }
    m_app.editors().cv210Params().setWindowTitle(
        QStringLiteral("Configuration of [%1] - MAIN MENU").arg(QString::fromLatin1(caption)));
    m_app.record().ModelVariant = variant;
}

void ModelCV210::connectVariants() {
    Ui::model_CV210& ui = *m_ui;
    auto frameCV210 = [this] {
        m_app.editors().paramConfigB().frame("frmCV210")->show();
    };
    auto editor = [this]() -> CV210Params& {
        return m_app.editors().cv210Params();
    };
    using End = CV210Params::End;

    connect(ui.cmd200MODBUS, &QPushButton::clicked, this, [=, this] {
        if (m_app.record().LinkBaud == "9600") {
            m_app.context().op.showMessage(
                {"This version of CVCFG is for Modbus Versions later and including V1.06 dated "
                 "September 12,2003 ONLY",
                 Buttons::Ok, Icon::Information,
                 "!!!WARNING!!!- Check CV210-Modbus Version Number"});
        }
        beginVariant("CV210-MODBUS", "CV210-MODBUS", false);
        frameCV210();
        Setup_MODBUS();
        unload_CV120();
    });
    connect(ui.cmd200KFR, &QPushButton::clicked, this, [=, this] {
        beginVariant("CV210-KFR", "CV210-KFR", false);
        Setup_KFR();
        unload_CV120();
    });
    connect(ui.cmd200RMM, &QPushButton::clicked, this, [=, this] {
        beginVariant("CV210-RMM", "CV210-RMM", false);
        ConfigRecord& record = m_app.record();
        record.ConfigLength = 58;
        record.AppCode = charField(13);
        m_app.editors().df_Param().frame("frmRTS")->hide();
        frameCV210();
        Ui::CV210_Params& form = editor().ui();
        reselect(form.optStandardDF1);
        deselect(form.optStandardDF1);
        editor().selectMode(form.optKFR, End::Right);
        form.optKFR->setText(QStringLiteral("RIO to Modbus Master"));
        editor().place(form.optStandardDF1, End::Left);
        unload_CV120();
    });
    connect(ui.cmdASCII, &QPushButton::clicked, this, [=, this] {
        beginVariant("CV210-ASCII", "CV210-ASCII", false);
        Format_ASCII();
        unload_CV120();
    });
    connect(ui.cmdENI, &QPushButton::clicked, this, [=, this] {
        beginVariant("CV210-ENI", "CV210-ENI", true);
        frameCV210();
        showPlcNode(editor().ui(), QStringLiteral("PLC/SLC Node"));
        m_app.record().BridgeCaption = "DF1 via 1761-NET-ENI to ";
        unload_CV120();
    });
    connect(ui.cmdSLC504, &QPushButton::clicked, this, [=, this] {
        beginVariant("CV210-SLC5/04", "CV210-SLC5/04 Bridge", true);
        frameCV210();
        Ui::CV210_Params& form = editor().ui();
        showPlcNode(form, QStringLiteral("SLC5/04 DH+ Node #"));
        form.lblStnNum->setText(QStringLiteral("DH+/DH485 Device #"));
        form.optBridging->hide();
        form.optDH485->hide();
        m_app.record().BridgeCaption = "Access a DH485 Node via SLC5/04 Passthru on ";
        form.modeLayout->setStretch(form.modeLayout->indexOf(form.optStandardDF1), 1);
        form.optStandardDF1->setToolTip(QStringLiteral(
            "Access a single DH-485 device by using the standard DF1 driver and DH+ via a SLC5/04 "
            "Passthru."));
        form.cboDHPLinkID->show();
        form.lblRackNum->show();
        form.lblRackNum->setText(QStringLiteral("DH+ LinkID"));
        form.cboDH485LinkID->show();
        form.lblRackSize->show();
        form.lblRackSize->setText(QStringLiteral("DH-485 LinkID"));
        unload_CV120();
    });
    connect(ui.Command22, &QPushButton::clicked, this, [=, this] {
        beginVariant("CV210-DF1", "CV210-DF1", true);
        frameCV210();
        unload_CV120();
    });
}

} // namespace cvcfg
