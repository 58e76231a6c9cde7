#include "shell/headless.h"

#include "core/catalogue.h"
#include "core/savefile.h"
#include "editors/asciidatatable.h"
#include "editors/channeldialog.h"
#include "editors/df1dialog.h"
#include "editors/extendmodbus.h"
#include "editors/modbusprot.h"
#include "editors/riobt.h"
#include "editors/slaveadd.h"
#include "link/portbackend.h"
#include "monitor/monitor.h"
#include "shell/about.h"
#include "shell/application.h"
#include "shell/downloadform.h"
#include "shell/mainmenu.h"
#include "shell/modelcv210.h"
#include "shell/modelcv310.h"
#include "shell/uploadform.h"
#include "shell/welcome.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <cstdio>
#include <utility>

namespace cvcfg {

namespace {

// The operator of a set-up run without a person: it answers the CV210's
// serial-number question as told and takes note of every other message.
class SetupOperator : public Operator {
public:
    explicit SetupOperator(bool fastLink) : m_fastLink(fastLink) {}

    Answer showMessage(const MessageBox& box) override {
        if (box.buttons == Buttons::YesNo) {
            return m_fastLink ? Answer::Yes : Answer::No;
        }
        if (box.icon != Icon::Information) {
            unexpected = box.prompt;
        }
        return Answer::Ok;
    }
    std::optional<std::string> chooseSaveFile(const std::string&) override { return std::nullopt; }
    void setStatus(const std::string&) override {}
    void setBusy(bool) override {}
    void processEvents() override { QApplication::processEvents(); }

    std::string unexpected;

private:
    bool m_fastLink;
};

// Runs deleteLater and the other queued events of the set-up.
void settle() {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A program of its own, for a set-up or a snapshot.
struct Headless {
    explicit Headless(bool fastLink)
        : backend(ports), serial(backend), op(fastLink),
          app(Session{record, serial, op}, PortMap{}, [] {}) {}

    ConfigRecord record;
    PortMap ports;
    PortBackend backend;
    SerialLayer serial;
    SetupOperator op;
    Application app;
};

Status runSetup(Headless& program, const std::string& variant, const std::string& linkBaud) {
    if (linkBaud != "9600" && linkBaud != "19200") {
        return Status::failure("the link baud is 9600 or 19200, not \"" + linkBaud + "\"");
    }
    const Variant* row = findVariant(variant);
    if (!row) {
        return Status::failure("unknown variant \"" + variant + "\"");
    }
    if (!row->family().asksLinkSpeed && linkBaud != "9600") {
        return Status::failure("the " + std::string(row->ModelName) + " always links at 9600 baud");
    }
    program.app.start();
    if (const Status status = program.app.setUpVariant(*row); !status) {
        return status;
    }
    settle();
    if (!program.op.unexpected.empty()) {
        return Status::failure("the set-up stopped at: " + program.op.unexpected);
    }
    return Status::success();
}

} // namespace

std::unique_ptr<QApplication> makeHeadlessApplication(int& argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        }
    });
    return std::make_unique<QApplication>(argc, argv);
}

Expected<ConfigRecord> factorySettings(const std::string& variant, const std::string& linkBaud) {
    Headless program(linkBaud == "19200");
    if (const Status status = runSetup(program, variant, linkBaud); !status) {
        return Expected<ConfigRecord>::failure(status.error);
    }
    return program.record;
}

Status writeSnapshots(const std::string& variant, const std::string& dir) {
    Headless program(false);
    if (const Status status = runSetup(program, variant, "9600"); !status) {
        return status;
    }
    if (!QDir().mkpath(QString::fromStdString(dir))) {
        return Status::failure("cannot make the folder " + dir);
    }
    Application& app = program.app;
    EditorForms& editors = app.editors();
    const std::pair<QString, QWidget*> forms[] = {
        {"Welcome", &app.welcome()},
        {"about", &app.about()},
        {"Mainmenu", &app.mainmenu()},
        {"model_CV210", &app.model_CV210()},
        {"model_CV310", &app.model_CV310()},
        {"paramConfigA", &editors.paramConfigA()},
        {"paramConfigB", &editors.paramConfigB()},
        {"paramConfigC", &editors.paramConfigC()},
        {"df_Param", &editors.df_Param()},
        {"modbus_prot", &editors.modbus_prot()},
        {"extendModbus", &editors.extendModbus()},
        {"SlaveAdd", &editors.SlaveAdd()},
        {"ASCII_DataTable", &editors.ASCII_DataTable()},
        {"download", &app.download()},
        {"upload", &app.upload()},
        {"monitor", &app.monitor()},
    };
    const auto picture = [&dir](const QString& name, QWidget* form) {
        form->adjustSize();
        form->show();
        settle();
        const QString path =
            QDir(QString::fromStdString(dir)).filePath(name + QStringLiteral(".png"));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!form->grab().save(&buffer, "PNG")) {
            return Status::failure("cannot make the picture of " + name.toStdString());
        }
        form->hide();
        return SaveFile(path.toStdString(),
                        {png.constData(), static_cast<std::size_t>(png.size())});
    };
    if (ModelEditor* editor = editors.editor()) {
        editor->showRecord();
        if (const Status status = picture(editor->window().objectName(), &editor->window());
            !status) {
            return status;
        }
    }
    for (const auto& [name, form] : forms) {
        if (const Status status = picture(name, form); !status) {
            return status;
        }
    }
    // The Modbus dialog's other layout and a block-transfer map of three racks
    // from rack 10, each shown from a record changed for its picture only.
    const ConfigRecord record = app.record();
    const auto pictureOf = [&](const QString& name, QDialog& dialog, const auto& change,
                               const auto& show) {
        change(app.record());
        show();
        const Status status = picture(name, &dialog);
        app.record() = record;
        show();
        return status;
    };
    ModbusProt& modbus = editors.modbus_prot();
    if (const Status status = pictureOf(
            QStringLiteral("modbus_prot-master"), modbus,
            [](ConfigRecord& shown) {
                shown.ExtParams[modbus_map::kOptions] |= modbus_map::kMaster;
            },
            [&modbus] { modbus.showRecord(); });
        !status) {
        return status;
    }
    RioBt& racks = editors.rio_bt();
    return pictureOf(
        QStringLiteral("rio_bt"), racks,
        [](ConfigRecord& shown) {
            shown.StationNo = charField(8);
            takeRackRange(shown, 3);
            shown.ExtParams[block_transfer::entry(1, 0)] = 0x05;
            shown.ExtParams[block_transfer::entry(2, 0)] = block_transfer::kWholeEntry;
            shown.ExtParams[block_transfer::entry(2, 4)] = block_transfer::kWholeEntry;
        },
        [&racks] { racks.showRecord(); });
}

} // namespace cvcfg
