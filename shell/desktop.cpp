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
#include "shell/qtoperator.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QKeyEvent>
#include <QProcess>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/prctl.h>
#include <unistd.h>

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

// The product's button, then the variant's on its family's menu, as the
// operator clicks them.
Status setUpVariant(Application& app, const Variant& row) {
    app.welcome().startProduct(row.ModelName);
    VariantMenu* menu = nullptr;
    if (row.ModelName == "CV210") {
        menu = &app.model_CV210();
    } else if (row.ModelName == "CV310") {
        menu = &app.model_CV310();
    }
    if (menu && !menu->chooseVariant(row.ModelVariant)) {
        return Status::failure("no " + std::string(row.ModelName) + " variant \"" +
                               std::string(row.ModelVariant) + "\"");
    }
    return Status::success();
}

Status runSetup(Headless& program, const std::string& variant, const std::string& linkBaud) {
    if (linkBaud != "9600" && linkBaud != "19200") {
        return Status::failure("the link baud is 9600 or 19200, not \"" + linkBaud + "\"");
    }
    const Variant* row = findVariant(variant);
    if (!row) {
        return Status::failure("unknown variant \"" + variant + "\"");
    }
    // Only the CV210 asks which link speed its unit has.
    if (row->ModelName != "CV210" && linkBaud != "9600") {
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

// What CVCFG_MEASURE asks of a desktop run, for scripts/bench. Every figure
// goes to standard error on a line of its own, "cvcfg-measure NAME=VALUE...":
//   start               the first window painted, then the program ends
//   menu=VARIANT        the variant's set-up, the main menu painted; it stays
//   monitor=VARIANT     then the off-line manager on COM1; at the end the
//                       bytes its terminal was given to show
//   flash=VARIANT,FILE  then the unit's "write system file" chosen (keys 1,
//                       Y) and FILE sent as the flash system file; the
//                       program stays
// The operator's questions on the way are answered OK, Yes and FILE.
struct Measurement {
    enum class Kind { None, Start, Menu, Monitor, Flash };
    Kind kind = Kind::None;
    const Variant* variant = nullptr;
    std::string file;

    static Expected<Measurement> fromEnvironment() {
        const QByteArray value = qgetenv("CVCFG_MEASURE");
        Measurement plan;
        if (value.isEmpty()) {
            return plan;
        }
        const std::string text = value.toStdString();
        const std::size_t equals = text.find('=');
        const std::string name = text.substr(0, equals);
        std::string argument = equals == std::string::npos ? "" : text.substr(equals + 1);
        const std::pair<const char*, Kind> kinds[] = {
            {"start", Kind::Start},
            {"menu", Kind::Menu},
            {"monitor", Kind::Monitor},
            {"flash", Kind::Flash},
        };
        for (const auto& [word, kind] : kinds) {
            if (name == word) {
                plan.kind = kind;
            }
        }
        if (plan.kind == Kind::Flash) {
            const std::size_t comma = argument.find(',');
            plan.file = comma == std::string::npos ? "" : argument.substr(comma + 1);
            argument = argument.substr(0, comma);
        }
        plan.variant = findVariant(argument);
        if (plan.kind == Kind::None || (plan.kind != Kind::Start && !plan.variant) ||
            (plan.kind == Kind::Flash && plan.file.empty())) {
            return Expected<Measurement>::failure(
                "CVCFG_MEASURE is start, menu=VARIANT, monitor=VARIANT or flash=VARIANT,FILE, "
                "not \"" +
                text + "\"");
        }
        return plan;
    }

    [[nodiscard]] bool active() const { return kind != Kind::None; }
};

void reportMeasure(const std::string& figures) {
    std::fprintf(stderr, "cvcfg-measure %s\n", figures.c_str());
    std::fflush(stderr);
}

// The resident memory of this process, in kB.
long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

// The operator of a measured run: the plan has chosen already.
class MeasureOperator : public QtOperator {
public:
    explicit MeasureOperator(std::string file) : m_file(std::move(file)) {}
    Answer showMessage(const MessageBox& box) override {
        return box.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    std::optional<std::string> chooseOpenFile(const std::string&, const std::string&) override {
        return m_file;
    }

private:
    std::string m_file;
};

// Reports the first window the program paints, with the steady clock's
// reading (the clock the benchmark started the program by) and the memory.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(bool quit) : m_quit(quit) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!m_seen && event->type() == QEvent::Paint && widget && widget->isWindow()) {
            m_seen = true;
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            reportMeasure(
                "first-window-ns=" +
                std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) +
                " window=" + widget->objectName().toStdString() +
                " rss-kB=" + std::to_string(residentKilobytes()));
            if (m_quit) {
                QTimer::singleShot(0, qApp, &QApplication::quit);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_quit;
    bool m_seen = false;
};

// Reports what the off-line manager's terminal was given to show when the
// form closes (the program's end closes every window first).
class MonitorProbe : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            if (auto* monitor = qobject_cast<Monitor*>(watched)) {
                reportMeasure("monitor-shown-bytes=" + std::to_string(monitor->bytesShown()) +
                              " rss-kB=" + std::to_string(residentKilobytes()));
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// Runs the plan's set-up and opens its forms once the program has started.
void beginMeasurement(const Measurement& plan, Application& app, MonitorProbe& probe) {
    if (plan.kind == Measurement::Kind::Start) {
        return;
    }
    if (const Status status = setUpVariant(app, *plan.variant); !status) {
        reportMeasure("error=\"" + status.error + "\"");
        QTimer::singleShot(0, qApp, &QApplication::quit);
        return;
    }
    if (plan.kind == Measurement::Kind::Menu) {
        return;
    }
    app.record().ComPort = 1;
    app.mainmenu().openOffLineManager();
    app.monitor().installEventFilter(&probe);
    if (plan.kind == Measurement::Kind::Flash) {
        // Once the terminal's start-up keystroke has called up the unit's
        // menu, the operator's keys ask it to take a system file.
        Monitor& monitor = app.monitor();
        constexpr int kMenuShown = 500;
        constexpr int kFileAwaited = 1000;
        QTimer::singleShot(kMenuShown, &monitor, [&monitor] {
            for (const char key : {'1', 'Y'}) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(key)));
                QApplication::sendEvent(monitor.term(), &press);
            }
        });
        QTimer::singleShot(kFileAwaited, &monitor, [&monitor, file = plan.file] {
            monitor.cmdSendText_Click();
            reportMeasure("flash-written-bytes=" +
                          std::to_string(std::filesystem::file_size(file)));
        });
    }
}

} // namespace

int runDesktop(int& argc, char** argv, PortMap ports, bool demo) {
    const Expected<Measurement> plan = Measurement::fromEnvironment();
    if (!plan.ok()) {
        std::fprintf(stderr, "cvcfg: %s\n", plan.error().c_str());
        return 2;
    }
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    quitOnSignals(&application);
    FirstPaint firstPaint(plan->kind == Measurement::Kind::Start);
    if (plan->active()) {
        application.installEventFilter(&firstPaint);
    }

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
        // The unit's log of every exchange goes on with the program's own output.
        QObject::connect(&unit, &QProcess::readyReadStandardOutput, &unit, [&unit] {
            const QByteArray lines = unit.readAllStandardOutput();
            fwrite(lines.constData(), 1, static_cast<std::size_t>(lines.size()), stdout);
            fflush(stdout);
        });
    }

    ConfigRecord record;
    PosixSerialBackend backend(ports);
    SerialLayer serial(backend);
    serial.setEventPump([] { QApplication::processEvents(); });
    std::unique_ptr<QtOperator> op = plan->active() ? std::make_unique<MeasureOperator>(plan->file)
                                                    : std::make_unique<QtOperator>();
    Application app(Session{record, serial, *op}, ports, [] { QApplication::quit(); });
    if (demo) {
        app.setSimulatedPort(1);
    }
    app.start();
    MonitorProbe probe;
    beginMeasurement(*plan, app, probe);
    const int status = application.exec();
    if (demo) {
        unit.terminate();
        unit.waitForFinished(3000);
    }
    return status;
}

} // namespace cvcfg
