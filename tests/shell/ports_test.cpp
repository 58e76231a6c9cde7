#include "link/netbackend.h"
#include "link/portbackend.h"
#include "link/portmemory.h"
#include "link/seriallayer.h"
#include "shell/application.h"
#include "shell/mainmenu.h"
#include "shell/portlist.h"
#include "tests/shell/bench.h"
#include "tests/support/fakemachine.h"
#include "tests/support/gui.h"
#include "tests/support/pty.h"
#include "tests/support/tempdir.h"

#include <QElapsedTimer>
#include <QTest>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cvcfg {
namespace {

using test::child;
using test::FakeMachine;
using test::TempDir;

// The desktop program as it starts on a machine: the ports found under
// `root`, the memory at `memory`, the backend resolving through the list.
struct PortBench {
    PortBench(const std::string& root, const std::string& memory)
        : list(PortMap{}, memory, root), backend(list.map()), serial(backend),
          app(Session{record, serial, op}, list, [] {}) {
        serial.setEventPump([] { QApplication::processEvents(); });
        record.ComPort = list.rememberedPort();
        list.watch();
        app.start();
    }
    ~PortBench() { test::settle(); }

    // The main menu of a CV210-DF1, reached by the operator's clicks.
    QWidget* menu() {
        if (!app.mainmenuLoaded()) {
            op.expect(test::kSerialNumberQuestion, Answer::No);
            test::click(&app.welcome(), "Command4");
            test::click(&app.model_CV210(), test::variantButton("CV210-DF1"));
            test::settle();
        }
        return &app.mainmenu();
    }
    QStringList entries() {
        auto* box = child<QComboBox>(menu(), "cboCOM");
        QStringList texts;
        for (int row = 0; row < box->count(); ++row) {
            texts << box->itemText(row);
        }
        return texts;
    }

    ConfigRecord record;
    test::ScriptedOperator op;
    PortList list;
    PortBackend backend;
    SerialLayer serial;
    Application app;
};

// A server on 127.0.0.1 that takes connections (the kernel accepts them for
// it); enough for a raw TCP port to open.
class Listener {
public:
    Listener() : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (m_fd < 0 || ::bind(m_fd, any, size) != 0 || ::listen(m_fd, 4) != 0 ||
            ::getsockname(m_fd, any, &size) != 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        m_port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(m_fd); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    [[nodiscard]] int port() const { return m_port; }

private:
    int m_fd;
    int m_port = 0;
};

QString entry(int port, const std::string& label) {
    return QStringLiteral("COM%1 \u2014 %2").arg(port).arg(QString::fromStdString(label));
}

TEST(PortList, OffersAdaptersByNameAndFollowsThemComingAndGoing) {
    TempDir dir;
    FakeMachine machine(dir);
    machine.plug(test::kFtdi);
    machine.addUart(0, "4");
    machine.addUart(1, "0"); // a slot with no UART behind it
    PortBench bench(machine.root(), dir.path("ports.conf"));
    const QString ftdi = entry(2, "FT232R USB UART (FTDI), " + machine.dev("ttyUSB0"));
    const QString uart = entry(1, "built-in serial port, " + machine.dev("ttyS0"));
    EXPECT_EQ(bench.entries(), (QStringList{"NONE", uart, ftdi}));
    // The numbers are kept from the start, before anything is chosen.
    const Expected<PortMemory> kept = loadPortMemory(dir.path("ports.conf"));
    ASSERT_TRUE(kept) << kept.error();
    EXPECT_EQ(kept->numbers,
              (std::map<std::string, int>{{machine.dev("ttyS0"), 1},
                                          {machine.dev("serial/by-id/" + test::kFtdi.byId), 2}}));

    // Each change shows within a second, with no polling in between.
    QElapsedTimer clock;
    clock.start();
    machine.plug(test::kAcm);
    const QString acm = entry(3, "USB serial adapter 2341:0043, " + machine.dev("ttyACM0"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return bench.entries().contains(acm); }, 1000));
    EXPECT_LT(clock.elapsed(), 1000);
    clock.restart();
    machine.unplug(test::kFtdi);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bench.entries().contains(ftdi); }, 1000));
    EXPECT_LT(clock.elapsed(), 1000);
    machine.plug(test::kFtdi);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bench.entries().contains(ftdi); }, 1000))
        << "back under its own number";
}

TEST(PortList, StartsOnThePortUsedLastWhileItIsPresent) {
    TempDir dir;
    FakeMachine machine(dir);
    test::PtyPair pty;
    machine.plug(test::kFtdi, pty.slavePath());
    const std::string memory = dir.path("config/cvcfg/ports.conf");
    {
        PortBench first(machine.root(), memory);
        EXPECT_EQ(first.record.ComPort, 0) << "a first run starts on NONE";
        test::pickPort(first.menu(), 1);
        ASSERT_EQ(first.record.ComPort, 1) << "the adapter opens";
    }
    {
        PortBench again(machine.root(), memory);
        EXPECT_EQ(again.record.ComPort, 1);
        EXPECT_EQ(test::shownText(again.menu(), "cboCOM"),
                  entry(1, "FT232R USB UART (FTDI), " + machine.dev("ttyUSB0")));
    }
    machine.unplug(test::kFtdi);
    PortBench without(machine.root(), memory);
    EXPECT_EQ(without.record.ComPort, 0) << "the remembered adapter is not here";
    EXPECT_EQ(test::shownText(without.menu(), "cboCOM"), "NONE");
}

TEST(PortList, ADamagedOrUnwritableMemoryStopsNothing) {
    TempDir dir;
    FakeMachine machine(dir);
    test::PtyPair pty;
    machine.plug(test::kFtdi, pty.slavePath());
    const std::string damaged = dir.path("ports.conf");
    std::ofstream(damaged) << "number 99 /dev/ttyUSB0\n\x01\x02 garbage\n";
    // A file where the memory's folder should be: nothing can be saved.
    std::ofstream(dir.path("blocked")) << "";
    for (const std::string& memory : {damaged, dir.path("blocked/cvcfg/ports.conf")}) {
        SCOPED_TRACE(memory);
        testing::internal::CaptureStderr();
        {
            PortBench bench(machine.root(), memory);
            EXPECT_EQ(bench.record.ComPort, 0);
            test::pickPort(bench.menu(), 1);
            EXPECT_EQ(bench.record.ComPort, 1) << "the port still opens";
        }
        // Qt's offscreen platform talks on the same stream; count our lines.
        const std::string said = testing::internal::GetCapturedStderr();
        int lines = 0;
        for (std::size_t at = said.find("cvcfg: "); at != std::string::npos;
             at = said.find("cvcfg: ", at + 1)) {
            ++lines;
        }
        EXPECT_EQ(lines, 1) << said;
        EXPECT_NE(said.find(memory.substr(0, memory.find("/cvcfg/"))), std::string::npos) << said;
    }
    // The damaged file was replaced by the memory of this run.
    const Expected<PortMemory> healed = loadPortMemory(damaged);
    ASSERT_TRUE(healed) << healed.error();
    EXPECT_EQ(healed->lastPort, machine.dev("serial/by-id/" + test::kFtdi.byId));
}

TEST(MainMenu, AddsADeviceServerAndOpensIt) {
    TempDir dir;
    const Listener server;
    const std::string address = "socket://127.0.0.1:" + std::to_string(server.port());
    const std::string memory = dir.path("ports.conf");
    PortBench bench({}, memory);
    QWidget* menu = bench.menu();

    bench.op.expectText(std::nullopt); // cancelled: nothing changes
    test::click(menu, "cmdAddServer");
    EXPECT_EQ(bench.entries(), QStringList{"NONE"});

    const char* title = "Add Device Server";
    bench.op.expectText("rfc2217://plant-gw");
    bench.op.expect(
        {parseServerAddress("rfc2217://plant-gw").error(), Buttons::Ok, Icon::Exclamation, title});
    test::click(menu, "cmdAddServer");
    EXPECT_EQ(bench.entries(), QStringList{"NONE"});

    bench.op.expectText(address);
    test::click(menu, "cmdAddServer");
    EXPECT_EQ(bench.record.ComPort, 1);
    EXPECT_EQ(test::shownText(menu, "cboCOM"), entry(1, "device server " + address));
    EXPECT_TRUE(test::child(menu, "cmdDOWNLOAD")->isEnabled());
    const Expected<PortMemory> kept = loadPortMemory(memory);
    ASSERT_TRUE(kept) << kept.error();
    EXPECT_EQ(kept->servers, std::vector<std::string>{address});
    EXPECT_EQ(kept->lastPort, address);

    // The next run offers it again and starts on it, until it is forgotten.
    PortBench again({}, memory);
    EXPECT_EQ(again.record.ComPort, 1);
    EXPECT_EQ(again.entries(), (QStringList{"NONE", entry(1, "device server " + address)}));
    test::click(again.menu(), "cmdForgetServer");
    EXPECT_EQ(again.record.ComPort, 0);
    EXPECT_EQ(again.entries(), QStringList{"NONE"});
    EXPECT_FALSE(test::child(again.menu(), "cmdForgetServer")->isEnabled());
    const Expected<PortMemory> forgotten = loadPortMemory(memory);
    ASSERT_TRUE(forgotten) << forgotten.error();
    EXPECT_EQ(forgotten.value(), PortMemory{});
}

} // namespace
} // namespace cvcfg
