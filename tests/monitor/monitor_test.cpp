#include "monitor/monitor.h"
#include "tests/support/fakebackend.h"
#include "tests/support/gui.h"
#include "tests/support/pty.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <thread>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;
using test::waitFor;

const std::string kSettings = "baud=9600 parity=N data=8 stop=1";

const MessageBox kModeQuestion{
    "BURNING A FLASH SYSTEM FILE\r\n\nYou must first select the WRITE SYSTEM FILE Option in the CV "
    "Off-Line Manager,\r\nand Press 'Y'ES, before clicking the BURN SYSTEM FILE button.\r\n\nHas "
    "this "
    "already been done?",
    Buttons::YesNo, Icon::None, "CV210 MUST be in the correct mode!!"};

std::string termText(const Monitor& monitor) {
    return monitor.term()->toPlainText().toStdString();
}

// The monitor on a recording backend: what it asks of the platform shows.
struct OnFake {
    OnFake() : serial(backend) {
        serial.setEventPump([] { QApplication::processEvents(); });
        record.ModelName = "CV210";
        record.ComPort = 1;
        EXPECT_EQ(serial.CommOpen(1, "COM1", kSettings), 0);
        monitor = std::make_unique<Monitor>(Session{record, serial, op}, [this] { ++left; });
    }

    test::FakeBackend backend;
    SerialLayer serial;
    ConfigRecord record;
    test::ScriptedOperator op;
    int left = 0;
    std::unique_ptr<Monitor> monitor;
};

TEST(MonitorOnFake, SendsAFileInPiecesThenALineFeed) {
    OnFake bench;
    ASSERT_TRUE(waitFor([&] { return !bench.backend.writes.empty(); })) << "the start-up M";
    EXPECT_EQ(bench.backend.writes.front(), "M");
    test::TempDir dir;
    const std::string path = dir.path("system.txt");
    std::string content;
    for (int i = 0; i < 1000; ++i) {
        content += static_cast<char>('A' + i % 26);
    }
    std::ofstream(path, std::ios::binary) << content;
    bench.op.expect(kModeQuestion, Answer::Yes);
    bench.op.expectOpenFile(path);
    bench.monitor->show();
    test::settle();
    const QSize size = bench.monitor->size();
    bench.monitor->cmdSendText_Click();
    test::settle();
    EXPECT_EQ(bench.monitor->size(), size) << "the long closing status wraps within the form";
    const std::vector<std::string> expected = {"M", content.substr(0, 512), content.substr(512),
                                               "\n"};
    EXPECT_EQ(bench.backend.writes, expected);
    EXPECT_EQ(test::child<QProgressBar>(bench.monitor.get(), "ProgressBar1")->maximum(), 7);
    EXPECT_EQ(test::child<QLabel>(bench.monitor.get(), "lblPercent")->text(), "100 %");
    EXPECT_TRUE(test::child(bench.monitor.get(), "ProgressBar1")->isHidden());
    EXPECT_TRUE(test::child(bench.monitor.get(), "cmdEXIT")->isEnabled());
    EXPECT_EQ(bench.op.openTitles, std::vector<std::string>{"Send Flash System Text File"});
}

TEST(MonitorOnFake, CancelStopsAfterThePieceAndNoSendsNothing) {
    OnFake bench;
    ASSERT_TRUE(waitFor([&] { return !bench.backend.writes.empty(); }));
    test::TempDir dir;
    const std::string path = dir.path("big.txt");
    std::ofstream(path, std::ios::binary) << std::string(2000, 'x');

    bench.op.expect(kModeQuestion, Answer::No);
    bench.monitor->cmdSendText_Click();
    EXPECT_EQ(bench.backend.writes.size(), 1u) << "No sends nothing";

    bench.op.expect(kModeQuestion, Answer::Yes);
    bench.op.expectOpenFile(dir.path("missing.txt"));
    bench.op.expect({dir.path("missing.txt") + " not found!", Buttons::Ok, Icon::Exclamation, ""});
    bench.op.expectOpenFile(path);
    // The operator's click arrives while the first piece is on its way.
    QMetaObject::invokeMethod(test::child<QPushButton>(bench.monitor.get(), "cmdCancel"), "click",
                              Qt::QueuedConnection);
    bench.monitor->cmdSendText_Click();
    ASSERT_EQ(bench.backend.writes.size(), 3u);
    EXPECT_EQ(bench.backend.writes[1].size(), 512u);
    EXPECT_EQ(bench.backend.writes[2], "\n");
    EXPECT_EQ(test::child<QLabel>(bench.monitor.get(), "lblMonStat")->text(),
              "Cancellation of file transfer to Corvane");
}

TEST(MonitorOnFake, DebugModeHoldsTheBreakForASecondThenSendsD) {
    OnFake bench;
    ASSERT_TRUE(waitFor([&] { return !bench.backend.writes.empty(); }));
    bench.monitor->cmdFreeDebug_Click();
    ASSERT_EQ(bench.backend.lineFunctions, std::vector<int>{8});
    ASSERT_TRUE(waitFor([&] { return bench.backend.lineFunctions.size() == 2; }));
    EXPECT_EQ(bench.backend.lineFunctions[1], 9);
    const auto held = bench.backend.lineFunctionTimes[1] - bench.backend.lineFunctionTimes[0];
    EXPECT_GE(held, 990ms);
    EXPECT_LT(held, 1500ms);
    ASSERT_TRUE(waitFor([&] { return bench.backend.writes.back() == "D"; }));
}

TEST(MonitorOnFake, LampsShowTheModemLinesAndTheLinesTheProgramDrives) {
    OnFake bench;
    bench.backend.modemBits = modem_status::kDsr;
    auto red = [&](int lamp) {
        return bench.monitor->lamp(lamp)->palette().color(QPalette::Window) == QColor(255, 0, 0);
    };
    ASSERT_TRUE(waitFor([&] { return red(Monitor::kDsr); }, 1s));
    EXPECT_FALSE(red(Monitor::kCts));
    EXPECT_TRUE(red(Monitor::kDtr)) << "the open raised DTR";
    EXPECT_TRUE(red(Monitor::kRts));
    bench.serial.CommSetLine(1, 2, false);
    ASSERT_TRUE(waitFor([&] { return !red(Monitor::kDtr); }, 1s));
    EXPECT_TRUE(red(Monitor::kTxd)) << "the start-up M went out";
    EXPECT_FALSE(red(Monitor::kRxd));
}

// The monitor on a real pseudo-terminal; the test plays the unit.
struct OnPty {
    OnPty()
        : gui([this] {
              PortMap ports;
              EXPECT_TRUE(ports.addMapping("1=" + pty.slavePath()).ok());
              return ports;
          }()) {
        gui.record.ModelName = "CV210";
        gui.record.ComPort = 1;
        EXPECT_EQ(gui.serial.CommOpen(1, "COM1", kSettings), 0);
        monitor = std::make_unique<Monitor>(Session{gui.record, gui.serial, gui.op}, [] {});
        monitor->show();
    }

    // What the program sent, read while Qt's events (the form's timers) run.
    std::string fromProgram(std::size_t count) {
        std::string bytes;
        waitFor([&] {
            bytes += pty.receive(count - bytes.size(), 0ms);
            return bytes.size() >= count;
        });
        return bytes;
    }

    test::PtyPair pty;
    test::GuiContext gui;
    std::unique_ptr<Monitor> monitor;
};

TEST(MonitorOnPty, KeysGoOutAndOnlyTheEchoShows) {
    OnPty bench;
    EXPECT_EQ(bench.fromProgram(1), "M");
    QTest::keyClick(bench.monitor->term(), Qt::Key_X);
    QTest::keyClick(bench.monitor->term(), Qt::Key_Return);
    EXPECT_EQ(bench.fromProgram(2), "x\r");
    EXPECT_EQ(termText(*bench.monitor), "") << "nothing typed locally";
    bench.pty.send("x\r\nAB\r\nAB");
    ASSERT_TRUE(waitFor([&] { return termText(*bench.monitor) == "x\nAB\nAB"; }))
        << termText(*bench.monitor);
    bench.pty.send("\b\bC");
    ASSERT_TRUE(waitFor([&] { return termText(*bench.monitor) == "x\nAB\nC"; }))
        << termText(*bench.monitor);
}

TEST(MonitorOnPty, KeysOutsideLatin1SendNothingAndSaySo) {
    OnPty bench;
    EXPECT_EQ(bench.fromProgram(1), "M");
    const std::pair<int, QString> refused[] = {
        {0x20AC, QStringLiteral("\u20AC")},
        {0x416, QStringLiteral("\u0416")},
        {Qt::Key_unknown, QStringLiteral("\U0001F600")}, // two UTF-16 units, one key
    };
    for (const auto& [code, text] : refused) {
        SCOPED_TRACE(text.toStdString());
        QTest::sendKeyEvent(QTest::Click, bench.monitor->term(), static_cast<Qt::Key>(code), text,
                            Qt::NoModifier);
        EXPECT_EQ(test::shownText(bench.monitor.get(), "lblMonStat"),
                  "Only Latin-1 characters can be sent to the unit; \"" + text +
                      "\" was not sent.");
        EXPECT_EQ(bench.pty.receive(1, 200ms), "") << "a NUL reads as a break to the unit";
    }
    QTest::sendKeyEvent(QTest::Click, bench.monitor->term(), Qt::Key_Eacute,
                        QStringLiteral("\u00E9"), Qt::NoModifier);
    EXPECT_EQ(bench.fromProgram(1), "\xE9");
}

TEST(MonitorOnPty, KeepsUpWithAFastLineAndStaysBounded) {
    OnPty bench;
    EXPECT_EQ(bench.fromProgram(1), "M");
    // 115200 baud is 11520 bytes a second: three seconds of numbered lines.
    std::string last;
    std::thread unit([&] {
        int line = 0;
        for (int tick = 0; tick < 30; ++tick) {
            std::string chunk;
            while (chunk.size() < 1152) {
                last = "line " + std::to_string(line++) + " of the unit's fast output\r\n";
                chunk += last;
            }
            bench.pty.send(chunk);
            std::this_thread::sleep_for(100ms);
        }
    });
    const auto start = std::chrono::steady_clock::now();
    waitFor([] { return false; }, 3100ms);
    unit.join();
    std::string expectedEnd = last.substr(0, last.size() - 2) + "\n";
    ASSERT_TRUE(waitFor(
        [&] {
            const std::string text = termText(*bench.monitor);
            return text.size() >= expectedEnd.size() &&
                   text.compare(text.size() - expectedEnd.size(), expectedEnd.size(),
                                expectedEnd) == 0;
        },
        2s))
        << "the display caught up";
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_LE(bench.monitor->term()->toPlainText().size(),
              static_cast<qsizetype>(TerminalText::kLimit + 2000));
    EXPECT_EQ(termText(*bench.monitor), bench.monitor->text().text()) << "screen and text agree";
}

TEST(MonitorOnPty, IdleMonitorCostsNearlyNothing) {
    OnPty bench;
    EXPECT_EQ(bench.fromProgram(1), "M");
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    waitFor([] { return false; }, 2000ms);
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
    };
    const double used = seconds(after.ru_utime) - seconds(before.ru_utime) +
                        seconds(after.ru_stime) - seconds(before.ru_stime);
    EXPECT_LT(used, 0.01 * 2.0 * 3) << "an idle second may take about 1% of a core";
}

TEST(MonitorOnPty, APulledDeviceIsReportedAndTheFormStaysResponsive) {
    OnPty bench;
    EXPECT_EQ(bench.fromProgram(1), "M");
    bench.pty.closeSlave();
    bench.pty.closeMaster();
    const QLabel* status = test::child<QLabel>(bench.monitor.get(), "lblMonStat");
    ASSERT_TRUE(waitFor([&] { return status->text().startsWith("The port is gone:"); }));
    EXPECT_TRUE(status->text().contains("Input/output error"));

    QTest::keyClick(bench.monitor->term(), Qt::Key_X);
    EXPECT_TRUE(test::child(bench.monitor.get(), "cmdEXIT")->isEnabled());
}

TEST(MonitorOnPty, CancelEndsASendOnASlowLineAtOnceAndTheClockRunsMeanwhile) {
    using Clock = std::chrono::steady_clock;
    OnPty bench;
    EXPECT_EQ(bench.fromProgram(1), "M");
    test::TempDir dir;
    const std::string path = dir.path("system.txt");
    const std::string file(64 * 1024, 'S');
    std::ofstream(path, std::ios::binary) << file;
    // The unit takes 960 bytes a second, so most of the file has to wait.
    std::atomic<bool> reading = true;
    std::atomic<std::size_t> taken = 0;
    std::thread unit([&] {
        while (reading) {
            taken += bench.pty.receive(96, 0ms).size();
            std::this_thread::sleep_for(100ms);
        }
    });
    Monitor* monitor = bench.monitor.get();
    const QLabel* clock = test::child<QLabel>(monitor, "lblTime");
    std::vector<std::pair<Clock::time_point, QString>> seen;
    QTimer watch;
    watch.callOnTimeout([&] { seen.emplace_back(Clock::now(), clock->text()); });
    watch.start(20);
    Clock::time_point cancelled{};
    QTimer::singleShot(2500ms, [&] {
        cancelled = Clock::now();
        test::click(monitor, "cmdCancel");
    });
    bench.gui.op.expect(kModeQuestion, Answer::Yes);
    bench.gui.op.expectOpenFile(path);
    const auto start = Clock::now();
    test::click(monitor, "cmdSendText"); // returns when the send has ended
    const auto idle = Clock::now();
    watch.stop();
    reading = false;
    unit.join();

    ASSERT_NE(cancelled, Clock::time_point{}) << "the window never saw the click";
    EXPECT_LT(idle - cancelled, 500ms);
    EXPECT_LT(taken, file.size()) << "the send was still waiting for the line";
    EXPECT_TRUE(test::child(monitor, "cmdSendText")->isEnabled());
    EXPECT_TRUE(test::child(monitor, "cmdCancel")->isHidden());
    EXPECT_EQ(test::shownText(monitor, "lblMonStat"), "Cancellation of file transfer to Corvane");
    std::set<QString> clockTexts;
    Clock::time_point previous = start;
    for (const auto& [when, text] : seen) {
        EXPECT_LT(when - previous, 200ms) << "the window stood still";
        previous = when;
        clockTexts.insert(text);
    }
    // A tick that comes a little early still shows the second before.
    EXPECT_GE(clockTexts.size(), 2u) << "the clock advanced during the send";
}

TEST(MonitorWithUnit, TheOffLineManagerTakesAFlashFile) {
    test::TempDir dir;
    test::UnitProcess unit({"--variant", "CV210-DF1", "--link", dir.path("port")});
    PortMap ports;
    ASSERT_TRUE(ports.addMapping("1=" + dir.path("port")).ok());
    test::GuiContext gui(ports);
    gui.record.ModelName = "CV210";
    gui.record.ComPort = 1;
    ASSERT_EQ(gui.serial.CommOpen(1, "COM1", kSettings), 0);
    Monitor monitor(Session{gui.record, gui.serial, gui.op}, [] {});
    ASSERT_TRUE(waitFor([&] {
        return termText(monitor).find("Corvane Off-Line Manager") != std::string::npos;
    })) << "the start-up M calls up the menu";
    QTest::keyClick(monitor.term(), Qt::Key_1);
    QTest::keyClick(monitor.term(), Qt::Key_Y);
    ASSERT_TRUE(waitFor(
        [&] { return termText(monitor).find("send the system file now") != std::string::npos; }));
    const std::string path = dir.path("system.txt");
    std::ofstream(path, std::ios::binary) << std::string(1000, 'S');
    gui.op.expect(kModeQuestion, Answer::Yes);
    gui.op.expectOpenFile(path);
    monitor.cmdSendText_Click();
    ASSERT_TRUE(waitFor(
        [&] { return termText(monitor).find("A-OK  1001 bytes written") != std::string::npos; },
        5s))
        << termText(monitor);
    EXPECT_NE(unit.awaitLine("file     rx 1001 bytes -> A-OK", 3s), "");
}

} // namespace
} // namespace cvcfg
