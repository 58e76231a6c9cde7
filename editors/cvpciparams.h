#pragma once

#include "core/codes.h"
#include "editors/controls.h"
#include "editors/familyeditor.h"

#include <memory>
#include <optional>

namespace Ui {
class CVPCI_Params;
}

namespace cvcfg {

// The editor of the CV-PCI card (CVPCI_Params): its network (DH+, DH-485
// or Remote I/O adapter) with the station or racks and the network speed,
// and the DF1 side of the bus.
class CVPCIParams : public FamilyEditor {
    Q_OBJECT
public:
    explicit CVPCIParams(Dialogs& dialogs);
    ~CVPCIParams() override;

    // ModelEditor
    void showRecord() override;
    void UpdateParameters() override;
    void restore_configuration() override;
    void showLoadedRecord() override;
    void layOutDF1Dialog(DF1Dialog& dialog) override;

    // What the CV-PCI start chooses; each runs its control's handler as the
    // operator's choice would, also when it is chosen already.
    void chooseNetwork(Network network);
    void chooseNetworkSpeed(const QString& text);
    void chooseBusSpeed(const QString& text);

private:
    void optDH_Click();
    void optDH485_Click();
    void optRIO_Click();
    void cboStationNumber_Click();
    void cboRackNum_Click();
    void cboRackRange_Click();
    void cboNetworkSpeed_Click();
    void cboBusSpeed_Click();
    void cboAsyncSpeed_Click();
    void cmdDF1Param_Click();
    void cmdRioBt_Click();
    void cmdEXIT_Click();

    // What the choices write into the record.
    void takeStation(int station);
    void takeNetwork(Network network, const QString& speed);
    void takeNetworkSpeed(Network network, const QString& text);
    void takeBusSpeed(const QString& text);

    // The network the record stands for, if its code is one of the card's.
    [[nodiscard]] std::optional<Network> shownNetwork() const;

    std::unique_ptr<Ui::CVPCI_Params> m_ui;
};

} // namespace cvcfg
