#include "editors/modbusdialogs.h"

#include "ui_extendmodbus.h"
#include "ui_modbus_prot.h"
#include "ui_slaveadd.h"

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

// A table cell's name as the operator reads it off the heads: the row's slot
// ("SLOT 3", the slot head with the row's number for its "#"), then the
// column ("SLOT 3 Floating Point").
QString cellName(const QLabel* slotHead, const QLabel* slot, const QString& column) {
    return QStringLiteral("%1 %2").arg(QString(slotHead->text()).replace(u'#', slot->text()),
                                       column);
}

// A column under a head over two columns: "A-B START File (WORD)".
QString columnUnder(const QLabel* head, const QLabel* column) {
    return QStringLiteral("%1 (%2)").arg(head->text(), column->text());
}

void showAndRaise(QDialog& dialog) {
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

} // namespace

// ---- modbus_prot ----------------------------------------------------------------

ModbusProt::ModbusProt(EditorForms& forms)
    : QDialog(nullptr), m_forms(forms), m_record(forms.record()),
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
    showAndRaise(m_forms.extendModbus());
}

void ModbusProt::Command3_Click() {
    reset(true);
    showRecord();
}

void ModbusProt::accept() {
    hide();
    m_forms.shell().showModelEditor();
}

// The close box does what "Accept Current Parameters" does.
void ModbusProt::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

// ---- extendModbus ---------------------------------------------------------------

ExtendModbus::ExtendModbus(EditorForms& forms)
    : QDialog(nullptr), m_forms(forms), m_ui(std::make_unique<Ui::extendModbus>()) {
    m_ui->setupUi(this);
    Ui::extendModbus& ui = *m_ui;
    connect(ui.Command2, &QPushButton::clicked, this, &ExtendModbus::accept);
    connect(ui.Command3, &QPushButton::clicked, this, &ExtendModbus::Command3_Click);

    // The 32 rows are control arrays, in two halves of 16 side by side.
    QGridLayout* grid = ui.tableLayout;
    constexpr int kHalf = kSlots / 2;
    constexpr int kHalfColumns = 7; // slot, four words, floating point, a gap
    const std::array<const char*, modbus_map::kColumns> names = {"txtStartReg", "txtEndReg",
                                                                 "txtFile", "txtWord"};
    const auto head = [this](const char* text) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        return label;
    };
    const auto put = [grid, &head](const char* text, int line, int column, int lines = 1,
                                   int columns = 1) {
        QLabel* label = head(text);
        grid->addWidget(label, line, column, lines, columns);
        return label;
    };
    // Each half's heads, by which its cells are named.
    struct Heads {
        const QLabel* slot;
        std::array<QString, modbus_map::kColumns> columns;
        const QLabel* floatingPoint;
    };
    std::array<Heads, 2> halves{};
    for (int half = 0; half < 2; ++half) {
        const int at = half * kHalfColumns;
        Heads& heads = halves[static_cast<std::size_t>(half)];
        heads.slot = put("SLOT #", 0, at);
        const QLabel* start = put("MODICON START Register", 0, at + 1);
        const QLabel* end = put("MODICON END Register", 0, at + 2);
        const QLabel* abStart = put("A-B START File", 0, at + 3, 1, 2);
        heads.floatingPoint = put("Floating Point", 0, at + 5, 2, 1);
        put("XXXXX", 1, at + 1);
        put("XXXXX", 1, at + 2);
        heads.columns = {start->text(), end->text(), columnUnder(abStart, put("FILE", 1, at + 3)),
                         columnUnder(abStart, put("WORD", 1, at + 4))};
    }
    grid->setColumnMinimumWidth(kHalfColumns - 1, 24);
    for (int row = 0; row < kSlots; ++row) {
        const int at = (row / kHalf) * kHalfColumns;
        const int line = 2 + row % kHalf;
        const Heads& heads = halves[static_cast<std::size_t>(row / kHalf)];
        const QLabel* slot = put(QByteArray::number(kFirstSlot + row).constData(), line, at);
        for (int column = 0; column < modbus_map::kColumns; ++column) {
            auto* box = new QLineEdit(this);
            box->setObjectName(
                QStringLiteral("%1_%2")
                    .arg(QString::fromLatin1(names[static_cast<std::size_t>(column)]))
                    .arg(row));
            box->setAccessibleName(
                cellName(heads.slot, slot, heads.columns[static_cast<std::size_t>(column)]));
            makeWordBox(box);
            connect(box, &QLineEdit::textEdited, this,
                    [this, row, column] { txtTable_Change(row, static_cast<Column>(column)); });
            grid->addWidget(box, line, at + 1 + column);
            m_boxes[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = box;
        }
        auto* check = new QCheckBox(this);
        check->setObjectName(QStringLiteral("CheckFP_%1").arg(row));
        check->setAccessibleName(cellName(heads.slot, slot, heads.floatingPoint->text()));
        grid->addWidget(check, line, at + 5, Qt::AlignCenter);
        m_floatingPoint[static_cast<std::size_t>(row)] = check;
    }
    withoutDefaultButton(this);
}

ExtendModbus::~ExtendModbus() = default;

QString ExtendModbus::keptText(int row, Column column) const {
    return m_kept[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void ExtendModbus::txtTable_Change(int row, Column column) {
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    if (const std::optional<int32_t> value = wordIn(m_boxes[r][c])) {
        const WordBytes bytes = SplitWord(*value);
        m_kept[r][c] = QStringLiteral("%1-%2").arg(bytes.HiByte).arg(bytes.LoByte);
    }
}

void ExtendModbus::Command3_Click() {
    for (const auto& row : m_boxes) {
        for (QLineEdit* box : row) {
            box->clear();
        }
    }
    for (QCheckBox* check : m_floatingPoint) {
        check->setChecked(false);
    }
}

void ExtendModbus::accept() {
    hide();
    m_forms.modbus_prot().showDialog();
}

void ExtendModbus::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

// ---- SlaveAdd ---------------------------------------------------------------------

namespace {

// The slave addresses offered: octal "10" to "76".
constexpr int kFirstSlaveAddress = 8;
constexpr int kLastSlaveAddress = 62;

} // namespace

SlaveAddDialog::SlaveAddDialog(EditorForms& forms)
    : QDialog(nullptr), m_forms(forms), m_record(forms.record()),
      m_ui(std::make_unique<Ui::SlaveAdd>()) {
    m_ui->setupUi(this);
    m_ui->CboHighAddress->addItems(octalEntries(kLastSlaveAddress).mid(kFirstSlaveAddress));
    m_ui->CboHighAddress->onClick = [this] {
        CboHighAddress_Click();
    };
    connect(m_ui->Command2, &QPushButton::clicked, this, &SlaveAddDialog::accept);
    withoutDefaultButton(this);
    showRecord();
}

SlaveAddDialog::~SlaveAddDialog() = default;

void SlaveAddDialog::showRecord() {
    const std::optional<int> address = charCode(m_record.HighAddress);
    showText(m_ui->CboHighAddress,
             address && *address >= kFirstSlaveAddress && *address <= kLastSlaveAddress
                 ? QString::fromStdString(octalText(*address))
                 : QString());
}

void SlaveAddDialog::showDialog() {
    showRecord();
    showAndRaise(*this);
}

void SlaveAddDialog::chooseAddress(int address) {
    chooseText(m_ui->CboHighAddress, QString::fromStdString(octalText(address)));
}

void SlaveAddDialog::CboHighAddress_Click() {
    m_record.HighAddress = charField(octalEntryValue(m_ui->CboHighAddress->currentText().toInt()));
    showRecord();
    // The editor may show the high address too, and nothing hides it meanwhile.
    m_forms.showEditorRecord();
}

void SlaveAddDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

} // namespace cvcfg
