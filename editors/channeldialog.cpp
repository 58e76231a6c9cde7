#include "editors/channeldialog.h"

#include "core/catalogue.h"
#include "core/codes.h"
#include "editors/dialogs.h"
#include "editors/modbusprot.h"
#include "editors/shell.h"
#include "editors/slaveadd.h"
#include "ui_paramconfiga.h"
#include "ui_paramconfigb.h"
#include "ui_paramconfigc.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <algorithm>

namespace cvcfg {

namespace {

constexpr const char* kLineCaption = "RS422/485";
constexpr const char* kRs422Caption = "RS422-4 Wire";
constexpr const char* kRs485Caption = "RS485-2 Wire";

int32_t& channelField(ConfigRecord& record, Channel channel) {
    switch (channel) {
    case Channel::A:
        return record.CHAParams;
    case Channel::B:
        return record.CHBParams;
    case Channel::C:
        break;
    }
    return record.CHCParams;
}

} // namespace

// The three channel dialogs' forms have the same controls under the same
// names; channel C lacks the serial connection and the DF1 protocol frames.
struct ChannelDialog::Controls {
    OptionButton *optNone = nullptr, *optYes = nullptr, *optEven = nullptr, *optOdd = nullptr,
                 *opt7 = nullptr, *opt8 = nullptr, *opt1 = nullptr, *opt2 = nullptr,
                 *optIgnore = nullptr, *optActive = nullptr, *optBCC = nullptr, *optCRC = nullptr;
    OptionButton *opt232 = nullptr, *opt422 = nullptr, *optFD = nullptr, *optHD = nullptr;
    QGroupBox *frmParity = nullptr, *Frame2 = nullptr, *frmERR = nullptr;
    QGroupBox *frmSerial = nullptr, *frmProtocol = nullptr;
    QPushButton* Command2 = nullptr;

    template <typename Form> static Controls of(const Form& ui) {
        Controls c;
        c.optNone = ui.optNone;
        c.optYes = ui.optYes;
        c.optEven = ui.optEven;
        c.optOdd = ui.optOdd;
        c.opt7 = ui.opt7;
        c.opt8 = ui.opt8;
        c.opt1 = ui.opt1;
        c.opt2 = ui.opt2;
        c.optIgnore = ui.optIgnore;
        c.optActive = ui.optActive;
        c.optBCC = ui.optBCC;
        c.optCRC = ui.optCRC;
        c.frmParity = ui.frmParity;
        c.Frame2 = ui.Frame2;
        c.frmERR = ui.frmERR;
        c.Command2 = ui.Command2;
        if constexpr (requires { ui.opt232; }) {
            c.opt232 = ui.opt232;
            c.opt422 = ui.opt422;
            c.optFD = ui.optFD;
            c.optHD = ui.optHD;
            c.frmProtocol = ui.frmProtocol;
        }
        if constexpr (requires { ui.frmCV200; }) {
            c.frmSerial = ui.frmCV200;
        } else if constexpr (requires { ui.frmCV210; }) {
            c.frmSerial = ui.frmCV210;
        }
        return c;
    }
};

ChannelDialog::ChannelDialog(Channel channel, Dialogs& dialogs)
    : QDialog(nullptr), m_channel(channel), m_dialogs(dialogs),
      m_field(channelField(dialogs.record(), channel)) {
    using namespace proto_bits;
    int32_t errorMask = 0;
    int32_t protocolMask = 0;
    switch (channel) {
    case Channel::A: {
        Ui::paramConfigA ui;
        ui.setupUi(this);
        m_controls = std::make_unique<Controls>(Controls::of(ui));
        errorMask = kCrc;
        protocolMask = kHalfDuplex;
        break;
    }
    case Channel::B: {
        Ui::paramConfigB ui;
        ui.setupUi(this);
        m_controls = std::make_unique<Controls>(Controls::of(ui));
        errorMask = kChannelBCrc;
        protocolMask = kChannelBHalfDuplex;
        break;
    }
    case Channel::C: {
        Ui::paramConfigC ui;
        ui.setupUi(this);
        m_controls = std::make_unique<Controls>(Controls::of(ui));
        errorMask = kChannelCCrc;
        break;
    }
    }
    const Controls& c = *m_controls;
    int32_t* field = &m_field;
    int32_t* protocol = &dialogs.record().ProtoParams;
    using namespace channel_bits;
    m_bits = {
        {c.optYes, field, kParity, true},       {c.optNone, field, kParity, false},
        {c.optEven, field, kEven, true},        {c.optOdd, field, kEven, false},
        {c.opt7, field, kSevenData, true},      {c.opt8, field, kSevenData, false},
        {c.opt2, field, kTwoStop, true},        {c.opt1, field, kTwoStop, false},
        {c.optActive, field, kHandshake, true}, {c.optIgnore, field, kHandshake, false},
        {c.optCRC, protocol, errorMask, true},  {c.optBCC, protocol, errorMask, false},
    };
    if (c.optHD) {
        m_bits.push_back({c.optHD, protocol, protocolMask, true});
        m_bits.push_back({c.optFD, protocol, protocolMask, false});
    }
    bindOptions(m_bits, [this] { showRecord(); });

    if (c.opt232) {
        c.opt232->onClick = [this] {
            opt232_Click();
        };
        c.opt422->onClick = [this] {
            opt422_Click();
        };
        c.opt422->onClickSelected = [this] {
            opt422_ClickSelected();
        };
        m_menu = new QMenu(channel == Channel::A ? QStringLiteral("&Communication Mode")
                                                 : QStringLiteral("&Communication Module"),
                           this);
        m_menu->setObjectName(channel == Channel::A ? QStringLiteral("rs422_485")
                                                    : QStringLiteral("RS422_485"));
        QAction* rs422 = m_menu->addAction(channel == Channel::A ? QStringLiteral("RS422-&4 Wire")
                                                                 : QStringLiteral("RS422-& 4Wire"));
        rs422->setObjectName(QStringLiteral("RS422"));
        QAction* rs485 = m_menu->addAction(QStringLiteral("RS485-&2 Wire"));
        rs485->setObjectName(QStringLiteral("RS485"));
        connect(rs422, &QAction::triggered, this, [this] { RS422ON(); });
        connect(rs485, &QAction::triggered, this, [this] { RS485ON(); });
    }
    if (c.opt422) {
        c.opt422->installEventFilter(this);
        // Room for the longest caption the wiring gives the button, so that
        // the dialog keeps its size whichever wiring is chosen.
        int widest = 0;
        for (const char* caption : {kLineCaption, kRs422Caption, kRs485Caption}) {
            c.opt422->setText(QString::fromLatin1(caption));
            widest = std::max(widest, c.opt422->sizeHint().width());
        }
        c.opt422->setMinimumWidth(widest);
    }
    if (channel == Channel::B) {
        c.optHD->installEventFilter(this);
    }
    connect(c.Command2, &QPushButton::clicked, this, [this] { accept(); });
    withoutDefaultButton(this);
    showRecord();
}

ChannelDialog::~ChannelDialog() = default;

void ChannelDialog::showRecord() {
    using namespace channel_bits;
    const Controls& c = *m_controls;
    showOptions(m_bits);
    c.frmParity->setVisible((m_field & kParity) != 0);
    if (!c.opt232) {
        return;
    }
    const bool line = (m_field & kRs422) != 0;
    showChoice({c.opt232, c.opt422}, line ? c.opt422 : c.opt232);
    // The caption names the wiring in force; on RS-232C there is none.
    c.opt422->setText(QString::fromLatin1(!line                     ? kLineCaption
                                          : (m_field & kRs485) != 0 ? kRs485Caption
                                                                    : kRs422Caption));
}

void ChannelDialog::chooseStartOptions() {
    const Controls& c = *m_controls;
    std::vector<OptionButton*> start = {c.optNone, c.opt8, c.opt1, c.optIgnore};
    if (c.opt232) {
        start.insert(start.end(), {c.opt232, c.optBCC, c.optFD});
    }
    // Each handler runs, also for a button that an earlier one's showing of
    // the record has shown selected already.
    for (OptionButton* button : start) {
        reselect(button);
    }
}

void ChannelDialog::showSerialConnection(bool visible) {
    if (m_controls->frmSerial) {
        m_controls->frmSerial->setVisible(visible);
    }
}

void ChannelDialog::showErrorChecking(bool visible) {
    m_controls->frmERR->setVisible(visible);
}

void ChannelDialog::showProtocolChoice(bool visible) {
    if (m_controls->frmProtocol) {
        m_controls->frmProtocol->setVisible(visible);
    }
}

void ChannelDialog::enableHandshaking(bool enabled) {
    const Controls& c = *m_controls;
    for (QWidget* control : std::initializer_list<QWidget*>{c.Frame2, c.optIgnore, c.optActive}) {
        control->setEnabled(enabled);
    }
}

void ChannelDialog::opt232_Click() {
    m_field = ClearBits(m_field, channel_bits::kRs422 | channel_bits::kRs485);
    followWiring(false);
    showRecord();
}

// Four-wire first; the menu may then change it to two-wire. The menu opens
// once the click is complete, so that the button has taken the click.
void ChannelDialog::opt422_Click() {
    RS422ON();
    opt422_ClickSelected();
}

// Another click on the selected button offers the wiring again; nothing
// changes unless an item is picked.
void ChannelDialog::opt422_ClickSelected() {
    QWidget* button = m_controls->opt422;
    m_menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void ChannelDialog::RS422ON() {
    setWiring(false);
    showRecord();
}

void ChannelDialog::RS485ON() {
    setWiring(true);
    showRecord();
}

void ChannelDialog::setWiring(bool twoWire) {
    using namespace channel_bits;
    m_field =
        twoWire ? SetBits(m_field, kRs422 | kRs485) : ClearBits(SetBits(m_field, kRs422), kRs485);
    followWiring(twoWire);
}

// Channel B's wiring chooses the Modbus serial operation: two-wire RS485 is
// half duplex, RS-232C and four-wire RS422 are not.
void ChannelDialog::followWiring(bool twoWire) {
    if (m_channel == Channel::B && keepsModbusOptions(m_dialogs.record())) {
        m_dialogs.modbus_prot().chooseSerialOperation(twoWire);
    }
}

void ChannelDialog::optHD_DblClick() {
    m_dialogs.SlaveAdd().showDialog();
}

bool ChannelDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_controls->optHD && event->type() == QEvent::MouseButtonDblClick) {
        optHD_DblClick();
    }
    // The wiring menu follows a press of any mouse button; the left button's
    // click reaches the handlers as a click does.
    if (watched == m_controls->opt422 && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
        if (m_controls->opt422->isChecked()) {
            opt422_ClickSelected();
        } else {
            opt422_Click();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ChannelDialog::accept() {
    hide();
    m_dialogs.shell().showModelEditor();
}

void ChannelDialog::closeEvent(QCloseEvent* event) {
    // The close box does what ACCEPT does.
    event->ignore();
    accept();
}

} // namespace cvcfg
