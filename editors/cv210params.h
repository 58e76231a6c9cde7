#pragma once

#include "core/configfile.h"
#include "editors/controls.h"
#include "editors/formset.h"

#include <QMenu>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

namespace Ui {
class CV210_Params;
}

namespace cvcfg {

// The editor of the CV210 family and of the CV-PC/104 card (CV210_Params).
// Each network or mode button rearranges the form and sets the record fields
// of its choice; each list turns the operator's choice into a code of the
// record. Every choice is in the record at once.
class CV210Params : public QWidget, public FileValueView {
    Q_OBJECT
public:
    explicit CV210Params(EditorForms& forms);
    ~CV210Params() override;

    // The controls, as the variant set-ups and the main menu reach them.
    [[nodiscard]] Ui::CV210_Params& ui() { return *m_ui; }

    // Mode buttons stand at the left or the right end of the mode frame.
    enum class End { Left, Right };
    void place(OptionButton* mode, End end);
    // Makes a mode button visible, places it and selects it; its handler
    // runs even when it was selected already.
    void selectMode(OptionButton* mode, End end);

    // The file menu (a pop-up of the CONFIGURATION Settings button).
    [[nodiscard]] QMenu* fileMenu() const { return m_fileMenu.get(); }
    void save_file();
    void open_file();
    void restore_configuration();

    void cmdDOWNLOAD_Click();

    // Opening a file: the controls follow the file's values before they are
    // stored, the dialogs follow the record after.
    void showFileValues(const FileValues& values) override;
    void refreshFromRecord(const ConfigRecord& record) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectNetwork();
    void connectModes();
    void connectLists();
    void connectButtons();

    void setNetwork(bool dhPlus);
    void startMode(bool channelC);
    void leaveRemoteIO();
    void showRackControls(bool rackNumber, bool others);
    void showChannelC(bool visible);
    void showModbusChannelC(bool visible);
    void showBrabenderTypes(bool visible);
    void openDialog(QWidget* dialog);

    EditorForms& m_forms;
    ConfigRecord& m_record;
    std::unique_ptr<Ui::CV210_Params> m_ui;
    std::unique_ptr<QMenu> m_fileMenu;
    QAction* m_saveFile = nullptr;
    bool m_remoteIO = false;
    bool m_downloading = false;
    std::map<QWidget*, std::vector<QWidget*>> m_companions;
};

} // namespace cvcfg
