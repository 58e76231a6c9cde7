#pragma once

#include "editors/channeldialog.h"
#include "editors/cv210params.h"
#include "editors/df1dialog.h"
#include "editors/formset.h"
#include "editors/shell.h"
#include "tests/support/gui.h"

namespace cvcfg::test {

// The shell as the editors see it, counting what they ask of it.
class StubShell : public Shell {
public:
    void UpdateParameters() override { ++updates; }
    void showMainMenu() override { ++mainMenus; }
    void showModelEditor() override {
        ++editorsShown;
        if (forms && forms->editorLoaded(forms->record().ModelName)) {
            forms->editor()->showEditor();
        }
    }
    void endProgram() override { ++ended; }

    EditorForms* forms = nullptr;
    int updates = 0;
    int mainMenus = 0;
    int editorsShown = 0;
    int ended = 0;
};

// The editors and dialogs on a stub shell.
struct EditorBench {
    EditorBench() { shell.forms = &forms; }

    GuiContext gui;
    StubShell shell;
    EditorForms forms{gui.session(), shell};
};

} // namespace cvcfg::test
