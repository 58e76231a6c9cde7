#pragma once

#include "shell/variantmenu.h"

#include <memory>
#include <string>
#include <string_view>

namespace Ui {
class model_CV210;
}

namespace cvcfg {

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

} // namespace cvcfg
