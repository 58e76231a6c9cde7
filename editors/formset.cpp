#include "editors/formset.h"

#include "editors/asciidatatable.h"
#include "editors/channeldialog.h"
#include "editors/cv210params.h"
#include "editors/cv310params.h"
#include "editors/cv320params.h"
#include "editors/cvpciparams.h"
#include "editors/df1dialog.h"
#include "editors/extendmodbus.h"
#include "editors/modbusprot.h"
#include "editors/riobt.h"
#include "editors/slaveadd.h"

#include <stdexcept>
#include <type_traits>

namespace cvcfg {

namespace {

template <typename Form, typename... Args>
Form& touch(std::unique_ptr<Form>& form, Args&&... args) {
    if (!form) {
        form = std::make_unique<Form>(std::forward<Args>(args)...);
    }
    return *form;
}

} // namespace

void unloadLater(QWidget* form) {
    form->hide();
    form->deleteLater();
}

EditorForms::EditorForms(Session session, Shell& shell) : m_session(session), m_shell(shell) {}

EditorForms::~EditorForms() = default;

template <typename Dialog> Dialog& EditorForms::shown(Dialog& dialog) {
    if (ModelEditor* editor = recordEditor()) {
        if constexpr (std::is_same_v<Dialog, ChannelDialog>) {
            editor->layOutChannelDialog(dialog);
        } else if constexpr (std::is_same_v<Dialog, DF1Dialog>) {
            editor->layOutDF1Dialog(dialog);
        }
    }
    dialog.showRecord();
    return dialog;
}

ChannelDialog& EditorForms::paramConfigA() {
    return shown(touch(m_paramConfigA, Channel::A, *this));
}
ChannelDialog& EditorForms::paramConfigB() {
    return shown(touch(m_paramConfigB, Channel::B, *this));
}
ChannelDialog& EditorForms::paramConfigC() {
    return shown(touch(m_paramConfigC, Channel::C, *this));
}
DF1Dialog& EditorForms::df_Param() {
    return shown(touch(m_dfParam, record(), m_shell));
}
ModbusProt& EditorForms::modbus_prot() {
    return shown(touch(m_modbusProt, *this));
}
// The extended table holds nothing of the record.
ExtendModbus& EditorForms::extendModbus() {
    return touch(m_extendModbus, *this);
}
SlaveAddDialog& EditorForms::SlaveAdd() {
    return shown(touch(m_slaveAdd, *this));
}
RioBt& EditorForms::rio_bt() {
    return shown(touch(m_rioBt, *this));
}
AsciiDataTable& EditorForms::ASCII_DataTable() {
    return shown(touch(m_asciiDataTable, record(), m_shell));
}

void EditorForms::unloadRioBt() {
    if (m_rioBt) {
        unloadLater(m_rioBt.release());
    }
}

ModelEditor* EditorForms::editorFor(const std::string& model) {
    const EditorRow* row = editorRowFor(model);
    if (!row) {
        return nullptr;
    }
    std::unique_ptr<ModelEditor>& editor = m_editors[row];
    if (!editor) {
        editor = row->make(*this);
    }
    return editor.get();
}

// A row has an entry exactly while its editor is loaded.
bool EditorForms::editorLoaded(const std::string& model) const {
    return m_editors.contains(editorRowFor(model));
}

void EditorForms::unloadEditorFor(const std::string& model) {
    if (auto node = m_editors.extract(editorRowFor(model))) {
        unloadLater(&node.mapped().release()->window());
    }
}

std::vector<ModelEditor*> EditorForms::loadedEditors() const {
    std::vector<ModelEditor*> editors;
    for (const auto& [row, editor] : m_editors) {
        editors.push_back(editor.get());
    }
    return editors;
}

// A family's set-up prepares the editor of its own row, whatever model the
// record names at that moment.
template <typename Editor> Editor& editorOfRow(EditorForms& forms, const std::string& model) {
    auto* editor = dynamic_cast<Editor*>(forms.editorFor(model));
    if (!editor) {
        throw std::logic_error("the " + model + " row does not build its editor");
    }
    return *editor;
}

CV210Params& EditorForms::cv210Params() {
    return editorOfRow<CV210Params>(*this, "CV210");
}

CV310Params& EditorForms::cv310Params() {
    return editorOfRow<CV310Params>(*this, "CV310");
}

CV320Params& EditorForms::cv320Params() {
    return editorOfRow<CV320Params>(*this, "CV320");
}

CVPCIParams& EditorForms::cvpciParams() {
    return editorOfRow<CVPCIParams>(*this, "CV-PCI");
}

ModelEditor* EditorForms::recordEditor() const {
    const auto found = m_editors.find(editorRowFor(m_session.record.ModelName));
    return found == m_editors.end() ? nullptr : found->second.get();
}

void EditorForms::showEditorRecord() {
    if (ModelEditor* editor = recordEditor()) {
        editor->showRecord();
    }
}

// Each touch shows the record.
void EditorForms::showDialogRecords() {
    paramConfigA();
    paramConfigB();
    paramConfigC();
    df_Param();
    modbus_prot();
    SlaveAdd();
    rio_bt();
    ASCII_DataTable();
}

} // namespace cvcfg
