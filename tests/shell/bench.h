#pragma once

#include "editors/channeldialogs.h"
#include "editors/cv210params.h"
#include "shell/application.h"
#include "shell/forms.h"
#include "tests/support/gui.h"
#include "ui_cv210_params.h"
#include "ui_mainmenu.h"
#include "ui_model_cv210.h"
#include "ui_welcome.h"

namespace cvcfg::test {

inline const MessageBox kSerialNumberQuestion{
    "Is the serial number of the REVISION 2 CV210 Greater or Equal to 21000 starting February 2004",
    Buttons::YesNo, Icon::None, "!CHECK CV210 Rev2 SERIAL NUMBER!"};

// The whole program on a scripted operator, started at product selection.
struct ShellBench {
    explicit ShellBench(PortMap ports = {})
        : gui(ports), app(gui.context(), ports, [this] { ++quits; }) {
        app.start();
    }
    ~ShellBench() { settle(); }

    ConfigRecord& record() { return gui.record; }
    ScriptedOperator& op() { return gui.op; }
    Ui::CV210_Params& editor() { return app.editors().cv210Params().ui(); }

    // The CV210 start, answering the serial-number question, then a variant.
    void setUpCV210(QPushButton* Ui::model_CV210::*variant, bool fastLink = false) {
        op().expect(kSerialNumberQuestion, fastLink ? Answer::Yes : Answer::No);
        app.welcome().ui().Command4->click();
        (app.model_CV210().ui().*variant)->click();
        settle();
    }

    GuiContext gui;
    int quits = 0;
    Application app;
};

} // namespace cvcfg::test
