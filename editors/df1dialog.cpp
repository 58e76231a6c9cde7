#include "editors/df1dialog.h"

#include "core/codes.h"
#include "editors/shell.h"
#include "ui_df_param.h"

#include <QCloseEvent>

namespace cvcfg {

DF1Dialog::DF1Dialog(ConfigRecord& record, Shell& shell)
    : QDialog(nullptr), m_shell(shell), m_ui(std::make_unique<Ui::df_Param>()) {
    m_ui->setupUi(this);
    const Ui::df_Param& ui = *m_ui;
    using namespace proto_bits;
    int32_t* field = &record.ProtoParams;
    m_shownBits = {
        {ui.optCRC, field, kCrc, true},
        {ui.optBCC, field, kCrc, false},
        {ui.optAccept, field, kAcceptDuplicates, true},
        {ui.optIgnore, field, kAcceptDuplicates, false},
        {ui.optExecEmbed, field, kExecuteEmbedded, true},
        {ui.optNoneEmbed, field, kExecuteEmbedded, false},
        {ui.optPass, field, kPassDiagnostics, true},
        {ui.optExecDiag, field, kPassDiagnostics, false},
        {ui.optMultiDrop, field, kHalfDuplex, true},
        {ui.optPoint, field, kHalfDuplex, false},
        {ui.optRTS, field, kChannelBHalfDuplex, true},
        {ui.optNoneLoop, field, kChannelBHalfDuplex, false},
        {ui.optSRC, field, kChannelBHalfDuplex, true},
        {ui.optDST, field, kChannelBHalfDuplex, false},
    };
    bindOptions(m_shownBits, [this] { showRecord(); });
    // The serial-interface frame is never shown, and loading leaves it as it is.
    const BitOption serialInterface[] = {{ui.opt485, field, kHalfDuplex, true},
                                         {ui.opt422, field, kHalfDuplex, false}};
    bindOptions(serialInterface, [this] { showRecord(); });
    connect(ui.cmdAccept, &QPushButton::clicked, this, [this] { accept(); });
    withoutDefaultButton(this);
    showRecord();
}

DF1Dialog::~DF1Dialog() = default;

void DF1Dialog::showRecord() {
    showOptions(m_shownBits);
}

void DF1Dialog::chooseStartOptions() {
    showRecord();
    const Ui::df_Param& ui = *m_ui;
    for (OptionButton* button :
         {ui.optBCC, ui.optExecDiag, ui.optPoint, ui.optNoneEmbed, ui.optIgnore, ui.optNoneLoop}) {
        choose(button);
    }
}

void DF1Dialog::showSingleChannel() {
    Ui::df_Param& ui = *m_ui;
    setWindowTitle(QStringLiteral("DF1 ADVANCED PARAMETERS"));
    ui.frmConfig->setTitle(QStringLiteral("DF1 CHANNEL CONFIGURATION"));
    ui.frmConfig->show();
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{ui.frmRTS, ui.frmSTN, ui.frmKGM, ui.lblKF2}) {
        hidden->hide();
    }
}

void DF1Dialog::accept() {
    hide();
    m_shell.showModelEditor();
}

void DF1Dialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

} // namespace cvcfg
