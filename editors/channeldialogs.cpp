#include "editors/channeldialogs.h"

#include "core/catalogue.h"
#include "core/codes.h"
#include "editors/modbusoptions.h"
#include "ui_df_param.h"
#include "ui_paramconfiga.h"
#include "ui_paramconfigb.h"
#include "ui_paramconfigc.h"

#include <QCloseEvent>
#include <QCursor>
#include <QMouseEvent>

namespace cvcfg {

namespace {

constexpr const char* kRs422Caption = "RS422-4 Wire";
constexpr const char* kRs485Caption = "RS485-2 Wire";

template <typename Widget> Widget* child(const QObject* form, const char* name) {
    return form->findChild<Widget*>(QString::fromLatin1(name));
}

// The pair of options that sets and clears one bit of `field`.
void bindBit(OptionButton* set, OptionButton* clear, int32_t& field, int32_t mask) {
    set->onClick = [&field, mask] {
        field = SetBits(field, mask);
    };
    clear->onClick = [&field, mask] {
        field = ClearBits(field, mask);
    };
}

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

// Selects `set` when the bit is set in `value`, else `clear`.
void showBit(const QObject* form, const char* set, const char* clear, int32_t value, int32_t mask) {
    choose(child<OptionButton>(form, (value & mask) ? set : clear));
}

} // namespace

ChannelDialog::ChannelDialog(Channel channel, EditorForms& forms)
    : m_channel(channel), m_forms(forms), m_field(channelField(forms.record(), channel)) {
    using namespace proto_bits;
    switch (channel) {
    case Channel::A:
        Ui::paramConfigA().setupUi(this);
        m_errorMask = kCrc;
        m_protocolMask = kHalfDuplex;
        break;
    case Channel::B:
        Ui::paramConfigB().setupUi(this);
        m_errorMask = kChannelBCrc;
        m_protocolMask = kChannelBHalfDuplex;
        break;
    case Channel::C:
        Ui::paramConfigC().setupUi(this);
        m_errorMask = kChannelCCrc;
        break;
    }

    using namespace channel_bits;
    option("optNone")->onClick = [this] {
        m_field = ClearBits(m_field, kParity);
        frame("frmParity")->hide();
    };
    option("optYes")->onClick = [this] {
        m_field = SetBits(m_field, kParity);
        frame("frmParity")->show();
        // The stored even/odd choice survives a NONE-then-YES toggle.
        choose(option((m_field & kEven) ? "optEven" : "optOdd"));
    };
    bindChannelBit("optEven", "optOdd", kEven);
    bindChannelBit("opt7", "opt8", kSevenData);
    bindChannelBit("opt2", "opt1", kTwoStop);
    bindChannelBit("optActive", "optIgnore", kHandshake);
    bindProtocolBit("optCRC", "optBCC", m_errorMask);

    if (channel != Channel::C) {
        bindProtocolBit("optHD", "optFD", m_protocolMask);
        option("opt232")->onClick = [this] {
            m_field = ClearBits(m_field, kRs422 | kRs485);
            // Channel B keeps naming the wiring last chosen.
            if (m_channel == Channel::A) {
                option("opt422")->setText(QStringLiteral("RS422/485"));
            }
        };
        option("opt422")->installEventFilter(this);

        m_menu = std::make_unique<QMenu>(channel == Channel::A
                                             ? QStringLiteral("&Communication Mode")
                                             : QStringLiteral("&Communication Module"));
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
    if (channel == Channel::B) {
        option("optHD")->installEventFilter(this);
    }
    connect(child<QPushButton>(this, "Command2"), &QPushButton::clicked, this,
            [this] { accept(); });
}

ChannelDialog::~ChannelDialog() = default;

OptionButton* ChannelDialog::option(const char* name) const {
    return child<OptionButton>(this, name);
}

QGroupBox* ChannelDialog::frame(const char* name) const {
    return child<QGroupBox>(this, name);
}

void ChannelDialog::bindChannelBit(const char* set, const char* clear, int32_t mask) {
    bindBit(option(set), option(clear), m_field, mask);
}

void ChannelDialog::bindProtocolBit(const char* set, const char* clear, int32_t mask) {
    bindBit(option(set), option(clear), m_forms.record().ProtoParams, mask);
}

void ChannelDialog::RS422ON() {
    setWiring(false, true);
}

void ChannelDialog::RS485ON() {
    setWiring(true, true);
}

void ChannelDialog::setWiring(bool twoWire, bool withModbus) {
    using namespace channel_bits;
    m_field =
        twoWire ? SetBits(m_field, kRs422 | kRs485) : ClearBits(SetBits(m_field, kRs422), kRs485);
    option("opt422")->setText(QString::fromLatin1(twoWire ? kRs485Caption : kRs422Caption));
    // ExtParams[1] is a Modbus option byte only on the Modbus variants; on
    // the others it carries other settings that channel B must not touch.
    ConfigRecord& record = m_forms.record();
    if (withModbus && m_channel == Channel::B && sectionBFor(record) == SectionB::RegisterMap) {
        chooseModbusHalfDuplex(record, twoWire);
    }
}

void ChannelDialog::pressRs422(const QPoint& at) {
    // Four-wire first; the menu may then change it to two-wire. The menu
    // does not wait: picking an item (or nothing) decides later.
    RS422ON();
    m_menu->popup(at);
}

bool ChannelDialog::eventFilter(QObject* watched, QEvent* event) {
    if (m_menu && watched == option("opt422") && event->type() == QEvent::MouseButtonPress) {
        pressRs422(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    } else if (watched == option("optHD") && event->type() == QEvent::MouseButtonDblClick) {
        m_forms.shell().notAvailable(QStringLiteral("Half Duplex Slave Address"));
    }
    return QDialog::eventFilter(watched, event);
}

void ChannelDialog::loadFromRecord() {
    using namespace channel_bits;
    const int32_t value = m_field;
    const int32_t protocol = m_forms.record().ProtoParams;
    showRecord(value, protocol);
    // Loading shows the record and never changes it: a stored combination
    // that no option shows (two-wire without the RS-422 bit) stays stored.
    m_field = value;
    m_forms.record().ProtoParams = protocol;
}

void ChannelDialog::showRecord(int32_t value, int32_t protocol) {
    using namespace channel_bits;
    showBit(this, "optYes", "optNone", value, kParity);
    showBit(this, "optEven", "optOdd", value, kEven);
    showBit(this, "opt7", "opt8", value, kSevenData);
    showBit(this, "opt2", "opt1", value, kTwoStop);
    showBit(this, "optActive", "optIgnore", value, kHandshake);
    showBit(this, "optCRC", "optBCC", protocol, m_errorMask);
    if (m_channel == Channel::C) {
        return;
    }
    showBit(this, "optHD", "optFD", protocol, m_protocolMask);
    if (value & kRs422) {
        choose(option("opt422"));
        // Loading shows the record and leaves it, Modbus options included.
        setWiring((value & kRs485) != 0, false);
    } else {
        choose(option("opt232"));
    }
}

void ChannelDialog::accept() {
    hide();
    m_forms.shell().showModelEditor();
}

void ChannelDialog::closeEvent(QCloseEvent* event) {
    // The close box does what ACCEPT does.
    event->ignore();
    accept();
}

DF1Dialog::DF1Dialog(EditorForms& forms) : m_forms(forms) {
    Ui::df_Param().setupUi(this);
    using namespace proto_bits;
    bindProtocolBit("optCRC", "optBCC", kCrc);
    bindProtocolBit("optAccept", "optIgnore", kAcceptDuplicates);
    bindProtocolBit("optExecEmbed", "optNoneEmbed", kExecuteEmbedded);
    bindProtocolBit("optPass", "optExecDiag", kPassDiagnostics);
    bindProtocolBit("optMultiDrop", "optPoint", kHalfDuplex);
    bindProtocolBit("opt485", "opt422", kHalfDuplex);
    bindProtocolBit("optRTS", "optNoneLoop", kChannelBHalfDuplex);
    bindProtocolBit("optSRC", "optDST", kChannelBHalfDuplex);
    connect(child<QPushButton>(this, "cmdAccept"), &QPushButton::clicked, this,
            [this] { accept(); });
}

DF1Dialog::~DF1Dialog() = default;

OptionButton* DF1Dialog::option(const char* name) const {
    return child<OptionButton>(this, name);
}

QGroupBox* DF1Dialog::frame(const char* name) const {
    return child<QGroupBox>(this, name);
}

QLabel* DF1Dialog::label(const char* name) const {
    return child<QLabel>(this, name);
}

void DF1Dialog::bindProtocolBit(const char* set, const char* clear, int32_t mask) {
    bindBit(option(set), option(clear), m_forms.record().ProtoParams, mask);
}

void DF1Dialog::loadFromRecord() {
    using namespace proto_bits;
    const int32_t value = m_forms.record().ProtoParams;
    showBit(this, "optCRC", "optBCC", value, kCrc);
    showBit(this, "optAccept", "optIgnore", value, kAcceptDuplicates);
    showBit(this, "optExecEmbed", "optNoneEmbed", value, kExecuteEmbedded);
    showBit(this, "optPass", "optExecDiag", value, kPassDiagnostics);
    showBit(this, "optMultiDrop", "optPoint", value, kHalfDuplex);
    // The hidden serial-interface frame is left as it is.
    showBit(this, "optRTS", "optNoneLoop", value, kChannelBHalfDuplex);
    showBit(this, "optSRC", "optDST", value, kChannelBHalfDuplex);
}

void DF1Dialog::accept() {
    hide();
    m_forms.shell().showModelEditor();
}

void DF1Dialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

} // namespace cvcfg
