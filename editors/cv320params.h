#pragma once

#include "editors/controls.h"
#include "editors/familyeditor.h"

#include <memory>

namespace Ui {
class CV320_Params;
}

namespace cvcfg {

// The editor of the CV320 Modbus/TCP unit (CV320_Params): its one variant,
// channel A's speed and options, and the Modbus parameters.
class CV320Params : public FamilyEditor {
    Q_OBJECT
public:
    explicit CV320Params(Dialogs& dialogs);
    ~CV320Params() override;

    // ModelEditor
    void showRecord() override;
    void UpdateParameters() override;
    void restore_configuration() override;
    void showLoadedRecord() override;
    void layOutChannelDialog(ChannelDialog& dialog) override;

    // The variant-independent defaults the variant's button starts from.
    void Setup_Form();

    // Chooses the CV320-ME variant, running its handler also when it is
    // selected already.
    void chooseME();

private:
    void optME_Click();
    void cboCHASpeed_Click();
    void cmdCHA_Click();
    void cmdModBus_Click();

    std::unique_ptr<Ui::CV320_Params> m_ui;
    QString m_designTitle;
};

} // namespace cvcfg
