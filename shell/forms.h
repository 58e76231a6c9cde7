#pragma once

#include "editors/controls.h"
#include "shell/application.h"

#include <QDate>
#include <QWidget>
#include <memory>

namespace Ui {
class Welcome;
class about;
class Mainmenu;
class model_CV210;
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
    [[nodiscard]] Ui::Welcome& ui() { return *m_ui; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startCV210();
    void startPC104();

    Application& m_app;
    std::unique_ptr<Ui::Welcome> m_ui;
};

class About : public QWidget {
    Q_OBJECT
public:
    explicit About(Application& app);
    ~About() override;
    [[nodiscard]] Ui::about& ui() { return *m_ui; }

private:
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
    [[nodiscard]] Ui::Mainmenu& ui() { return *m_ui; }

    void UpdateParameters();
    void Click_CHA_Params();
    void Click_CHB_Params();
    void Click_CHC_Params();
    void ResetDF1Dialog();
    void OpenModelEditor();
    void cmdBurn_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cboCOM_Click();
    void showDevice();
    void enableTransfers(bool enabled);

    Application& m_app;
    std::unique_ptr<Ui::Mainmenu> m_ui;
};

// The CV210 variant menu (model_CV210) and the set-up routines of its
// variants.
class ModelCV210 : public QWidget {
    Q_OBJECT
public:
    explicit ModelCV210(Application& app);
    ~ModelCV210() override;
    [[nodiscard]] Ui::model_CV210& ui() { return *m_ui; }

    void CV210s();
    void Setup_KFR();
    void Setup_MODBUS();
    void Setup_DF1();
    void Format_ASCII();
    void Format_Custom();
    void unload_CV120();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectVariants();
    // The steps every variant button takes before its own.
    void beginVariant(const char* caption, const char* variant, bool df1);

    Application& m_app;
    std::unique_ptr<Ui::model_CV210> m_ui;
};

// Downloads a saved configuration file (download).
class DownloadForm : public QWidget {
    Q_OBJECT
public:
    explicit DownloadForm(Application& app);
    ~DownloadForm() override;
    [[nodiscard]] Ui::download& ui() { return *m_ui; }
    void cmdDOWNLOAD_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
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
    [[nodiscard]] Ui::upload& ui() { return *m_ui; }
    void cmdUpload_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setBusy(bool busy);

    Application& m_app;
    std::unique_ptr<Ui::upload> m_ui;
    bool m_transferring = false;
};

} // namespace cvcfg
