#pragma once

#include "editors/modeleditor.h"
#include "editors/sheetprint.h"
#include "link/session.h"

#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

namespace cvcfg {

class ChannelDialog;
class DF1Dialog;
class ModbusProt;
class ExtendModbus;
class SlaveAddDialog;
class RioBt;
class AsciiDataTable;
class CV210Params;
class CV310Params;
class CV320Params;
class CVPCIParams;

// What the editors ask of the program's shell (its main menu).
class Shell {
public:
    virtual ~Shell() = default;
    // The main menu's record and editor defaults for the current model.
    virtual void UpdateParameters() = 0;
    virtual void showMainMenu() = 0;
    // Enables and shows the editor of the current model.
    virtual void showModelEditor() = 0;
    // Ends the program at once.
    virtual void endProgram() = 0;
};

// The editors and the dialogs they share, one instance each, created the
// first time anything touches them. Unloading a form deletes it; the next
// touch builds it afresh in its design state. Every touch of a dialog that
// shows the record shows it as it stands, laid out by the record's editor:
// a hidden dialog is never out of date when anything reaches it.
class EditorForms {
public:
    EditorForms(Session session, Shell& shell);
    ~EditorForms();
    EditorForms(const EditorForms&) = delete;
    EditorForms& operator=(const EditorForms&) = delete;

    ChannelDialog& paramConfigA();
    ChannelDialog& paramConfigB();
    ChannelDialog& paramConfigC();
    DF1Dialog& df_Param();
    ModbusProt& modbus_prot();
    ExtendModbus& extendModbus();
    SlaveAddDialog& SlaveAdd();
    RioBt& rio_bt();
    AsciiDataTable& ASCII_DataTable();
    // CANCEL unloads the block-transfer map.
    void unloadRioBt();

    // The editor of `model`, created when it is not loaded; null for a model
    // without an editor.
    ModelEditor* editorFor(const std::string& model);
    // The editor of the record's model, if any.
    ModelEditor* editor() { return editorFor(record().ModelName); }
    [[nodiscard]] bool editorLoaded(const std::string& model) const;
    void unloadEditorFor(const std::string& model);
    [[nodiscard]] std::vector<ModelEditor*> loadedEditors() const;

    // The editors as their families' set-ups prepare them.
    CV210Params& cv210Params();
    CV310Params& cv310Params();
    CV320Params& cv320Params();
    CVPCIParams& cvpciParams();

    // The editor of the record's model shows the record, if it is loaded: a
    // dialog that stays open beside it changed a field it shows.
    void showEditorRecord();

    // Every dialog shows the record.
    void showDialogRecords();

    // How the editors ask for a printer: the platform's print dialog unless
    // a test puts its own.
    void setPrinterChooser(PrinterChooser chooser) { m_printerChooser = std::move(chooser); }
    [[nodiscard]] const PrinterChooser& printerChooser() const { return m_printerChooser; }

    [[nodiscard]] Session& session() { return m_session; }
    [[nodiscard]] ConfigRecord& record() { return m_session.record; }
    [[nodiscard]] Shell& shell() { return m_shell; }

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
