#pragma once

#include "editors/dialogs.h"
#include "editors/modeleditor.h"
#include "editors/shell.h"

#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace cvcfg {

class CV210Params;
class CV310Params;
class CV320Params;
class CVPCIParams;

// The editors and the dialogs they share, one instance each, created the
// first time anything touches them. Unloading a form deletes it; the next
// touch builds it afresh in its design state. Every touch of a dialog that
// shows the record shows it as it stands, laid out by the record's editor:
// a hidden dialog is never out of date when anything reaches it.
class EditorForms : public Dialogs {
public:
    EditorForms(Session session, Shell& shell);
    ~EditorForms() override;
    EditorForms(const EditorForms&) = delete;
    EditorForms& operator=(const EditorForms&) = delete;

    // Dialogs
    [[nodiscard]] Session& session() override { return m_session; }
    [[nodiscard]] Shell& shell() override { return m_shell; }
    [[nodiscard]] const PrinterChooser& printerChooser() const override { return m_printerChooser; }
    ChannelDialog& paramConfigA() override;
    ChannelDialog& paramConfigB() override;
    ChannelDialog& paramConfigC() override;
    DF1Dialog& df_Param() override;
    ModbusProt& modbus_prot() override;
    ExtendModbus& extendModbus() override;
    SlaveAddDialog& SlaveAdd() override;
    RioBt& rio_bt() override;
    AsciiDataTable& ASCII_DataTable() override;
    void unloadRioBt() override;
    void showEditorRecord() override;
    void unloadEditorFor(const std::string& model) override;

    // The editor of `model`, created when it is not loaded; null for a model
    // without an editor.
    ModelEditor* editorFor(const std::string& model);
    // The editor of the record's model, if any.
    ModelEditor* editor() { return editorFor(record().ModelName); }
    [[nodiscard]] bool editorLoaded(const std::string& model) const;
    [[nodiscard]] std::vector<ModelEditor*> loadedEditors() const;

    // The editors as their families' set-ups prepare them.
    CV210Params& cv210Params();
    CV310Params& cv310Params();
    CV320Params& cv320Params();
    CVPCIParams& cvpciParams();

    // Every dialog shows the record.
    void showDialogRecords();

    // How the editors ask for a printer: the platform's print dialog unless
    // a test puts its own.
    void setPrinterChooser(PrinterChooser chooser) { m_printerChooser = std::move(chooser); }

private:
    // The loaded editor of the record's model, if any; one being built is
    // not loaded yet.
    [[nodiscard]] ModelEditor* recordEditor() const;
    template <typename Dialog> Dialog& shown(Dialog& dialog);

    Session m_session;
    Shell& m_shell;
    PrinterChooser m_printerChooser = platformPrinterChooser();
    std::unique_ptr<ChannelDialog> m_paramConfigA;
    std::unique_ptr<ChannelDialog> m_paramConfigB;
    std::unique_ptr<ChannelDialog> m_paramConfigC;
    std::unique_ptr<DF1Dialog> m_dfParam;
    std::unique_ptr<ModbusProt> m_modbusProt;
    std::unique_ptr<ExtendModbus> m_extendModbus;
    std::unique_ptr<SlaveAddDialog> m_slaveAdd;
    std::unique_ptr<RioBt> m_rioBt;
    std::unique_ptr<AsciiDataTable> m_asciiDataTable;
    std::map<const EditorRow*, std::unique_ptr<ModelEditor>> m_editors;
};

// Deletes a form once control has left its handlers: a form may be unloaded
// from one of its own buttons.
void unloadLater(QWidget* form);

} // namespace cvcfg
