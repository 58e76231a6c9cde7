#include "editors/modeleditor.h"

#include "editors/cv210params.h"
#include "editors/cv310params.h"
#include "editors/cv320params.h"
#include "editors/cvpciparams.h"

#include <algorithm>

namespace cvcfg {

namespace {

template <typename Editor> std::unique_ptr<ModelEditor> make(Dialogs& dialogs) {
    return std::make_unique<Editor>(dialogs);
}

// The CV-PC/104 card runs the CV210's firmware family and uses its editor.
constexpr std::array<EditorRow, 4> kEditors = {{
    {{"CV210", "CV-PC/104-MODBUS"}, &make<CV210Params>},
    {{"CV310", ""}, &make<CV310Params>},
    {{"CV320", ""}, &make<CV320Params>},
    {{"CV-PCI", ""}, &make<CVPCIParams>},
}};

} // namespace

void ModelEditor::showEditor() {
    showRecord();
    QWidget& form = window();
    form.setEnabled(true);
    form.show();
    form.raise();
}

bool EditorRow::edits(std::string_view model) const {
    return !model.empty() && std::find(models.begin(), models.end(), model) != models.end();
}

std::span<const EditorRow> modelEditors() {
    return kEditors;
}

const EditorRow* editorRowFor(std::string_view model) {
    const auto* const found =
        std::find_if(kEditors.begin(), kEditors.end(),
                     [model](const EditorRow& row) { return row.edits(model); });
    return found == kEditors.end() ? nullptr : &*found;
}

} // namespace cvcfg
