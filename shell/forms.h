#pragma once

#include "editors/controls.h"
#include "shell/application.h"

#include <QDate>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QLabel;
class QPushButton;

namespace Ui {
class Welcome;
class about;
class Mainmenu;
class model_CV210;
class model_CV310;
class download;
class upload;
} // namespace Ui

namespace cvcfg {

// The text the product-selection caption gets for a date: "December.05, 26".
[[nodiscard]] QString welcomeDateText(const QDate& date);

// Product selection (Welcome), where the program starts.
class Welcome : public QWidget {
    Q_OBJECT
public:
    explicit Welcome(Application& app);
    ~Welcome() override;

    // Runs the button of the product whose ModelName is `model`, as a click
    // would; false when no button starts that product.
    bool startProduct(std::string_view model);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void SetupMEparams();
    void UpdateCVPCI_Parameters();

    Application& m_app;
    std::unique_ptr<Ui::Welcome> m_ui;
};

class About : public QWidget {
    Q_OBJECT
public:
    explicit About(Application& app);
    ~About() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Command1_Click();

    Application& m_app;
    std::unique_ptr<Ui::about> m_ui;
};

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

// What the two variant menus share: the description that follows the
// pointer over a variant's button, "Back" and the close box, and choosing a
// variant from code.
class VariantMenu : public QWidget {
    Q_OBJECT
public:
    // Runs the button of `variant` (a ModelVariant), as a click would; false
    // when the menu has no such variant.
    bool chooseVariant(std::string_view variant);

    // Puts the record where the family's product button leaves it: blank but
    // for the product and the link speed to the unit (taken by value: it may
    // come from the record being emptied).
    virtual void startRecord(std::string linkBaud) = 0;

protected:
    struct VariantButton {
        std::string_view variant;
        QPushButton* button;
        std::function<void()> handler;
    };

    explicit VariantMenu(Application& app);

    // Wires the variants' buttons, the description and "Back", once the
    // form's controls exist.
    void wireVariants(std::vector<VariantButton> variants, QLabel* description, QPushButton* back);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Unloads the menu (the menu of each family knows its own slot).
    virtual void unload() = 0;

    Application& m_app;

private:
    void Command10_Click();
    // Every variant starts from its product's start again, with the link
    // speed already answered, whatever the record holds by then.
    void runVariant(const VariantButton& variant);

    std::vector<VariantButton> m_variants;
    QLabel* m_description = nullptr;
};

// The CV210 variant menu (model_CV210) and the set-up routines of its
// variants.
class ModelCV210 : public VariantMenu {
    Q_OBJECT
public:
    explicit ModelCV210(Application& app);
    ~ModelCV210() override;

    void startRecord(std::string linkBaud) override;

    void CV210s();
    void Setup_KFR();
    void Setup_MODBUS(std::string_view variant);
    void Setup_DF1(std::string_view variant);
    void Format_ASCII();
    void Format_Custom();
    void unload_CV120();

protected:
    void unload() override;

private:
    void cmd200MODBUS_Click();
    void cmd200KFR_Click();
    void cmd200RMM_Click();
    void cmdASCII_Click();
    void cmdENI_Click();
    void cmdSLC504_Click();
    void Command22_Click();

    // The steps every variant button takes before its own; `df1` for the
    // variants that start from the DF1 set-up.
    void beginVariant(std::string_view variant, bool df1);
    // ConfigLength and AppCode of the variant's catalogue row.
    void takeIdentity(std::string_view variant);

    std::unique_ptr<Ui::model_CV210> m_ui;
};

// The CV310 variant menu (model_CV310) and the set-up routines of its
// variants.
class ModelCV310 : public VariantMenu {
    Q_OBJECT
public:
    explicit ModelCV310(Application& app);
    ~ModelCV310() override;

    void startRecord(std::string linkBaud) override;

    void Init_CV310();
    void SetupDMXparams();
    void unload_CV120();

protected:
    void unload() override;

private:
    void cmdBTI_Click();
    void Command2_Click();
    void Command1_Click();
    void cmd310DMX_Click();
    void cmd310MMX_Click();
    void cmd310DFX_Click();

    // The common start, the variant and its image length, then the variant's
    // button in the editor.
    void takeVariant(std::string_view variant);

    std::unique_ptr<Ui::model_CV310> m_ui;
};

// Downloads a saved configuration file (download).
class DownloadForm : public QWidget {
    Q_OBJECT
public:
    explicit DownloadForm(Application& app);
    ~DownloadForm() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdDOWNLOAD_Click();
    void setBusy(bool busy);

    Application& m_app;
    std::unique_ptr<Ui::download> m_ui;
    bool m_transferring = false;
};

// Uploads a unit's configuration into a file and the editor (upload).
class UploadForm : public QWidget {
    Q_OBJECT
public:
    explicit UploadForm(Application& app);
    ~UploadForm() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdUpload_Click();
    void Command1_Click();
    void setBusy(bool busy);

    Application& m_app;
    std::unique_ptr<Ui::upload> m_ui;
    bool m_transferring = false;
};

} // namespace cvcfg
