#pragma once

#include "core/configfile.h"
#include "editors/formset.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <functional>

namespace cvcfg {

// What every family editor does the same way: its CONFIGURATION Settings
// menu, the save and open of its file items, and the download it runs.

// The object names of a file menu's items, which differ between editors.
struct FileMenuItems {
    const char* save;
    const char* open;
    const char* restore;
};

// The pop-up "&Configuration Settings" (file_menu): save, open, a bar, and
// the defaults.
QMenu* makeFileMenu(QWidget* editor, FileMenuItems items, const std::function<void()>& save,
                    const std::function<void()>& open, const std::function<void()>& restore);

// The Save item: the record into a file the operator chooses.
void saveConfiguration(EditorForms& forms);

// The Open item: a file the operator chooses into the record; `view` shows it.
void openConfiguration(EditorForms& forms, FileValueView* view);

// An editor's download button and what it shows while the download runs.
struct DownloadControls {
    QWidget* editor;
    QPushButton* download;
    QPushButton* back; // the way out, shut while the port is in use
    QLabel* status;
};

// Downloads the record, with the editor's status line and busy state.
void downloadFromEditor(EditorForms& forms, const DownloadControls& controls);

} // namespace cvcfg
