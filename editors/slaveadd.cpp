#include "editors/slaveadd.h"

#include "core/codes.h"
#include "editors/controls.h"
#include "editors/dialogs.h"
#include "ui_slaveadd.h"

#include <QCloseEvent>

namespace cvcfg {

namespace {

// The slave addresses offered: octal "10" to "76".
constexpr int kFirstSlaveAddress = 8;
constexpr int kLastSlaveAddress = 62;

} // namespace

SlaveAddDialog::SlaveAddDialog(Dialogs& dialogs)
    : QDialog(nullptr), m_dialogs(dialogs), m_record(dialogs.record()),
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
    m_dialogs.showEditorRecord();
}

void SlaveAddDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

} // namespace cvcfg
