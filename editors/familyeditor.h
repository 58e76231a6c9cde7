#pragma once

#include "editors/dialogs.h"
#include "editors/modeleditor.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

namespace cvcfg {

// What every family editor's form does the same way: the CONFIGURATION
// Settings pop-up with save, open and the defaults, the download with its
// status line, the return to the main menu and the close box.
class FamilyEditor : public QWidget, public ModelEditor {
    Q_OBJECT
public:
    QWidget& window() override { return *this; }

protected:
    // The object names of the pop-up's items, which differ between editors.
    struct FileMenuItems {
        const char* save;
        const char* open;
        const char* restore;
    };

    // The controls of the form that these handlers use.
    struct CommonControls {
        QPushButton* cmdCONFIG;
        QPushButton* cmdDOWNLOAD;
        QPushButton* cmdRETURN;
        QLabel* lblStatus;
    };

    explicit FamilyEditor(Dialogs& dialogs);

    // Builds the pop-up and wires the common handlers, once the form's
    // controls exist.
    void wireCommonControls(const CommonControls& controls, FileMenuItems items);

    void cmdCONFIG_Click();
    void cmdDOWNLOAD_Click();
    void cmdRETURN_Click();
    void save_file();
    void open_file();
    void compare_file();
    void print_sheet();

    // Shows a dialog of the editor, which waits disabled for its ACCEPT.
    void openDialog(QDialog& dialog);

    // The close box returns to the main menu and unloads the editor.
    void closeEvent(QCloseEvent* event) override;

    Dialogs& m_dialogs;
    ConfigRecord& m_record;

private:
    CommonControls m_common{};
    QMenu* m_fileMenu = nullptr;
    std::string m_file; // the file last saved or opened here
    bool m_downloading = false;
};

// Tells the operator, in one message, which fields of a configuration just
// opened or uploaded hold values that the forms of its product do not offer,
// with the offered ones; nothing when the forms offer every value. The
// record keeps the values either way.
void tellValuesNotOffered(Operator& op, const ConfigRecord& record);

} // namespace cvcfg
