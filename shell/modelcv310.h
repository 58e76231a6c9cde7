#pragma once

#include "shell/variantmenu.h"

#include <memory>
#include <string>
#include <string_view>

namespace Ui {
class model_CV310;
}

namespace cvcfg {

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

} // namespace cvcfg
