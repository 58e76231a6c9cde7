#include "link/seriallayer.h"
#include "tests/support/fakebackend.h"

#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::FakeBackend;

const std::string kSettings = "baud=9600 parity=N data=8 stop=1";

std::string errorText(const SerialLayer& serial) {
    std::string text;
    serial.CommErrorText(text);
    return text;
}

TEST(SerialLayer, OpenRunsThePlatformStepsInOrder) {
    FakeBackend backend;
    SerialLayer serial(backend);
    ASSERT_EQ(serial.CommOpen(3, "COM3", kSettings), 0);
    const std::vector<std::string> expected = {"open COM3",    "setQueueSizes",
                                               "purge",        "setTimeouts",
                                               "getLineState", "buildLineState " + kSettings,
                                               "setLineState"};
    EXPECT_EQ(backend.calls, expected);
    EXPECT_TRUE(serial.isOpen(3));
}

TEST(SerialLayer, EachOpenStepFailsUnderItsOwnSource) {
    const std::pair<const char*, const char*> steps[] = {
        {"open", "CommOpen (CreateFile)"},           {"setQueueSizes", "CommOpen (SetupComm)"},
        {"purge", "CommOpen (PurgeComm)"},           {"setTimeouts", "CommOpen (SetCommTimeouts)"},
        {"getLineState", "CommOpen (GetCommState)"}, {"buildLineState", "CommOpen (BuildCommDCB)"},
        {"setLineState", "CommOpen (SetCommState)"},
    };
    for (const auto& [step, source] : steps) {
        SCOPED_TRACE(step);
        FakeBackend backend;
        backend.failing[step] = 22;
        SerialLayer serial(backend);
        EXPECT_EQ(serial.CommOpen(1, "COM1", kSettings), 22);
        EXPECT_EQ(errorText(serial), std::string("Error (22): ") + source + " - text of 22");
        // Only a failed open of the device leaves the port closed; after any
        // later step the caller must close it.
        EXPECT_EQ(serial.isOpen(1), std::string(step) != "open");
        EXPECT_EQ(serial.CommClose(1), 0);
        EXPECT_FALSE(serial.isOpen(1));
    }
}

TEST(SerialLayer, SetAndSetNoXonSwitchOutputFlowControl) {
    FakeBackend backend;
    SerialLayer serial(backend);
    ASSERT_EQ(serial.CommOpen(1, "COM1", kSettings), 0);
    ASSERT_EQ(serial.CommSet(1, kSettings), 0);
    EXPECT_TRUE(backend.line.xonXoffOutput);
    EXPECT_EQ(backend.line.xonChar, 0x11);
    EXPECT_EQ(backend.line.xoffChar, 0x13);
    ASSERT_EQ(serial.CommSetNOXON(1, kSettings), 0);
    EXPECT_FALSE(backend.line.xonXoffOutput);
    EXPECT_EQ(backend.line.xoffChar, 0x13);

    backend.failing["buildLineState"] = 87;
    EXPECT_EQ(serial.CommSetNOXON(1, kSettings), 87);
    EXPECT_NE(errorText(serial).find("CommSetNOXON (BuildCommDCB)"), std::string::npos);
    backend.failing = {{"setLineState", 5}};
    EXPECT_EQ(serial.CommSet(1, kSettings), 5);
    EXPECT_NE(errorText(serial).find("CommSet (SetCommState)"), std::string::npos);
}

TEST(SerialLayer, PortIdsOutsideTheTableFailAsASubscriptError) {
    FakeBackend backend;
    SerialLayer serial(backend);
    EXPECT_EQ(serial.CommOpen(13, "COM13", kSettings), 9);
    EXPECT_EQ(errorText(serial), "Error (9): CommOpen - Subscript out of range");
    std::string data = "stale";
    EXPECT_EQ(serial.CommRead(0, data, 10), -1);
    EXPECT_EQ(data, "");
    EXPECT_EQ(errorText(serial), "Error (9): CommRead - Subscript out of range");
    EXPECT_EQ(serial.CommWrite(-4, "x"), -1);
    EXPECT_EQ(errorText(serial), "Error (9): CommWrite - Subscript out of range");
    EXPECT_TRUE(backend.calls.empty());
    // All twelve ports of the COM list are in the table.
    EXPECT_EQ(serial.CommOpen(12, "COM12", kSettings), 0);
}

TEST(SerialLayer, ModemLinesAreReadThroughTheMask) {
    FakeBackend backend;
    SerialLayer serial(backend);
    ASSERT_EQ(serial.CommOpen(1, "COM1", kSettings), 0);
    backend.modemBits = modem_status::kDsr;
    bool state = false;
    EXPECT_EQ(serial.CommReadCD(1, 0x20, state), 0);
    EXPECT_TRUE(state);
    EXPECT_EQ(serial.CommReadCD(1, 0x10, state), 0);
    EXPECT_FALSE(state);
    // The lamp masks 2 and 3 match no bit of the modem status word.
    backend.modemBits = 0xF0;
    EXPECT_EQ(serial.CommReadCD(1, 2, state), 0);
    EXPECT_FALSE(state);
}

TEST(SerialLayer, LineSelectorsMapToLineFunctions) {
    FakeBackend backend;
    SerialLayer serial(backend);
    ASSERT_EQ(serial.CommOpen(1, "COM1", kSettings), 0);
    EXPECT_EQ(serial.CommSetLine(1, 1, true), 0);
    EXPECT_EQ(serial.CommSetLine(1, 1, false), 0);
    EXPECT_EQ(serial.CommSetLine(1, 2, true), 0);
    EXPECT_EQ(serial.CommSetLine(1, 2, false), 0);
    EXPECT_EQ(serial.CommSetLine(1, 3, true), 0);
    EXPECT_EQ(serial.CommSetLine(1, 3, false), 0);
    EXPECT_EQ(serial.CommSetLine(1, 4, true), EINVAL);
    EXPECT_EQ(backend.lineFunctions, (std::vector<int>{8, 9, 5, 6, 3, 4, 0}));
    EXPECT_NE(errorText(serial).find("CommSetLine (EscapeCommFunction)"), std::string::npos);
}

TEST(SerialLayer, ReadAndWriteFailuresCarryTheErrorFlags) {
    FakeBackend backend;
    SerialLayer serial(backend);
    ASSERT_EQ(serial.CommOpen(1, "COM1", kSettings), 0);
    backend.input = "abc";
    backend.errorFlags = 0x1F;
    backend.failing["read"] = 5;
    std::string data;
    EXPECT_EQ(serial.CommRead(1, data, 10), -1);
    EXPECT_EQ(errorText(serial),
              "Error (5): CommRead (ReadFile) - text of 5  COMM Error Flags = 1F");
    backend.failing = {{"write", 110}};
    EXPECT_EQ(serial.CommWrite(1, "x"), -1);
    EXPECT_EQ(errorText(serial),
              "Error (110): CommWrite (WriteFile) - text of 110  COMM Error Flags = 1F");
    backend.failing = {{"queuedInput", 5}};
    EXPECT_EQ(serial.CommRead(1, data, 10), -1);
    EXPECT_EQ(errorText(serial), "Error (5): CommRead (ClearCommError) - text of 5");
}

TEST(SerialLayer, ReadsAndWritesLetTheApplicationPumpEvents) {
    FakeBackend backend;
    SerialLayer serial(backend);
    int pumped = 0;
    serial.setEventPump([&pumped] { ++pumped; });
    ASSERT_EQ(serial.CommOpen(1, "COM1", kSettings), 0);
    std::string data;
    serial.CommRead(1, data, 10);
    EXPECT_EQ(pumped, 1);
    pumped = 0;
    EXPECT_EQ(serial.CommWrite(1, "abc"), 3);
    EXPECT_EQ(pumped, 11);
    pumped = 0;
    backend.failing["write"] = 5;
    serial.CommWrite(1, "abc");
    EXPECT_EQ(pumped, 1);
}

TEST(SerialLayer, ClosingAClosedPortIsHarmlessAndASuccessKeepsTheLastError) {
    FakeBackend backend;
    SerialLayer serial(backend);
    serial.CommOpen(14, "COM14", kSettings);
    EXPECT_EQ(serial.CommClose(5), 0);
    EXPECT_TRUE(backend.calls.empty());
    EXPECT_EQ(errorText(serial), "Error (9): CommOpen - Subscript out of range");

    ASSERT_EQ(serial.CommOpen(1, "COM1", kSettings), 0);
    backend.failing["close"] = 4;
    EXPECT_EQ(serial.CommClose(1), 4);
    EXPECT_TRUE(serial.isOpen(1)) << "a failed close leaves the entry open";
    EXPECT_EQ(serial.CommOpen(1, "COM1", kSettings), -1);
    EXPECT_EQ(errorText(serial), "Error (-1): CommOpen - Port in use.");
}

} // namespace
} // namespace cvcfg
