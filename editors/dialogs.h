#pragma once

#include "editors/sheetprint.h"
#include "link/session.h"

#include <string>

namespace cvcfg {

class Shell;
class ChannelDialog;
class DF1Dialog;
class ModbusProt;
class ExtendModbus;
class SlaveAddDialog;
class RioBt;
class AsciiDataTable;

// What a form of the editors reaches beyond itself: the session it works in,
// the shell, and the shared dialogs, one instance each, created when first
// reached and shown from the record. A form includes the header of each
// dialog it opens.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    [[nodiscard]] virtual Session& session() = 0;
    [[nodiscard]] ConfigRecord& record() { return session().record; }
    [[nodiscard]] virtual Shell& shell() = 0;
    // How the editors ask for a printer.
    [[nodiscard]] virtual const PrinterChooser& printerChooser() const = 0;

    virtual ChannelDialog& paramConfigA() = 0;
    virtual ChannelDialog& paramConfigB() = 0;
    virtual ChannelDialog& paramConfigC() = 0;
    virtual DF1Dialog& df_Param() = 0;
    virtual ModbusProt& modbus_prot() = 0;
    virtual ExtendModbus& extendModbus() = 0;
    virtual SlaveAddDialog& SlaveAdd() = 0;
    virtual RioBt& rio_bt() = 0;
    virtual AsciiDataTable& ASCII_DataTable() = 0;
    // CANCEL unloads the block-transfer map.
    virtual void unloadRioBt() = 0;

    // The editor of the record's model shows the record, if it is loaded: a
    // dialog that stays open beside it changed a field it shows.
    virtual void showEditorRecord() = 0;
    // The editor's close box unloads it.
    virtual void unloadEditorFor(const std::string& model) = 0;
};

} // namespace cvcfg
