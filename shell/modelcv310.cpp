#include "shell/modelcv310.h"

#include "core/catalogue.h"
#include "editors/cv310params.h"
#include "shell/application.h"
#include "ui_model_cv310.h"

#include <utility>

namespace cvcfg {

ModelCV310::ModelCV310(Application& app)
    : VariantMenu(app), m_ui(std::make_unique<Ui::model_CV310>()) {
    m_ui->setupUi(this);
    Ui::model_CV310& ui = *m_ui;
    wireVariants(
        {
            {"CV310-BTI", ui.cmdBTI,
             [this] {
                 cmdBTI_Click();
             }},
            {"CV310-DAS", ui.Command2,
             [this] {
                 Command2_Click();
             }},
            {"CV310-DF1", ui.Command1,
             [this] {
                 Command1_Click();
             }},
            {"CV310-DMX", ui.cmd310DMX,
             [this] {
                 cmd310DMX_Click();
             }},
            {"CV310-MMX", ui.cmd310MMX,
             [this] {
                 cmd310MMX_Click();
             }},
            {"CV310-DFX", ui.cmd310DFX,
             [this] {
                 cmd310DFX_Click();
             }},
        },
        ui.lblDescription, ui.Command10);
}

ModelCV310::~ModelCV310() = default;

void ModelCV310::unload() {
    m_app.unloadModelCV310();
}

void ModelCV310::startRecord(std::string linkBaud) {
    m_app.startBlankRecord();
    ConfigRecord& record = m_app.record();
    record.ModelName = "CV310";
    record.LinkBaud = std::move(linkBaud);
}

// Every CV310 starts as long as a unit without an extended block, the MMX.
void ModelCV310::Init_CV310() {
    m_app.record().ConfigLength = static_cast<int16_t>(catalogueRow("CV310-MMX").ConfigLength);
    m_app.UpdateParameters();
}

void ModelCV310::SetupDMXparams() {
    ConfigRecord& record = m_app.record();
    record.ConfigLength = static_cast<int16_t>(catalogueRow("CV310-DMX").ConfigLength);
    // The set-up's own code, which the variant's button replaces at once.
    constexpr int kStartAppCode = 1;
    record.AppCode = charField(kStartAppCode);
    clearModbusSetUpEntries(record);
    m_app.editors().cv310Params().chooseVariant("CV310-DMX");
}

void ModelCV310::unload_CV120() {
    m_app.unloadModelCV310();
    m_app.showMainMenu();
}

void ModelCV310::takeVariant(std::string_view variant) {
    Init_CV310();
    ConfigRecord& record = m_app.record();
    record.ModelVariant = variant;
    record.ConfigLength = static_cast<int16_t>(catalogueRow(variant).ConfigLength);
    m_app.editors().cv310Params().chooseVariant(variant);
    unload_CV120();
}

void ModelCV310::cmdBTI_Click() {
    takeVariant("CV310-BTI");
}

void ModelCV310::Command2_Click() {
    takeVariant("CV310-DAS");
}

void ModelCV310::Command1_Click() {
    takeVariant("CV310-DF1");
}

void ModelCV310::cmd310DMX_Click() {
    Init_CV310();
    m_app.record().ModelVariant = "CV310-DMX";
    SetupDMXparams();
    unload_CV120();
}

void ModelCV310::cmd310MMX_Click() {
    takeVariant("CV310-MMX");
}

void ModelCV310::cmd310DFX_Click() {
    takeVariant("CV310-DFX");
}

} // namespace cvcfg
