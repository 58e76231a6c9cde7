#pragma once

#include "editors/channeldialog.h"
#include "editors/cv210params.h"
#include "editors/df1dialog.h"
#include "shell/about.h"
#include "shell/application.h"
#include "shell/downloadform.h"
#include "shell/mainmenu.h"
#include "shell/modelcv210.h"
#include "shell/modelcv310.h"
#include "shell/uploadform.h"
#include "shell/welcome.h"
#include "tests/support/gui.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <cctype>
#include <gtest/gtest.h>
#include <string>

namespace cvcfg::test {

inline const MessageBox kSerialNumberQuestion{
    "Is the serial number of the REVISION 2 CV210 Greater or Equal to 21000 starting February 2004",
    Buttons::YesNo, Icon::None, "!CHECK CV210 Rev2 SERIAL NUMBER!"};

inline const MessageBox kPc104Note{
    "This version of CVCFG is for CV-PC/104's with MODBUS to DH+ Firmware!", Buttons::Ok,
    Icon::Information, "NOTE - Check CV-PC/104's Model"};

inline const MessageBox kPciWarning{
    "This version of CVCFG is for CV-PCI's with Serial Number 20107 or later starting in October "
    "2003",
    Buttons::Ok, Icon::Information, "!!!WARNING!!!- Check CV-PCI Serial Number for Compatibility"};

inline const MessageBox kModbusWarning{
    "This version of CVCFG is for Modbus Versions later and including V1.06 dated September "
    "12,2003 ONLY",
    Buttons::Ok, Icon::Information, "!!!WARNING!!!- Check CV210-Modbus Version Number"};

// The button of each CV210 variant on the variant menu.
inline const char* variantButton(std::string_view variant) {
    const std::pair<std::string_view, const char*> buttons[] = {
        {"CV210-MODBUS", "cmd200MODBUS"}, {"CV210-KFR", "cmd200KFR"},
        {"CV210-RMM", "cmd200RMM"},       {"CV210-ASCII", "cmdASCII"},
        {"CV210-ENI", "cmdENI"},          {"CV210-SLC5/04 Bridge", "cmdSLC504"},
        {"CV210-DF1", "Command22"},
    };
    for (const auto& [name, button] : buttons) {
        if (name == variant) {
            return button;
        }
    }
    throw std::logic_error("no CV210 variant " + std::string(variant));
}

// The button of each CV310 variant on its variant menu.
inline const char* cv310VariantButton(std::string_view variant) {
    const std::pair<std::string_view, const char*> buttons[] = {
        {"CV310-BTI", "cmdBTI"},    {"CV310-DAS", "Command2"},  {"CV310-DF1", "Command1"},
        {"CV310-DMX", "cmd310DMX"}, {"CV310-MMX", "cmd310MMX"}, {"CV310-DFX", "cmd310DFX"},
    };
    for (const auto& [name, button] : buttons) {
        if (name == variant) {
            return button;
        }
    }
    throw std::logic_error("no CV310 variant " + std::string(variant));
}

// A variant's name as a test's name may hold it: "CV-PC/104-MODBUS" gives
// "CV_PC_104_MODBUS".
inline std::string variantTestName(const testing::TestParamInfo<const char*>& info) {
    std::string name;
    for (const char c : std::string(info.param)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

// The whole program on a scripted operator, started at product selection.
struct ShellBench {
    explicit ShellBench(PortMap ports = {})
        : gui(ports), app(gui.session(), ports, [this] { ++quits; }) {
        app.start();
    }
    ~ShellBench() { settle(); }

    ConfigRecord& record() { return gui.record; }
    ScriptedOperator& op() { return gui.op; }
    QWidget* welcome() { return &app.welcome(); }
    QWidget* menu() { return &app.mainmenu(); }
    // The editor of the record's model (the CV210's before any set-up).
    QWidget* editor() {
        ModelEditor* editor = app.editors().editor();
        return editor ? &editor->window() : &app.editors().cv210Params();
    }

    // The messages a variant's start shows, answered as the operator does:
    // the CV210's serial-number question with No unless on the fast link.
    void expectStartMessages(std::string_view variant, bool fastLink = false) {
        if (variant.starts_with("CV210")) {
            op().expect(kSerialNumberQuestion, fastLink ? Answer::Yes : Answer::No);
            if (variant == "CV210-MODBUS" && !fastLink) {
                op().expect(kModbusWarning);
            }
        } else if (variant == "CV-PCI") {
            op().expect(kPciWarning);
        } else if (variant == "CV-PC/104-MODBUS") {
            op().expect(kPc104Note);
        }
    }

    // The CV210 start, answering the serial-number question, then a variant,
    // each by the operator's click.
    void setUpCV210(std::string_view variant, bool fastLink = false) {
        expectStartMessages(variant, fastLink);
        click(welcome(), "Command4");
        click(&app.model_CV210(), variantButton(variant));
        settle();
    }

    // The CV310 start, then a variant, each by the operator's click.
    void setUpCV310(std::string_view variant) {
        click(welcome(), "Command5");
        click(&app.model_CV310(), cv310VariantButton(variant));
        settle();
    }

    // The CV-PC/104 start.
    void setUpPc104() {
        expectStartMessages("CV-PC/104-MODBUS");
        click(welcome(), "Command2");
        settle();
    }

    // The CV320 start, which leads straight to the main menu.
    void setUpCV320() {
        click(welcome(), "Command6");
        settle();
    }

    // The CV-PCI start, after its warning.
    void setUpPci() {
        expectStartMessages("CV-PCI");
        click(welcome(), "Command7");
        settle();
    }

    // A set-up of any variant of the catalogue that has an editor.
    void setUp(std::string_view variant) {
        if (variant == "CV-PCI") {
            setUpPci();
        } else if (variant == "CV320-ME") {
            setUpCV320();
        } else if (variant == "CV-PC/104-MODBUS") {
            setUpPc104();
        } else if (variant.starts_with("CV310")) {
            setUpCV310(variant);
        } else {
            setUpCV210(variant);
        }
    }

    GuiContext gui;
    int quits = 0;
    Application app;
};

// The program with a simulated unit of any variant on COM1, set up as a
// CV210-DF1 with COM1 chosen.
struct DF1WithUnit {
    DF1WithUnit()
        : unit({"--variant", "any", "--link", dir.path("port")}), bench([this] {
              PortMap ports;
              EXPECT_TRUE(ports.addMapping("1=" + dir.path("port")).ok());
              return ports;
          }()) {
        bench.setUpCV210("CV210-DF1");
        pickPort(bench.menu(), 1);
    }

    TempDir dir;
    UnitProcess unit;
    ShellBench bench;
};

} // namespace cvcfg::test
