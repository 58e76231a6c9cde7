#include "editors/asciidatatable.h"

#include "core/codes.h"
#include "editors/controls.h"
#include "editors/shell.h"
#include "ui_ascii_datatable.h"

#include <QCloseEvent>

namespace cvcfg {

AsciiDataTable::AsciiDataTable(ConfigRecord& record, Shell& shell)
    : QDialog(nullptr), m_record(record), m_shell(shell),
      m_ui(std::make_unique<Ui::ASCII_DataTable>()) {
    m_ui->setupUi(this);
    Ui::ASCII_DataTable& ui = *m_ui;
    using Handler = void (AsciiDataTable::*)();
    const std::pair<QLineEdit*, Handler> boxes[] = {
        {ui.txtXXX, &AsciiDataTable::txtXXX_Change},
        {ui.txtYYY, &AsciiDataTable::txtYYY_Change},
    };
    for (const auto& [box, handler] : boxes) {
        makeWordBox(box);
        connect(box, &QLineEdit::textEdited, this, handler);
        connect(box, &QLineEdit::editingFinished, this, &AsciiDataTable::leaveBox);
    }
    const std::pair<CheckBox*, Handler> checks[] = {{ui.Check1, &AsciiDataTable::Check1_Click}};
    wireHandlers(this, checks);
    connect(ui.cmdAccept, &QPushButton::clicked, this, &AsciiDataTable::accept);
    withoutDefaultButton(this);
    showRecord();
}

// A box that has the focus loses it while the dialog is taken apart, and
// would report that to a dialog that is gone.
AsciiDataTable::~AsciiDataTable() {
    m_ui->txtXXX->disconnect(this);
    m_ui->txtYYY->disconnect(this);
}

// The box the operator is typing in keeps an empty text, or the way he
// wrote its number, until he leaves it.
void AsciiDataTable::showRecord() {
    using namespace ascii_table;
    const auto& entries = m_record.ExtParams;
    const std::pair<QLineEdit*, std::size_t> boxes[] = {
        {m_ui->txtXXX, kFile},
        {m_ui->txtYYY, kWord},
    };
    for (const auto& [box, low] : boxes) {
        const int32_t value = JoinWord(entries[low + 1], entries[low]);
        if (box == m_editing && (box->text().isEmpty() || wordIn(box) == value)) {
            continue;
        }
        showBoxText(box, QString::number(value));
    }
    showChecked(m_ui->Check1, (m_record.ProtoParams & kStringFile) != 0);
}

void AsciiDataTable::showEvent(QShowEvent* event) {
    m_editing = nullptr;
    showRecord();
    QDialog::showEvent(event);
}

void AsciiDataTable::SetXXX() {
    takeWord(m_ui->txtXXX, ascii_table::kFile);
}

void AsciiDataTable::txtXXX_Change() {
    SetXXX();
    showRecord();
}

void AsciiDataTable::txtYYY_Change() {
    takeWord(m_ui->txtYYY, ascii_table::kWord);
    showRecord();
}

// An empty box leaves the record as it was; the box then shows the
// record's number again when the operator leaves it.
void AsciiDataTable::takeWord(QLineEdit* box, std::size_t low) {
    m_editing = box;
    if (const std::optional<int32_t> value = wordIn(box)) {
        const WordBytes bytes = SplitWord(*value);
        m_record.ExtParams[low] = bytes.LoByte;
        m_record.ExtParams[low + 1] = bytes.HiByte;
    }
}

void AsciiDataTable::leaveBox() {
    m_editing = nullptr;
    showRecord();
}

void AsciiDataTable::Check1_Click() {
    m_record.ProtoParams = m_ui->Check1->isChecked()
                               ? SetBits(m_record.ProtoParams, ascii_table::kStringFile)
                               : ClearBits(m_record.ProtoParams, ascii_table::kStringFile);
    showRecord();
}

void AsciiDataTable::accept() {
    hide();
    m_shell.showModelEditor();
}

// The close box does what "Accept Parameters" does.
void AsciiDataTable::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

} // namespace cvcfg
