#pragma once

#include "editors/controls.h"
#include "editors/formset.h"

#include <QMenu>
#include <QWidget>
#include <memory>

namespace Ui {
class CV320_Params;
}

namespace cvcfg {

// The editor of the CV320 Modbus/TCP unit (CV320_Params): its one variant,
// channel A's speed and options, and the Modbus parameters.
class CV320Params : public QWidget, public ModelEditor {
    Q_OBJECT
public:
    explicit CV320Params(EditorForms& forms);
    ~CV320Params() override;

    // ModelEditor
    QWidget& window() override { return *this; }
    void showRecord() override;
    void UpdateParameters() override;
    void restore_configuration() override;
    void showLoadedRecord() override;

    // The variant-independent defaults the variant's button starts from.
    void Setup_Form();

    // Chooses the CV320-ME variant, running its handler also when it is
    // selected already.
    void chooseME();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void optME_Click();
    void cboCHASpeed_Click();
    void cmdCHA_Click();
    void cmdModBus_Click();
    void cmdCONFIG_Click();
    void cmdDOWNLOAD_Click();
    void cmdRETURN_Click();
    void save_file();
    void open_file();

    EditorForms& m_forms;
    ConfigRecord& m_record;
    std::unique_ptr<Ui::CV320_Params> m_ui;
    QMenu* m_fileMenu = nullptr;
    QString m_designTitle;
    bool m_downloading = false;
};

} // namespace cvcfg
