#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class Mainmenu;
}

namespace cvcfg {

class Application;

// The main menu (Mainmenu): the COM port, the way to the editor, the
// transfers and the tools, and the record defaults of the chosen model.
class MainMenu : public QWidget {
    Q_OBJECT
public:
    explicit MainMenu(Application& app);
    ~MainMenu() override;

    void UpdateParameters();
    void Click_CHA_Params();
    void Click_CHB_Params();
    void Click_CHC_Params();
    void ResetDF1Dialog();
    void OpenModelEditor();

    // "CV Off-line Manager", as the operator's click runs it.
    void openOffLineManager() { cmdBurn_Click(); }

    // The set-ups name the kind of unit the editor configures, and the CV320
    // start the unit the port reaches.
    void setEditorToolTip(const QString& text);
    void setPortCaption(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void cboCOM_Click();
    void cmdAddServer_Click();
    void cmdForgetServer_Click();
    void cmdUpdate_Click();
    void cmdDOWNLOAD_Click();
    void cmdUPLOAD_Click();
    void cmdCompare_Click();
    void cmdBurn_Click();
    void Command2_Click();
    void Command3_Click();
    void showPort();
    void enableTransfers(bool enabled);

    Application& m_app;
    std::unique_ptr<Ui::Mainmenu> m_ui;
};

} // namespace cvcfg
