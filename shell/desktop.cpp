#include "shell/desktop.h"

#include "core/catalogue.h"
#include "core/savefile.h"
#include "editors/asciidatatable.h"
#include "editors/channeldialogs.h"
#include "editors/modbusdialogs.h"
#include "editors/riobt.h"
#include "link/posixbackend.h"
#include "monitor/monitor.h"
#include "shell/application.h"
#include "shell/forms.h"
#include "shell/measure.h"
#include "shell/qtoperator.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>
#include <utility>
#include <vector>

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
        : backend(PortMap{}), serial(backend), op(fastLink),
          app(Session{record, serial, op}, PortMap{}, [] {}) {}

    ConfigRecord record;
    PosixSerialBackend backend;
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
    if (const Status status = setUpVariant(program.app, *row); !status) {
        return status;
    }
    settle();
    if (!program.op.unexpected.empty()) {
        return Status::failure("the set-up stopped at: " + program.op.unexpected);
    }
    return Status::success();
}

} // namespace

Status setUpVariant(Application& app, const Variant& row) {
    app.welcome().startProduct(row.ModelName);
    VariantMenu* menu = nullptr;
    switch (row.family().variantForm) {
    case VariantForm::ModelCV210:
        menu = &app.model_CV210();
        break;
    case VariantForm::ModelCV310:
        menu = &app.model_CV310();
        break;
    case VariantForm::None:
        break;
    }
    if (menu && !menu->chooseVariant(row.ModelVariant)) {
        return Status::failure("no " + std::string(row.ModelName) + " variant \"" +
                               std::string(row.ModelVariant) + "\"");
    }
    return Status::success();
}

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

namespace {

int g_quitPipe[2] = {-1, -1};

void requestQuit(int) {
    const char byte = 1;
    (void)!::write(g_quitPipe[1], &byte, 1);
}

// A terminal's Ctrl-C, a hang-up or a kill ends the program as its Exit
// button does, so that it leaves nothing behind (the demonstration's unit,
// its folder).
void quitOnSignals(QObject* owner) {
    if (::pipe(g_quitPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_quitPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [] { QApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = requestQuit;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

// Qt aborts the process when its platform cannot start, after a page of
// its own about plugins. Until the application stands, its messages are held
// back, and such an end becomes one line that says what is missing.
std::vector<QString> g_heldMessages;

void holdStartMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        g_heldMessages.push_back(qFormatLogMessage(type, context, message));
        return;
    }
    const QByteArray display = qgetenv("DISPLAY");
    const std::string missing =
        display.isEmpty() ? std::string("DISPLAY is not set")
                          : "the display \"" + display.toStdString() + "\" cannot be opened";
    std::fprintf(stderr,
                 "cvcfg: no display to show the program on: %s (cvcfg --help lists the "
                 "commands that need no display)\n",
                 missing.c_str());
    std::_Exit(1);
}

std::unique_ptr<QApplication> openDisplay(int& argc, char** argv) {
    const QtMessageHandler previous = qInstallMessageHandler(holdStartMessages);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& message : std::exchange(g_heldMessages, {})) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
    return application;
}

} // namespace

int runDesktop(int& argc, char** argv, PortMap ports, bool demo, const std::string& file) {
    // Only the benchmark sets CVCFG_MEASURE; an operator's start never
    // reaches its probe.
    std::optional<Measurement> measurement;
    if (const QByteArray plan = qgetenv("CVCFG_MEASURE"); !plan.isEmpty()) {
        Expected<Measurement> parsed = Measurement::parse(plan.toStdString());
        if (!parsed) {
            std::fprintf(stderr, "cvcfg: %s\n", parsed.error().c_str());
            return 2;
        }
        measurement = std::move(parsed).value();
    }
    const std::unique_ptr<QApplication> application = openDisplay(argc, argv);
    application->setQuitOnLastWindowClosed(false);
    quitOnSignals(application.get());

    // The demonstration's unit lives as long as the program.
    QTemporaryDir unitDir;
    QProcess unit;
    if (demo) {
        const QString link = unitDir.filePath(QStringLiteral("unit"));
        unit.setProgram(
            QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("cvcfg-unit")));
        unit.setArguments(
            // It stands in for whichever unit the operator says he has, so it
            // takes the link speed the program sets.
            {QStringLiteral("--variant"), QStringLiteral("any"), QStringLiteral("--baud"),
             QStringLiteral("line"), QStringLiteral("--link"), link});
        unit.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The unit ends with the program, however the program ends.
        unit.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        unit.start();
        if (!unit.waitForStarted() || !unit.waitForReadyRead(10000)) {
            qCritical("cvcfg: the simulated unit did not start");
            return 1;
        }
        (void)ports.addMapping("1=" + link.toStdString());
        // The unit's log of every exchange goes on with the program's own
        // output, beginning with what it said while it started.
        const auto forwardLog = [&unit] {
            const QByteArray lines = unit.readAllStandardOutput();
            fwrite(lines.constData(), 1, static_cast<std::size_t>(lines.size()), stdout);
            fflush(stdout);
        };
        QObject::connect(&unit, &QProcess::readyReadStandardOutput, &unit, forwardLog);
        forwardLog();
    }

    ConfigRecord record;
    PosixSerialBackend backend(ports);
    SerialLayer serial(backend);
    serial.setEventPump([] { QApplication::processEvents(); });
    const std::unique_ptr<QtOperator> op =
        measurement ? measurement->makeOperator() : std::make_unique<QtOperator>();
    Application app(Session{record, serial, *op}, ports, [] { QApplication::quit(); });
    if (demo) {
        app.setSimulatedPort(1);
    }
    if (file.empty()) {
        app.start();
    } else {
        // Once the event loop runs, so that the file's questions and
        // messages come as they do from the editor.
        QTimer::singleShot(0, &app.welcome(), [&app, &file] { app.startWithFile(file); });
    }
    const std::unique_ptr<QObject> probes = measurement ? measurement->begin(app) : nullptr;
    const int status = QApplication::exec();
    if (demo) {
        unit.terminate();
        unit.waitForFinished(3000);
    }
    return status;
}

} // namespace cvcfg
