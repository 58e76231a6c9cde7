#pragma once

#include "core/codes.h"
#include "editors/controls.h"
#include "editors/familyeditor.h"

#include <memory>
#include <optional>

namespace Ui {
class CV210_Params;
}

namespace cvcfg {

// The editor of the CV210 family and of the CV-PC/104 card (CV210_Params).
// Each handler writes the record fields of the operator's choice and then
// shows the record: which mode, network, lists, captions and frames the form
// shows all follow from the record (variant, mode bytes, network type and
// the codes), so the form never shows what the download would not carry.
class CV210Params : public FamilyEditor {
    Q_OBJECT
public:
    // The operating modes the CV210 variants offer, each a button of the
    // mode frame.
    enum class Mode { DF1, Bridging, Modbus, Ascii, RemoteIO };

    explicit CV210Params(Dialogs& dialogs);
    ~CV210Params() override;

    // ModelEditor
    void showRecord() override;
    void UpdateParameters() override;
    void restore_configuration() override;
    void showLoadedRecord() override;
    void layOutChannelDialog(ChannelDialog& dialog) override;
    void layOutDF1Dialog(DF1Dialog& dialog) override;

    // What the variant set-ups choose; each runs its button's handler as a
    // click would, also when the button is selected already.
    void chooseMode(Mode mode);
    void chooseNetwork(Network network);

    // The mode the record stands for among the variant's modes, if any.
    [[nodiscard]] std::optional<Mode> shownMode() const;

private:
    struct VariantLayout;

    void wireControls();

    // Handlers, named after their controls.
    void optStandardDF1_Click();
    void optBridging_Click();
    void optMODBUS_Click();
    void optASC_Click();
    void optKFR_Click();
    void optDHPlus_Click();
    void optDH485_Click();
    void cboStationNumber_Click();
    void cboHighAddress_Click();
    void cboNetworkSpeed_Click();
    void cboRackNum_Click();
    void cboRackRange_Click();
    void cboRackSize_Click();
    void cboDHPLinkID_Click();
    void cboDH485LinkID_Click();
    void cboAsyncSpeed_Click();
    void Command3_Click();
    void cmdProtParam_Click();
    void cmdModBus_Click();
    void cmdASCII_Click();
    void cmdEXIT_Click();

    // What the choices write into the record.
    void takeMode(Mode mode);
    void takeNetwork(Network network);
    void takeStation(int value);

    // Parts of showRecord.
    [[nodiscard]] const VariantLayout& layout() const;
    [[nodiscard]] Network shownNetwork() const;
    void showModes();
    void showNetwork();
    void showAddresses();
    void showRemoteIO();
    void showBusProtocol();

    std::unique_ptr<Ui::CV210_Params> m_ui;
    QString m_designTitle;
    QString m_df1Tooltip;
    QString m_highAddressTooltip;
};

} // namespace cvcfg
