#include "editors/cv210params.h"

#include "core/codes.h"
#include "editors/channeldialogs.h"
#include "editors/formoperator.h"
#include "editors/modbusoptions.h"
#include "link/download.h"
#include "ui_cv210_params.h"

#include <QCloseEvent>
#include <QCursor>

namespace cvcfg {

namespace {

QString qs(const std::string& text) {
    return QString::fromLatin1(text.c_str());
}

// An entry read as a decimal number; text that is no number reads as 0.
int entryNumber(const ListBox* list) {
    return list->currentText().trimmed().toInt();
}

// A station, node or rack entry: two octal digits written as a decimal number.
int octalEntry(const ListBox* list) {
    return octalEntryValue(entryNumber(list));
}

void fillOctal(ListBox* list, int last) {
    list->clear();
    for (int value = 0; value <= last; ++value) {
        list->addItem(qs(octalText(value)));
    }
}

// Selects entry `index` when the list has it.
void chooseIfPresent(ListBox* list, int index) {
    if (index >= 0 && index < list->count()) {
        chooseIndex(list, index);
    }
}

// Sets a serial speed field from a list of SpeedCodeTable texts, with the
// unit label of the row; a text not in the table leaves the field.
void storeSerialSpeed(const ListBox* list, QLabel* unit, std::string& field, int highestCode) {
    unit->setText(QStringLiteral("Baud"));
    for (const SpeedCode& row : SpeedCodeTable()) {
        if (row.code <= highestCode && list->currentText() == qs(std::string(row.text))) {
            field = charField(row.code);
            unit->setText(qs(std::string(row.unit)));
            return;
        }
    }
}

constexpr int kChannelCHighestCode = 10; // "38.4"
constexpr int kChannelBHighestCode = 18;

} // namespace

CV210Params::CV210Params(EditorForms& forms)
    : m_forms(forms), m_record(forms.record()), m_ui(std::make_unique<Ui::CV210_Params>()) {
    m_ui->setupUi(this);
    m_fileMenu = std::make_unique<QMenu>(QStringLiteral("&Configuration Settings"));
    m_fileMenu->setObjectName(QStringLiteral("file_menu"));
    m_saveFile = m_fileMenu->addAction(QStringLiteral("&Save Corvane Configuration Settings..."));
    m_saveFile->setObjectName(QStringLiteral("save_file"));
    QAction* open =
        m_fileMenu->addAction(QStringLiteral("&Open Corvane Configuration Settings..."));
    open->setObjectName(QStringLiteral("open_file"));
    m_fileMenu->addSeparator()->setObjectName(QStringLiteral("bar1"));
    QAction* restore =
        m_fileMenu->addAction(QStringLiteral("S&et Corvane Settings to Defaults..."));
    restore->setObjectName(QStringLiteral("restore_configuration"));
    connect(m_saveFile, &QAction::triggered, this, [this] { save_file(); });
    connect(open, &QAction::triggered, this, [this] { open_file(); });
    connect(restore, &QAction::triggered, this, [this] { restore_configuration(); });

    connectNetwork();
    connectModes();
    connectLists();
    connectButtons();
    // Labels and values that only explain a list come and go with it.
    m_companions = {{m_ui->cboHighAddress, {m_ui->txtDecHigh, m_ui->lblDecHigh}},
                    {m_ui->cboStationNumber, {m_ui->lblOctal1}},
                    {m_ui->cboNetworkSpeed, {m_ui->lblNetSpeed, m_ui->lblKbaud}}};
    for (const auto& [list, companions] : m_companions) {
        list->installEventFilter(this);
    }
}

bool CV210Params::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        for (const auto& [list, companions] : m_companions) {
            if (watched == list) {
                for (QWidget* companion : companions) {
                    companion->setVisible(!list->isHidden());
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

CV210Params::~CV210Params() = default;

// ---- network ------------------------------------------------------------------

void CV210Params::connectNetwork() {
    m_ui->optDHPlus->onClick = [this] {
        setNetwork(true);
    };
    m_ui->optDH485->onClick = [this] {
        setNetwork(false);
    };
}

void CV210Params::setNetwork(bool dhPlus) {
    Ui::CV210_Params& ui = *m_ui;
    const QString network = dhPlus ? QStringLiteral("DH+") : QStringLiteral("DH485");
    m_record.NetworkName = network.toStdString();
    m_record.NetType = charField(dhPlus ? 0 : 1);
    ui.lblKbaud->setText(dhPlus ? QStringLiteral("KBaud") : QStringLiteral("Baud"));
    m_forms.paramConfigB().frame("frmCV210")->show();
    ui.optStandardDF1->setText(qs(m_record.BridgeCaption) + network);
    const QString shown = dhPlus ? QStringLiteral("DH+") : QStringLiteral("DH-485");
    ui.optBridging->setText(QStringLiteral("BRIDGING (DF1 to %1)").arg(shown));
    ui.optMODBUS->setText(QStringLiteral("MODBUS to %1").arg(shown));
    ui.optASC->setText(QStringLiteral("ASCII to %1").arg(shown));
    ui.frmNetProt->setTitle(QStringLiteral("AB %1 NETWORK PARAMETERS").arg(shown));

    const int lastAddress = dhPlus ? 63 : 32;
    fillOctal(ui.cboStationNumber, lastAddress);
    fillOctal(ui.cboHighAddress, lastAddress);
    chooseText(ui.cboStationNumber, QStringLiteral("1"));
    chooseText(ui.cboHighAddress, QStringLiteral("2"));
    if (dhPlus) {
        for (ListBox* link : {ui.cboDHPLinkID, ui.cboDH485LinkID}) {
            link->clear();
            for (int id = 0; id <= 30; ++id) {
                link->addItem(QString::number(id));
            }
        }
        chooseText(ui.cboDHPLinkID, QStringLiteral("1"));
        chooseText(ui.cboDH485LinkID, QStringLiteral("2"));
    }
    ui.cboNetworkSpeed->clear();
    for (const SpeedCode& speed : networkSpeeds(dhPlus ? Network::DHPlus : Network::DH485)) {
        ui.cboNetworkSpeed->addItem(qs(std::string(speed.text)));
    }
    chooseText(ui.cboNetworkSpeed, dhPlus ? QStringLiteral("57.6") : QStringLiteral("19.2"));
    // In the Remote I/O mode the network is Remote I/O: the mode's own
    // record fields and form come back over what the network button set.
    if (m_remoteIO) {
        reselect(ui.optKFR);
    }
}

// ---- modes --------------------------------------------------------------------

void CV210Params::place(OptionButton* mode, End end) {
    auto* layout = m_ui->modeLayout;
    layout->removeWidget(mode);
    if (end == End::Left) {
        layout->insertWidget(0, mode);
    } else {
        layout->addWidget(mode);
    }
}

void CV210Params::selectMode(OptionButton* mode, End end) {
    mode->show();
    place(mode, end);
    reselect(mode);
}

// What every mode sets first. Only the dual-DF1 mode uses channel C.
void CV210Params::startMode(bool channelC) {
    leaveRemoteIO();
    if (!channelC) {
        m_record.CHCSpeed = charField(0);
        m_record.CHCParams = 0;
    }
    m_forms.df_Param().label("lblKF2")->setVisible(channelC);
}

// The Remote I/O mode hides the station and speed lists and reuses NetType;
// a later mode gets them back, and the network whose button is shown.
void CV210Params::leaveRemoteIO() {
    if (!m_remoteIO) {
        return;
    }
    m_remoteIO = false;
    for (QWidget* shown : std::initializer_list<QWidget*>{m_ui->lblStnNum, m_ui->cboStationNumber,
                                                          m_ui->cboNetworkSpeed, m_ui->txtDecimal,
                                                          m_ui->lblDecimal}) {
        shown->show();
    }
    reselect(m_ui->optDH485->isChecked() ? m_ui->optDH485 : m_ui->optDHPlus);
}

void CV210Params::showRackControls(bool rackNumber, bool others) {
    Ui::CV210_Params& ui = *m_ui;
    ui.lblRackNum->setVisible(rackNumber);
    ui.cboRackNum->setVisible(rackNumber);
    for (QWidget* control : std::initializer_list<QWidget*>{ui.lblRackSize, ui.cboRackSize,
                                                            ui.lblRackRange, ui.cboRackRange}) {
        control->setVisible(others);
    }
    ui.cboRackSize->setEnabled(others);
    ui.cboRackRange->setEnabled(others);
}

void CV210Params::showChannelC(bool visible) {
    for (QWidget* control : std::initializer_list<QWidget*>{m_ui->lblAsyncC, m_ui->cboAsyncSpeedC,
                                                            m_ui->lblKbaudC, m_ui->cmdAsyncC}) {
        control->setVisible(visible);
    }
}

void CV210Params::showModbusChannelC(bool visible) {
    Ui::CV210_Params& ui = *m_ui;
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui.cmdChannelC, ui.lblSlaveAddress, ui.cboModbusAdd, ui.lblChannelCSpeed,
             ui.cboChannelCSpeed, ui.lblChannelCKbaud}) {
        control->setVisible(visible);
    }
}

void CV210Params::showBrabenderTypes(bool visible) {
    Ui::CV210_Params& ui = *m_ui;
    for (QWidget* type : std::initializer_list<QWidget*>{
             ui.optSType, ui.optMType, ui.optLMType, ui.optPT03Type, ui.optLType, ui.optSAType}) {
        type->setVisible(visible);
    }
}

void CV210Params::connectModes() {
    Ui::CV210_Params& ui = *m_ui;
    ConfigRecord& record = m_record;

    ui.optStandardDF1->onClick = [this, &ui, &record] {
        startMode(false);
        record.HighAddress = charField(0);
        record.ModeBytes = charField(0) + charField(0);
        record.NumText1 = "0";
        record.NumText2 = "0";
        record.AuxChar = charField(0);
        record.AuxValue = 0;
        m_saveFile->setVisible(true);
        showBrabenderTypes(false);
        showRackControls(false, false);
        showChannelC(false);
        showModbusChannelC(false);
        for (QWidget* hidden : std::initializer_list<QWidget*>{
                 ui.lblK2F, ui.lblOctal, ui.cboHighAddress, ui.lblHighAddress, ui.cmdModBus,
                 ui.cmdSiemensParam, ui.cmdToshibaParam, ui.cmdASCII}) {
            hidden->hide();
        }
        for (QWidget* shown : std::initializer_list<QWidget*>{ui.frmNetProt, ui.frmBusProt,
                                                              ui.frmProtParam, ui.cmdProtParam}) {
            shown->show();
        }
        ui.frmBusProt->setTitle(QStringLiteral("DF1 SERIAL/USB COMMUNICATION PROTOCOL"));
        ui.frmProtParam->setTitle(QStringLiteral("ADVANCED DF1 PROTOCOL PARAMETERS"));
        ui.Label1->setText(QStringLiteral("CHANNEL SERIAL SPEED"));
        ui.Command3->setText(QStringLiteral("SET/CHANGE CHANNEL SERIAL PARAMETERS"));
        m_forms.paramConfigB().setWindowTitle(QStringLiteral("DF1 SERIAL/USB PARAMETERS"));
        DF1Dialog& df1 = m_forms.df_Param();
        df1.setWindowTitle(QStringLiteral("DF1 ADVANCED PARAMETERS"));
        df1.frame("frmConfig")->setTitle(QStringLiteral("DF1 CHANNEL CONFIGURATION"));
        df1.frame("frmConfig")->show();
        df1.frame("frmRTS")->hide();
        df1.frame("frmSTN")->hide();
        df1.frame("frmKGM")->hide();
    };

    ui.optBridging->onClick = [this, &ui, &record] {
        startMode(false);
        record.HighAddress = charField(1);
        record.ModeBytes = charField(1) + charField(0);
        for (QWidget* shown :
             std::initializer_list<QWidget*>{ui.frmNetProt, ui.frmBusProt, ui.frmProtParam,
                                             ui.lblHighAddress, ui.cboHighAddress, ui.lblOctal}) {
            shown->show();
        }
        ui.lblHighAddress->setText(QStringLiteral("High Address"));
        showRackControls(false, false);
    };

    ui.optMODBUS->onClick = [this, &ui, &record] {
        startMode(false);
        record.NetType = charField(0);
        record.HighAddress = charField(0);
        record.ModeBytes = charField(1) + charField(0);
        ui.frmNetProt->show();
        // The card has no serial DF1 port: its protocol frame moves up.
        ui.frmBusProt->setVisible(record.ModelName != "CV-PC/104-MODBUS");
        ui.frmBusProt->setTitle(QStringLiteral("MODBUS RTU COMMUNICATION PROTOCOL"));
        ui.Label1->setText(QStringLiteral("MODBUS SERIAL SPEED"));
        ui.Command3->setText(QStringLiteral("SET/CHANGE MODBUS SERIAL PARAMETERS"));
        m_forms.paramConfigB().setWindowTitle(QStringLiteral("MODBUS SERIAL PARAMETERS"));
        ui.frmProtParam->setTitle(QStringLiteral("ADVANCED MODBUS RTU PARAMETERS"));
        ui.frmProtParam->show();
        ui.cmdModBus->show();
        ui.cmdProtParam->hide();
        showRackControls(false, false);
        showChannelC(false);
        ui.cboHighAddress->hide();
        ui.lblHighAddress->hide();
        chooseModbusStart(record);
    };

    ui.optASC->onClick = [this, &ui, &record] {
        startMode(false);
        record.NetType = charField(0);
        record.HighAddress = charField(0);
        record.ModeBytes = charField(1) + charField(0);
        ui.frmNetProt->show();
        ui.frmBusProt->show();
        ui.frmProtParam->hide();
        ui.frmBusProt->setTitle(QStringLiteral("ASCII COMMUNICATION PROTOCOL"));
        ui.Label1->setText(QStringLiteral("ASCII SERIAL SPEED"));
        ui.Command3->setText(QStringLiteral("SET/CHANGE ASCII SERIAL PARAMETERS"));
        m_forms.paramConfigB().setWindowTitle(QStringLiteral("ASCII SERIAL PARAMETERS"));
        if (record.ModelVariant == "CV210-ASCII") {
            ui.lblHighAddress->setText(QStringLiteral("PLC/SLC Address"));
            ui.cboHighAddress->setToolTip(
                QStringLiteral("Station number of the PLC on the DH+ network where the Corvane "
                               "will send the data"));
            for (QWidget* shown : std::initializer_list<QWidget*>{
                     ui.lblHighAddress, ui.cboHighAddress, ui.lblOctal, ui.cmdASCII}) {
                shown->show();
            }
        }
        showRackControls(false, false);
    };

    ui.optBTI->onClick = [this, &ui, &record] {
        startMode(false);
        record.HighAddress = charField(0);
        record.NumText1 = "0";
        record.NumText2 = "0";
        record.ModeBytes = charField(1) + charField(0);
        record.AuxChar = charField(0);
        showBrabenderTypes(true);
        ui.frmNetProt->show();
        ui.frmBusProt->show();
        ui.frmProtParam->show();
        ui.frmProtParam->setTitle(QStringLiteral("BRABENDER EQUIPMENT SELECTION"));
        ui.frmBusProt->setTitle(QStringLiteral("BRABENDER EQUIPMENT COMMUNICATION PROTOCOL"));
        ui.Command3->setText(QStringLiteral("SET/CHANGE PROTOCOL PARAMETERS"));
        m_forms.paramConfigB().setWindowTitle(QStringLiteral("BRABENDER PROTOCOL PARAMETERS"));
        ui.cmdProtParam->hide();
        choose(ui.optSType);
    };

    ui.optK2F->onClick = [this, &ui, &record] {
        startMode(true);
        record.CHCSpeed = charField(8);
        record.NetType = charField(0);
        record.HighAddress = charField(0);
        record.ModeBytes = charField(2) + charField(0);
        ui.frmNetProt->show();
        ui.frmNetProt->setTitle(QStringLiteral("AB DH+ NETWORK PARAMETERS"));
        ui.frmBusProt->show();
        ui.frmProtParam->show();
        chooseText(ui.cboAsyncSpeedC, QStringLiteral("9600"));
        ui.lblKbaudC->setText(QStringLiteral("Baud"));
        showChannelC(true);
        ui.lblOctal->show();
        ui.lblK2F->show();
        ui.Label1->setText(QStringLiteral("1ST CHAN. SERIAL SPEED"));
        ui.Command3->setText(QStringLiteral("SET/CHANGE 1ST CHAN. SERIAL PARAMETERS"));
        ui.lblAsyncC->setText(QStringLiteral("2ND CHAN. SERIAL SPEED"));
        ui.cmdAsyncC->setText(QStringLiteral("SET/CHANGE 2ND CHAN. SERIAL PARAMETERS"));
        ui.frmProtParam->setTitle(
            QStringLiteral("BOTH DF1 CHANNELS ADVANCED DF1 PROTOCOL PARAMETERS"));
        m_forms.paramConfigB().setWindowTitle(QStringLiteral("1ST DF1 CHAN. SERIAL PARAMETERS"));
        ChannelDialog& second = m_forms.paramConfigC();
        second.setWindowTitle(QStringLiteral("2ND DF1 CHAN. SERIAL PARAMETERS"));
        second.frame("Frame2")->setEnabled(false);
        second.option("optIgnore")->setEnabled(false);
        second.option("optActive")->setEnabled(false);
        DF1Dialog& df1 = m_forms.df_Param();
        df1.setWindowTitle(QStringLiteral(" BOTH DF1 CHAN. ADVANCED PARAMETERS"));
        df1.frame("frmConfig")->setTitle(QStringLiteral("1ST CHANNEL CONFIGURATION"));
        showRackControls(false, false);
        ui.cboHighAddress->hide();
        ui.lblHighAddress->hide();
    };

    ui.optKFR->onClick = [this, &ui, &record] {
        startMode(false);
        record.NetType = charField(1);
        record.NetSpeed = charField(8);
        record.CHAParams = 0;
        record.StationNo = charField(1);
        const bool rmm = record.ModelVariant == "CV210-RMM";
        if (rmm) {
            record.ModeBytes = charField(1) + charField(0);
            record.AuxChar = charField(1);
            record.AuxValue = 2;
        } else {
            record.ModeBytes = charField(4) + charField(0);
            record.HighAddress = charField(1);
        }
        ui.frmNetProt->show();
        ui.frmNetProt->setTitle(QStringLiteral("AB RIO NETWORK PARAMETERS"));
        ui.frmBusProt->show();
        showRackControls(true, !rmm);
        chooseText(ui.cboRackNum, QStringLiteral("1"));
        for (QWidget* hidden :
             std::initializer_list<QWidget*>{ui.cboNetworkSpeed, ui.lblStnNum, ui.cboStationNumber,
                                             ui.txtDecimal, ui.lblDecimal}) {
            hidden->hide();
        }
        m_remoteIO = true;
        if (rmm) {
            ui.Label1->setText(QStringLiteral("MODBUS SERIAL SPEED"));
            ui.Command3->setText(QStringLiteral("SET/CHANGE MODBUS SERIAL PARAMETERS"));
            ui.frmBusProt->setTitle(QStringLiteral("MODBUS SERIAL COMMUNICATION PROTOCOL"));
            m_forms.paramConfigB().setWindowTitle(QStringLiteral("MODBUS SERIAL PARAMETERS"));
            ui.frmProtParam->hide();
        } else {
            ui.Label1->setText(QStringLiteral("CHANNEL SERIAL SPEED"));
            ui.Command3->setText(QStringLiteral("SET/CHANGE CHANNEL SERIAL PARAMETERS"));
            ui.frmProtParam->show();
            chooseText(ui.cboRackRange, QStringLiteral("1"));
            chooseText(ui.cboRackSize, QStringLiteral("FULL"));
        }
        adjustSize();
    };

    // Brabender device types: S 0, M 1, LM 2, PT03 3, L 4, SA 5.
    int type = 0;
    for (OptionButton* button :
         {ui.optSType, ui.optMType, ui.optLMType, ui.optPT03Type, ui.optLType, ui.optSAType}) {
        button->onClick = [&record, type] {
            record.ExtParams[0] = type;
            record.ExtParams[1] = 0;
        };
        ++type;
    }
}

// ---- lists --------------------------------------------------------------------

void CV210Params::connectLists() {
    Ui::CV210_Params& ui = *m_ui;
    ConfigRecord& record = m_record;

    ui.cboNetworkSpeed->onClick = [&ui, &record] {
        ui.lblKbaud->setText(QStringLiteral("KBaud"));
        const QString speed = ui.cboNetworkSpeed->currentText();
        if (speed == QStringLiteral("4800") || speed == QStringLiteral("9600")) {
            record.NetSpeed = charField(speed == QStringLiteral("4800") ? 7 : 8);
            ui.lblKbaud->setText(QStringLiteral("Baud"));
        } else if (speed == QStringLiteral("19.2") || speed == QStringLiteral("115.2")) {
            record.NetSpeed = charField(9);
        } else if (speed == QStringLiteral("57.6")) {
            record.NetSpeed = charField(8);
        } else if (speed == QStringLiteral("230.4")) {
            record.NetSpeed = charField(10);
        }
        record.CHAParams = 0;
    };

    ui.cboStationNumber->onClick = [&ui, &record] {
        const int value = octalEntry(ui.cboStationNumber);
        ui.txtDecimal->setText(QString::number(value));
        record.StationNo = charField(value);
        // A bridging DF1 unit takes the next node as its high address.
        const int next = ui.cboStationNumber->currentIndex() + 1;
        if (record.ModelVariant == "CV210-DF1" && record.ModeBytes == charField(1) + charField(0) &&
            next < ui.cboHighAddress->count()) {
            chooseIndex(ui.cboHighAddress, next);
        }
    };

    ui.cboHighAddress->onClick = [&ui, &record] {
        const int value = octalEntry(ui.cboHighAddress);
        ui.txtDecHigh->setText(QString::number(value));
        record.HighAddress = charField(value);
    };

    ui.cboModbusAdd->onClick = [&ui, &record] {
        record.StationNo = charField(entryNumber(ui.cboModbusAdd) & 0xFF);
    };

    // The block-transfer form that shows the racks comes with the CV-PCI
    // editor; the record takes the rack number and range now.
    ui.cboRackNum->onClick = [&ui, &record] {
        record.StationNo = charField(octalEntry(ui.cboRackNum));
    };
    ui.cboRackRange->onClick = [&ui, &record] {
        record.HighAddress = charField(entryNumber(ui.cboRackRange));
    };

    ui.cboRackSize->onClick = [&ui, &record] {
        ui.frmBusProt->show();
        const QString size = ui.cboRackSize->currentText();
        if (size == QStringLiteral("1/4")) {
            record.AuxChar = charField(0);
        } else if (size == QStringLiteral("1/2")) {
            record.AuxChar = charField(1);
        } else if (size == QStringLiteral("FULL")) {
            record.AuxChar = charField(2);
        }
    };

    ui.cboDHPLinkID->onClick = [&ui, &record] {
        record.AuxChar = charField(entryNumber(ui.cboDHPLinkID) & 0xFF);
    };
    ui.cboDH485LinkID->onClick = [&ui, &record] {
        record.AuxValue = entryNumber(ui.cboDH485LinkID);
    };

    ui.cboAsyncSpeed->onClick = [&ui, &record] {
        storeSerialSpeed(ui.cboAsyncSpeed, ui.lblKbaud2, record.CHBSpeed, kChannelBHighestCode);
    };
    ui.cboAsyncSpeedC->onClick = [&ui, &record] {
        storeSerialSpeed(ui.cboAsyncSpeedC, ui.lblKbaudC, record.CHCSpeed, kChannelCHighestCode);
    };
    ui.cboChannelCSpeed->onClick = [&ui, &record] {
        storeSerialSpeed(ui.cboChannelCSpeed, ui.lblChannelCKbaud, record.CHCSpeed,
                         kChannelCHighestCode);
    };
}

// ---- buttons ------------------------------------------------------------------

void CV210Params::openDialog(QWidget* dialog) {
    setEnabled(false);
    dialog->show();
    dialog->raise();
}

void CV210Params::connectButtons() {
    Ui::CV210_Params& ui = *m_ui;
    connect(ui.Command3, &QPushButton::clicked, this,
            [this] { openDialog(&m_forms.paramConfigB()); });
    connect(ui.cmdAsyncC, &QPushButton::clicked, this,
            [this] { openDialog(&m_forms.paramConfigC()); });
    connect(ui.cmdChannelC, &QPushButton::clicked, this, [this] {
        setEnabled(false);
        ChannelDialog& modbus = m_forms.paramConfigC();
        const int32_t bits = m_record.CHCParams;
        if (bits & channel_bits::kParity) {
            choose(modbus.option("optYes"));
            choose(modbus.option((bits & channel_bits::kEven) ? "optEven" : "optOdd"));
        } else {
            choose(modbus.option("optNone"));
        }
        choose(modbus.option((bits & channel_bits::kSevenData) ? "opt7" : "opt8"));
        choose(modbus.option((bits & channel_bits::kTwoStop) ? "opt2" : "opt1"));
        modbus.frame("Frame2")->setEnabled(false);
        modbus.option("optIgnore")->setEnabled(false);
        modbus.option("optActive")->setEnabled(false);
        modbus.setWindowTitle(QStringLiteral("MODBUS PROTOCOL PARAMETERS"));
        modbus.show();
    });
    connect(ui.cmdProtParam, &QPushButton::clicked, this,
            [this] { openDialog(&m_forms.df_Param()); });
    connect(ui.cmdModBus, &QPushButton::clicked, this, [this] {
        m_forms.shell().notAvailable(QStringLiteral("The Modbus protocol parameters"));
    });
    connect(ui.cmdASCII, &QPushButton::clicked, this, [this] {
        m_forms.shell().notAvailable(QStringLiteral("The PLC/SLC destination file address"));
    });
    connect(ui.cmdCONFIG, &QPushButton::clicked, this,
            [this] { m_fileMenu->popup(QCursor::pos()); });
    connect(ui.cmdDOWNLOAD, &QPushButton::clicked, this, [this] { cmdDOWNLOAD_Click(); });
    connect(ui.cmdRETURN, &QPushButton::clicked, this, [this] {
        hide();
        m_forms.shell().showMainMenu();
    });
    connect(ui.cmdEXIT, &QPushButton::clicked, this, [this] { m_forms.shell().endProgram(); });
}

void CV210Params::cmdDOWNLOAD_Click() {
    Ui::CV210_Params& ui = *m_ui;
    ui.cmdDOWNLOAD->setEnabled(false);
    ui.cmdRETURN->setEnabled(false);
    ui.cmdDOWNLOAD->setText(QStringLiteral("Downloading Parameters..."));
    setCursor(Qt::WaitCursor);
    FormOperator op(
        m_forms.context().op, [&ui](const QString& text) { ui.lblStatus->setText(text); },
        [this](bool busy) {
            m_ui->cmdDOWNLOAD->setEnabled(!busy);
            m_ui->cmdRETURN->setEnabled(!busy);
        });
    Session session{m_record, m_forms.context().serial, op};
    m_downloading = true;
    DownloadConfiguration(session);
    m_downloading = false;
    unsetCursor();
}

// ---- file menu ----------------------------------------------------------------

void CV210Params::save_file() {
    Operator& op = m_forms.context().op;
    const std::optional<std::string> path = op.chooseSaveFile(ConfigFileFilter(m_record));
    if (!path || path->empty()) {
        return;
    }
    if (const Status status = SaveConfigFile(*path, m_record); !status) {
        op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Save Corvane Configuration Settings"});
    }
}

void CV210Params::open_file() {
    Operator& op = m_forms.context().op;
    const std::optional<std::string> path = op.chooseOpenFile(ConfigFileFilter(m_record), "");
    if (!path || path->empty()) {
        return;
    }
    if (const Status status = OpenConfigFile(*path, m_record, this); !status) {
        op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Open Corvane Configuration Settings"});
    }
}

void CV210Params::restore_configuration() {
    m_forms.shell().UpdateParameters();
    reselect(m_ui->optStandardDF1);
}

void CV210Params::showFileValues(const FileValues& values) {
    Ui::CV210_Params& ui = *m_ui;
    const ConfigRecord& file = values.fields;
    const bool dh485 = charCode(file.NetType) == 1;
    if (const std::optional<int> network = charCode(file.NetType); network && *network <= 1) {
        reselect(dh485 ? ui.optDH485 : ui.optDHPlus);
    }
    // Each list at the index of its code less the code of its first entry.
    const int firstNetworkCode = ui.optDH485->isChecked() ? 7 : 8;
    chooseIfPresent(ui.cboNetworkSpeed, charCode(file.NetSpeed).value_or(-1) - firstNetworkCode);
    chooseIfPresent(ui.cboAsyncSpeed, charCode(file.CHBSpeed).value_or(-1) - 3);
    if (const int station = charCode(file.StationNo).value_or(-1); station < 64) {
        chooseIfPresent(ui.cboStationNumber, station);
    }
    chooseIfPresent(ui.cboHighAddress, charCode(file.HighAddress).value_or(-1));
}

void CV210Params::refreshFromRecord(const ConfigRecord&) {
    m_forms.paramConfigA().loadFromRecord();
    m_forms.paramConfigB().loadFromRecord();
    m_forms.paramConfigC().loadFromRecord();
    m_forms.df_Param().loadFromRecord();
}

void CV210Params::closeEvent(QCloseEvent* event) {
    // The form stays while its download runs: the download works on it.
    if (m_downloading) {
        event->ignore();
        return;
    }
    event->accept();
    m_forms.unloadCV210Params();
    m_forms.shell().showMainMenu();
}

} // namespace cvcfg
