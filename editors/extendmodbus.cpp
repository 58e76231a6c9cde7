#include "editors/extendmodbus.h"

#include "editors/controls.h"
#include "editors/dialogs.h"
#include "editors/modbusprot.h"
#include "editors/tablenames.h"
#include "ui_extendmodbus.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>

namespace cvcfg {

using modbus_map::Column;

ExtendModbus::ExtendModbus(Dialogs& dialogs)
    : QDialog(nullptr), m_dialogs(dialogs), m_ui(std::make_unique<Ui::extendModbus>()) {
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
    m_dialogs.modbus_prot().showDialog();
}

void ExtendModbus::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

} // namespace cvcfg
