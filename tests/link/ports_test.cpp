#include "link/portfinder.h"
#include "link/portmap.h"
#include "tests/support/fakemachine.h"
#include "tests/support/tempdir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

namespace fs = std::filesystem;
using test::Adapter;
using test::FakeMachine;
using test::ft232r;
using test::kAcm;
using test::kFtdi;
using test::kTwinA;
using test::kTwinB;
using test::TempDir;

// What each number went to, by device.
std::vector<std::pair<int, std::string>> numbers(const std::vector<ComAssignment>& assigned) {
    std::vector<std::pair<int, std::string>> result;
    for (const ComAssignment& a : assigned) {
        result.emplace_back(a.number, a.device);
    }
    return result;
}

#ifndef _WIN32 // the fake machine is a Linux /dev and /sys tree, linked as Linux links
TEST(FindSerialPorts, NamesAdaptersAndOnlyTheUartsThatExist) {
    TempDir dir;
    FakeMachine machine(dir);
    machine.plug(kFtdi);
    machine.plug(kAcm);
    machine.addUart(0, "4");
    machine.addUart(1, "0");

    const std::vector<FoundPort> found = findSerialPorts(machine.root());
    ASSERT_EQ(found.size(), 3u);
    const FoundPort& acm = found[0];
    EXPECT_EQ(acm.node, machine.dev("ttyACM0"));
    EXPECT_EQ(acm.byId, "");
    EXPECT_EQ(acm.key(), machine.dev("ttyACM0"));
    EXPECT_EQ(acm.description(), "USB serial adapter 2341:0043");

    EXPECT_EQ(found[1].node, machine.dev("ttyS0"));
    EXPECT_TRUE(found[1].builtIn);
    EXPECT_EQ(found[1].description(), "built-in serial port");

    const FoundPort& ftdi = found[2];
    EXPECT_EQ(ftdi.node, machine.dev("ttyUSB0"));
    EXPECT_EQ(ftdi.byId, machine.dev("serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0"));
    EXPECT_EQ(ftdi.key(), ftdi.byId);
    EXPECT_EQ(ftdi.vendorId + ":" + ftdi.productId, "0403:6001");
    EXPECT_EQ(ftdi.serial, "A10K3XYZ");
    EXPECT_EQ(ftdi.description(), "FT232R USB UART (FTDI)");
    EXPECT_FALSE(ftdi.builtIn);
}

// Identical adapters differ by serial number; each keeps its number while
// away, and gets it back on whatever node it comes back as.
TEST(ComNumbers, FollowEachDeviceAcrossUnplugging) {
    TempDir dir;
    FakeMachine machine(dir);
    machine.addUart(0, "4");
    machine.plug(kTwinA);
    machine.plug(kTwinB);
    const std::string a = machine.dev("serial/by-id/" + kTwinA.byId);
    const std::string b = machine.dev("serial/by-id/" + kTwinB.byId);
    const std::string c = machine.dev("serial/by-id/" + kFtdi.byId);

    PortMemory memory;
    const auto first = assignComNumbers(findSerialPorts(machine.root()), memory, {});
    EXPECT_EQ(numbers(first), (std::vector<std::pair<int, std::string>>{
                                  {1, machine.dev("ttyS0")}, {2, a}, {3, b}}));

    machine.unplug(kTwinA);
    machine.plug(kFtdi);
    EXPECT_EQ(
        numbers(assignComNumbers(findSerialPorts(machine.root()), memory, {})),
        (std::vector<std::pair<int, std::string>>{{1, machine.dev("ttyS0")}, {3, b}, {4, c}}));

    machine.unplug(kFtdi);
    machine.plug(ft232r("A10K3AAA", "1-3", "ttyUSB2"));
    EXPECT_EQ(
        numbers(assignComNumbers(findSerialPorts(machine.root()), memory, {})),
        (std::vector<std::pair<int, std::string>>{{1, machine.dev("ttyS0")}, {2, a}, {3, b}}));
}
#endif

FoundPort nodeOnly(const std::string& node, bool builtIn = false) {
    FoundPort port;
    port.node = node;
    port.builtIn = builtIn;
    return port;
}

TEST(ComNumbers, SkipFixedNumbersAndGiveAwayAnAbsentDevicesNumberLast) {
    std::vector<FoundPort> found;
    for (int i = 0; i <= 10; ++i) {
        found.push_back(nodeOnly("/dev/ttyUSB" + std::to_string(i)));
    }
    PortMemory memory{{{"/dev/serial/by-id/usb-gone", 3}}, {}, {}};
    const auto assigned = assignComNumbers(found, memory, {1, 2});
    std::vector<std::pair<int, std::string>> expected;
    for (int i = 0; i <= 8; ++i) {
        expected.emplace_back(i + 4, "/dev/ttyUSB" + std::to_string(i));
    }
    expected.insert(expected.begin(), {3, "/dev/ttyUSB9"});
    EXPECT_EQ(numbers(assigned), expected);
    EXPECT_FALSE(memory.numbers.contains("/dev/serial/by-id/usb-gone"));
    EXPECT_EQ(memory.numbers.at("/dev/ttyUSB9"), 3);
    EXPECT_FALSE(memory.numbers.contains("/dev/ttyUSB10"));

    // A new built-in ttyS2 is COM3 as it always was, ahead of an adapter.
    PortMemory fresh;
    EXPECT_EQ(numbers(assignComNumbers({nodeOnly("/dev/ttyUSB0"), nodeOnly("/dev/ttyS2", true)},
                                       fresh, {})),
              (std::vector<std::pair<int, std::string>>{{1, "/dev/ttyUSB0"}, {3, "/dev/ttyS2"}}));
}

// Windows numbers its ports itself: COM5 is what it calls COM5, whatever was
// remembered, and a port it numbers beyond COM12 gets no other number.
TEST(ComNumbers, APortTheSystemNumbersKeepsThatNumberAlone) {
    const auto systemPort = [](const std::string& name, int number) {
        FoundPort port = nodeOnly("\\\\.\\" + name);
        port.systemNumber = number;
        return port;
    };
    PortMemory memory{{{"rfc2217://bench:4000", 5}}, {"rfc2217://bench:4000"}, {}};
    const auto assigned = assignComNumbers(
        {systemPort("COM5", 5), systemPort("COM14", 14), systemPort("COM2", 2)}, memory, {2});
    EXPECT_EQ(numbers(assigned), (std::vector<std::pair<int, std::string>>{
                                     {1, "rfc2217://bench:4000"}, {5, "\\\\.\\COM5"}}));
    EXPECT_EQ(memory.numbers.at("rfc2217://bench:4000"), 1);
}

#ifndef _WIN32

TEST(PortMap, RefreshPutsFoundDevicesAndServersBesideTheCommandLine) {
    TempDir dir;
    FakeMachine machine(dir);
    machine.addUart(0, "4");
    machine.plug(kFtdi);
    const std::string byId = machine.dev("serial/by-id/" + kFtdi.byId);
    PortMap map;
    ASSERT_TRUE(map.addMapping("1=/dev/unit").ok());
    PortMemory memory{{}, {"rfc2217://host:4000"}, {}};

    refreshPortMap(map, memory, machine.root());
    EXPECT_EQ(map.labelOf(1), "/dev/unit");
    EXPECT_EQ(map.keyOf(1), "");
    EXPECT_EQ(map.labelOf(2), "built-in serial port, " + machine.dev("ttyS0"));
    EXPECT_EQ(map.deviceFor(3), byId);
    EXPECT_EQ(map.sourceOf(3), PortMap::Source::Found);
    EXPECT_EQ(map.labelOf(3), "FT232R USB UART (FTDI), " + machine.dev("ttyUSB0"));
    EXPECT_EQ(map.keyOf(3), byId);
    EXPECT_EQ(map.resolve("COM4"), "rfc2217://host:4000");
    EXPECT_EQ(map.sourceOf(4), PortMap::Source::Server);
    EXPECT_EQ(map.labelOf(4), "device server rfc2217://host:4000");
    EXPECT_FALSE(map.offered(5));
    EXPECT_EQ(map.deviceFor(5), "/dev/ttyS4");
    EXPECT_EQ(memory.numbers.at(byId), 3);

    machine.unplug(kFtdi);
    refreshPortMap(map, memory, machine.root());
    EXPECT_FALSE(map.offered(3));
    EXPECT_EQ(map.deviceFor(3), "/dev/ttyS2");
    EXPECT_TRUE(map.offered(4));
    EXPECT_EQ(map.fixedNumbers(), std::vector<int>{1});

    // A device the command line maps is not offered a second time.
    machine.plug(kFtdi);
    PortMap mapped;
    ASSERT_TRUE(mapped.addMapping("6=" + machine.dev("ttyUSB0")).ok());
    refreshPortMap(mapped, memory, machine.root());
    for (int port = 1; port <= 12; ++port) {
        EXPECT_NE(mapped.keyOf(port), byId) << port;
    }
}
#endif

} // namespace
} // namespace cvcfg
