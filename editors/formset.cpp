#include "editors/formset.h"

#include "editors/asciidatatable.h"
#include "editors/channeldialogs.h"
#include "editors/cv210params.h"
#include "editors/cv310params.h"
#include "editors/cv320params.h"
#include "editors/cvpciparams.h"
#include "editors/modbusdialogs.h"
#include "editors/riobt.h"

#include <stdexcept>

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

ChannelDialog& EditorForms::paramConfigA() {
    return touch(m_paramConfigA, Channel::A, *this);
}
ChannelDialog& EditorForms::paramConfigB() {
    return touch(m_paramConfigB, Channel::B, *this);
}
ChannelDialog& EditorForms::paramConfigC() {
    return touch(m_paramConfigC, Channel::C, *this);
}
DF1Dialog& EditorForms::df_Param() {
    return touch(m_dfParam, *this);
}
ModbusProt& EditorForms::modbus_prot() {
    return touch(m_modbusProt, *this);
}
ExtendModbus& EditorForms::extendModbus() {
    return touch(m_extendModbus, *this);
}
SlaveAddDialog& EditorForms::SlaveAdd() {
    return touch(m_slaveAdd, *this);
}
RioBt& EditorForms::rio_bt() {
    return touch(m_rioBt, *this);
}
AsciiDataTable& EditorForms::ASCII_DataTable() {
    return touch(m_asciiDataTable, *this);
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

void EditorForms::showEditorRecord() {
    if (editorLoaded(record().ModelName)) {
        editor()->showRecord();
    }
}

void EditorForms::showDialogRecords() {
    paramConfigA().showRecord();
    paramConfigB().showRecord();
    paramConfigC().showRecord();
    df_Param().showRecord();
    modbus_prot().showRecord();
    SlaveAdd().showRecord();
    rio_bt().showRecord();
    ASCII_DataTable().showRecord();
}

} // namespace cvcfg
