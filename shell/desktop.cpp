#include "shell/desktop.h"

#include "link/portbackend.h"
#include "link/portmemory.h"
#include "shell/application.h"
#include "shell/measure.h"
#include "shell/qtoperator.h"
#include "shell/welcome.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#ifndef Q_OS_WIN
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace cvcfg {

namespace {

#ifndef Q_OS_WIN
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
#else
// A Windows program is ended through its windows, which end it as Exit does.
void quitOnSignals(QObject*) {}
#endif

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
#ifdef Q_OS_LINUX
        // The unit ends with the program, however the program ends.
        unit.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
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

    // The ports found on this machine, the servers added and the port used
    // last come back from the port memory.
    PortList portList(ports, portMemoryPath(), deviceRoot());
    ConfigRecord record;
    PortBackend backend(portList.map());
    SerialLayer serial(backend);
    serial.setEventPump([] { QApplication::processEvents(); });
    const std::unique_ptr<QtOperator> op =
        measurement ? measurement->makeOperator() : std::make_unique<QtOperator>();
    Application app(Session{record, serial, *op}, portList, [] { QApplication::quit(); });
    record.ComPort = portList.rememberedPort();
    portList.watch();
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
