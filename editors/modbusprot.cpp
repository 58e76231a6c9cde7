#include "editors/modbusprot.h"

#include "core/catalogue.h"
#include "editors/dialogs.h"
#include "editors/extendmodbus.h"
#include "editors/shell.h"
#include "editors/tablenames.h"
#include "ui_modbus_prot.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <algorithm>

namespace cvcfg {

using modbus_map::Column;

namespace {

// The broadcast lists show DH+ nodes as two octal digits, "00" to "76"; an
// entry's position is its node.
QStringList broadcastEntries() {
    QStringList entries;
    for (int node = 0; node <= modbus_map::kLastBroadcastAddress; ++node) {
        entries << QStringLiteral("%1").arg(QString::fromStdString(octalText(node)), 2, u'0');
    }
    return entries;
}

void showPosition(QComboBox* list, int32_t position) {
    showText(list,
             position >= 0 && position < list->count() ? list->itemText(position) : QString());
}

} // namespace

ModbusProt::ModbusProt(Dialogs& dialogs)
    : QDialog(nullptr), m_dialogs(dialogs), m_record(dialogs.record()),
      m_ui(std::make_unique<Ui::modbus_prot>()) {
    m_ui->setupUi(this);
    Ui::modbus_prot& ui = *m_ui;
    using namespace modbus_map;
    int32_t* options = &m_record.ExtParams[kOptions];
    int32_t* plc = &m_record.ExtParams[kPlcType];
    int32_t* decode = &m_record.ExtParams[kAddressDecode];
    m_bits = {
        {ui.optMaster, options, kMaster, true},
        {ui.optSlave, options, kMaster, false},
        {ui.optAscii, options, kAsciiFraming, true},
        {ui.optRtu, options, kAsciiFraming, false},
        {ui.optYesHalf, options, kTwoWire, true},
        {ui.optNoHalf, options, kTwoWire, false},
        {ui.optYesBroadcast, options, kBroadcast, true},
        {ui.optNoBroadcast, options, kBroadcast, false},
    };
    m_values = {
        {ui.optPLC5, plc, kPlc5},          {ui.Option2, plc, kPlc3},
        {ui.Option3, plc, kSlc},           {ui.Option15, decode, kDecodeSlcPlc},
        {ui.Option14, decode, kDecodeSlc}, {ui.Option1, decode, kDecodeMicro},
    };
    bindOptions(m_bits, [this] { showRecord(); });
    bindOptions(m_values, [this] { showRecord(); });

    const QStringList addresses = broadcastEntries();
    ui.cboStartAddress->addItems(addresses);
    ui.cboEndAddress->addItems(addresses);
    ui.cboStartAddress->onClick = [this] {
        cboStartAddress_Click();
    };
    ui.cboEndAddress->onClick = [this] {
        cboEndAddress_Click();
    };

    m_table = {{
        {ui.txtStart1, ui.txtEnd1, ui.txtFile1, ui.txtWord1},
        {ui.txtStart2, ui.txtEnd2, ui.txtFile2, ui.txtWord2},
        {ui.txtStart3, ui.txtEnd3, ui.txtFile3, ui.txtWord3},
        {ui.txtStart4, ui.txtEnd4, ui.txtFile4, ui.txtWord4},
        {ui.txtStart5, ui.txtEnd5, ui.txtFile5, ui.txtWord5},
        {ui.txtStart6, ui.txtEnd6, ui.txtFile6, ui.txtWord6},
        {ui.txtStart7, ui.txtEnd7, ui.txtFile7, ui.txtWord7},
        {ui.txtStart8, ui.txtEnd8, ui.txtFile8, ui.txtWord8},
    }};
    m_floatingPoint = {ui.Check0, ui.Check1, ui.Check2, ui.Check3,
                       ui.Check4, ui.Check5, ui.Check6, ui.Check7};
    const std::array<const QLabel*, kRows> slotNumbers = {ui.lblSlot0, ui.lblSlot1, ui.lblSlot2,
                                                          ui.lblSlot3, ui.lblSlot4, ui.lblSlot5,
                                                          ui.lblSlot6, ui.lblSlot7};
    const std::array<QString, kColumns> columns = {
        ui.lblStartRegister->text(), ui.lblEndRegister->text(),
        columnUnder(ui.lblABStart, ui.lblFile), columnUnder(ui.lblABStart, ui.lblWord)};
    for (int row = 0; row < kRows; ++row) {
        const QLabel* slot = slotNumbers[static_cast<std::size_t>(row)];
        for (int column = 0; column < kColumns; ++column) {
            QLineEdit* box =
                m_table[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
            box->setAccessibleName(
                cellName(ui.lblSlot, slot, columns[static_cast<std::size_t>(column)]));
            makeWordBox(box);
            connect(box, &QLineEdit::textEdited, this,
                    [this, row, column] { txtTable_Change(row, static_cast<Column>(column)); });
            connect(box, &QLineEdit::editingFinished, this, [this] { txtTable_LostFocus(); });
        }
        CheckBox* check = m_floatingPoint[static_cast<std::size_t>(row)];
        check->setAccessibleName(cellName(ui.lblSlot, slot, ui.lblFP->text()));
        ui.frmFP->layout()->setAlignment(check, Qt::AlignHCenter);
        check->onClick = [this, row] {
            Check_Click(row);
        };
    }
    connect(ui.Command1, &QPushButton::clicked, this, &ModbusProt::Command1_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &ModbusProt::accept);
    connect(ui.Command3, &QPushButton::clicked, this, &ModbusProt::Command3_Click);
    withoutDefaultButton(this);
    showRecord();
}

// A box that has the focus loses it while the dialog is taken apart, and
// would report that to a dialog that is gone.
ModbusProt::~ModbusProt() {
    for (const auto& row : m_table) {
        for (QLineEdit* box : row) {
            box->disconnect(this);
        }
    }
}

void ModbusProt::showRecord() {
    using namespace modbus_map;
    Ui::modbus_prot& ui = *m_ui;
    showOptions(m_bits);
    showOptions(m_values);
    const int32_t options = m_record.ExtParams[kOptions];
    const bool master = (options & kMaster) != 0;
    // The CV320's Modbus side is its Modbus/TCP port: there is no serial
    // line to choose, and the unit is the slave.
    const Family* family = familyOf(m_record);
    const bool tcp = family && family->modbusTcp;
    ui.frmHalDuplex->setVisible(!tcp);
    ui.Frame6->setEnabled(!tcp);
    ui.frmMasterMode->setVisible(master);
    for (QWidget* slave :
         std::initializer_list<QWidget*>{ui.frmABtype, ui.frmModbusTable, ui.frmBroadcast}) {
        slave->setVisible(!master);
    }
    ui.frmBroadcastAddress->setVisible((options & kBroadcast) != 0);
    showPosition(ui.cboStartAddress, m_record.ExtParams[kBroadcastStart]);
    showPosition(ui.cboEndAddress, m_record.ExtParams[kBroadcastEnd]);
    const bool floatingPoint = m_record.ExtParams[kPlcType] != kPlc3;
    ui.frmFP->setVisible(floatingPoint);
    ui.lblFP->setVisible(floatingPoint);
    showTable();
}

// A row whose four words are all 0 is an unused slot and shows blank boxes.
// The box the operator is typing in keeps an empty text, or the way he
// wrote its number, until he leaves it.
void ModbusProt::showTable() {
    using namespace modbus_map;
    const auto& entries = m_record.ExtParams;
    for (int row = 0; row < kRows; ++row) {
        std::array<int32_t, kColumns> words{};
        for (int column = 0; column < kColumns; ++column) {
            const std::size_t low = wordEntry(row, static_cast<Column>(column));
            words[static_cast<std::size_t>(column)] = JoinWord(entries[low + 1], entries[low]);
        }
        const bool used = std::any_of(words.begin(), words.end(), [](int32_t w) { return w != 0; });
        for (std::size_t column = 0; column < words.size(); ++column) {
            QLineEdit* box = m_table[static_cast<std::size_t>(row)][column];
            if (box == m_editing && (box->text().isEmpty() || wordIn(box) == words[column])) {
                continue;
            }
            showBoxText(box, used ? QString::number(words[column]) : QString());
        }
        showChecked(m_floatingPoint[static_cast<std::size_t>(row)],
                    (entries[flagEntry(row)] & kFloatingPoint) != 0);
    }
}

void ModbusProt::showDialog() {
    m_editing = nullptr;
    showRecord();
    showAndRaise(*this);
}

void ModbusProt::chooseStartOptions(bool addressDecode) {
    showRecord();
    Ui::modbus_prot& ui = *m_ui;
    for (OptionButton* button :
         {ui.optRtu, ui.optSlave, ui.optNoHalf, ui.optNoBroadcast, ui.optPLC5}) {
        choose(button);
    }
    if (addressDecode) {
        choose(ui.Option15);
    }
}

void ModbusProt::chooseSerialOperation(bool twoWire) {
    showRecord();
    choose(twoWire ? m_ui->optYesHalf : m_ui->optNoHalf);
}

void ModbusProt::restore() {
    reset(false);
    showRecord();
}

void ModbusProt::reset(bool addressDecode) {
    showRecord();
    Ui::modbus_prot& ui = *m_ui;
    for (OptionButton* button : {ui.optSlave, ui.optRtu, ui.optNoHalf, ui.optPLC5}) {
        choose(button);
    }
    if (addressDecode) {
        choose(ui.Option15);
    }
    choose(ui.optNoBroadcast);
    chooseIndex(ui.cboStartAddress, 0);
    chooseIndex(ui.cboEndAddress, 0);
    // The table goes with its boxes: rows the operator can no longer see are
    // not downloaded.
    auto& entries = m_record.ExtParams;
    std::fill(entries.begin() + static_cast<std::ptrdiff_t>(modbus_map::kFirstRowEntry),
              entries.end(), 0);
    m_editing = nullptr;
}

void ModbusProt::cboStartAddress_Click() {
    if (const int node = m_ui->cboStartAddress->currentIndex(); node >= 0) {
        m_record.ExtParams[modbus_map::kBroadcastStart] = node;
    }
    showRecord();
}

void ModbusProt::cboEndAddress_Click() {
    if (const int node = m_ui->cboEndAddress->currentIndex(); node >= 0) {
        m_record.ExtParams[modbus_map::kBroadcastEnd] = node;
    }
    showRecord();
}

// An empty box leaves the record as it was; the box then shows the
// record's number again when the operator leaves it.
void ModbusProt::txtTable_Change(int row, Column column) {
    QLineEdit* box = m_table[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    m_editing = box;
    if (const std::optional<int32_t> value = wordIn(box)) {
        const WordBytes bytes = SplitWord(*value);
        const std::size_t low = modbus_map::wordEntry(row, column);
        m_record.ExtParams[low] = bytes.LoByte;
        m_record.ExtParams[low + 1] = bytes.HiByte;
    }
    showRecord();
}

void ModbusProt::txtTable_LostFocus() {
    m_editing = nullptr;
    showTable();
}

void ModbusProt::Check_Click(int row) {
    int32_t& flags = m_record.ExtParams[modbus_map::flagEntry(row)];
    flags = m_floatingPoint[static_cast<std::size_t>(row)]->isChecked()
                ? SetBits(flags, modbus_map::kFloatingPoint)
                : ClearBits(flags, modbus_map::kFloatingPoint);
    showRecord();
}

void ModbusProt::Command1_Click() {
    hide();
    showAndRaise(m_dialogs.extendModbus());
}

void ModbusProt::Command3_Click() {
    reset(true);
    showRecord();
}

void ModbusProt::accept() {
    hide();
    m_dialogs.shell().showModelEditor();
}

// The close box does what "Accept Current Parameters" does.
void ModbusProt::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

} // namespace cvcfg
