#pragma once

#include "core/codes.h"
#include "editors/controls.h"
#include "editors/familyeditor.h"

#include <memory>
#include <string_view>

namespace Ui {
class CV310_Params;
}

namespace cvcfg {

// The editor of the three-channel CV310 units (CV310_Params). The variant's
// button lays the form out: which channels it shows, what they are called,
// which station and address lists they offer and which dialogs they open.
class CV310Params : public FamilyEditor {
    Q_OBJECT
public:
    explicit CV310Params(Dialogs& dialogs);
    ~CV310Params() override;

    // ModelEditor
    void showRecord() override;
    void UpdateParameters() override;
    void restore_configuration() override;
    void showLoadedRecord() override;
    void layOutChannelDialog(ChannelDialog& dialog) override;

    // Chooses the button of `variant` (a ModelVariant), running its handler
    // also when it is selected already; false for a variant not of the
    // CV310.
    bool chooseVariant(std::string_view variant);

    // The variant-independent start every variant's button runs first.
    void Setup_Form();

    // Channel A's protocol: DF1 to the PLC/SLC, or Modbus RTU.
    void CHA_DF1();
    void CHA_Modbus();

private:
    struct VariantButton {
        std::string_view variant;
        OptionButton* button;
        void (CV310Params::*handler)();
    };

    void optMMX_Click();
    void optDMX_Click();
    void optDFX_Click();
    void optBTI_Click();
    void optDF1toDF1_Click();
    void optDAS_Click();
    void optDF1_Click();
    void optModbus_Click();
    void optSType_Click();
    void optMType_Click();
    void optLMType_Click();
    void optPT03Type_Click();
    void optLType_Click();
    void optSAType_Click();
    void cboCHASpeed_Click();
    void cboCHBSpeed_Click();
    void cboCHCSpeed_Click();
    void cboStationNumber_Click();
    void cboModbusAdd_Click();
    void CboHighAddress_Click();
    void cboPLCadd_Click();
    void cmdCHA_Click();
    void Command3_Click();
    void cmdAsyncC_Click();
    void cmdProtParam_Click();
    void cmdModBus_Click();
    void cmdASCII_Click();

    // What the variant buttons share: the start and the variant's code.
    void beginVariant(std::string_view variant, bool clearHighAddress);
    void takeBrabenderType(int32_t type);
    void takeSpeed(const ListBox* list, std::string& field);
    // The octal entry chosen in the list, in HighAddress.
    void takeHighAddress(const ListBox* list);

    // The variant the record's application code selects, if it is one of
    // the CV310's.
    [[nodiscard]] const VariantButton* chosenVariant() const;

    std::unique_ptr<Ui::CV310_Params> m_ui;
    std::vector<VariantButton> m_variants;
    std::vector<ValueOption> m_brabender;
    QString m_designTitle;
};

} // namespace cvcfg
