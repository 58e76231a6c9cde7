#include "cli/cli.h"
#include "link/portmap.h"
#include "tests/support/fakemachine.h"
#include "tests/support/records.h"
#include "tests/support/tempdir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace cvcfg::cli {
namespace {

using test::dataPath;
using test::readFile;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome cvcfg(std::vector<std::string> args, PortMap ports = {}, const std::string& input = {}) {
    std::ostringstream out;
    std::ostringstream err;
    Outcome outcome;
    std::istringstream in(input);
    outcome.status = run(args, in, out, err, std::move(ports));
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

class Cli : public testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir.path(name); }

    test::TempDir m_dir;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The line of `text` that starts with `start`, or nothing.
std::string lineStarting(const std::string& text, const std::string& start) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(start)) {
            return line;
        }
    }
    return {};
}

TEST_F(Cli, VariantsListsEveryRowWithItsLengthAndCode) {
    const Outcome listed = cvcfg({"variants"});
    ASSERT_EQ(listed.status, kSuccess);
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 16);
    EXPECT_TRUE(contains(listed.out, "CV210-SLC5/04 Bridge   CV210                42   0\n"));
    EXPECT_TRUE(contains(listed.out, "CV310-DAS              CV310                58   6\n"));
    EXPECT_TRUE(contains(listed.out, "CV-PCI                 CV-PCI               58   0\n"));
}

TEST_F(Cli, ImagePrintsTheDownloadImageOfAFile) {
    const Outcome image = cvcfg({"image", "--variant", "CV210-DF1", dataPath("cv210-df1.CVF")});
    ASSERT_EQ(image.status, kSuccess) << image.err;
    EXPECT_EQ(image.out, readFile(dataPath("cv210-df1.hex")));
    EXPECT_EQ(image.err, "");
}

TEST_F(Cli, ShowDecodesTheCodes) {
    const Outcome shown = cvcfg({"show", "--variant=CV210-KFR", dataPath("cv210-kfr.CVF")});
    ASSERT_EQ(shown.status, kSuccess) << shown.err;
    EXPECT_TRUE(contains(shown.out, "NetType 1 (Remote I/O)")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "CHBSpeed 9 (19.2 Kbaud)")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "CHBParams 6 (8 data bits, even parity, 1 stop bit"));
    EXPECT_TRUE(contains(shown.out, "channel A/DF1 check CRC"));
    EXPECT_TRUE(contains(shown.out, "channel B check CRC"));
    // ExtParams[2] 3 and [3] 4: rack 2, group 0 modules 0 and 1, group 5 module 0.
    EXPECT_TRUE(contains(shown.out, "Rack 2 block transfers 0x03 0x04 (0/0, 0/1, 5/0)\n"))
        << shown.out;

    const Outcome pci = cvcfg({"show", "--variant", "CV-PCI", dataPath("cv-pci.CVF")});
    EXPECT_TRUE(contains(pci.out, "StationNo 8 (octal 10)")) << pci.out;
    EXPECT_TRUE(contains(pci.out, "NetSpeed 9 (115.2 Kbaud)"));
    EXPECT_TRUE(contains(pci.out, "CHBParams 33 (8 data bits, no parity, 1 stop bit, "
                                  "handshaking active, RS-422 4-wire)"));

    const Outcome modbus = cvcfg({"show", "--variant", "CV320-ME", dataPath("cv320-me.CVF")});
    EXPECT_EQ(lineStarting(modbus.out, "Register map"),
              "Register map    slot  Modbus start  Modbus end  A-B file  A-B word  floating point"
              "  spare")
        << modbus.out;
    EXPECT_TRUE(contains(modbus.out, "   0         40001       40100         7         0"
                                     "             yes      0\n"));
    EXPECT_TRUE(contains(modbus.out, "NetSpeed 13 (channel A 230.4 Kbaud)"));
    EXPECT_EQ(lineStarting(modbus.out, "Other entries"),
              "Other entries   ExtParams[0] 0; ExtParams[6] 0; ExtParams[7] 0");

    // The ASCII variants have no channel C: the top bit names the file kind.
    const Outcome ascii = cvcfg({"show", "--variant", "CV310-DAS", dataPath("cv310-das.CVF")});
    EXPECT_FALSE(contains(ascii.out, "channel C check CRC")) << ascii.out;
    EXPECT_TRUE(contains(ascii.out, "destination is a string file"));
    EXPECT_TRUE(contains(ascii.out, "ASCII destination file 100\n"));
    EXPECT_TRUE(contains(ascii.out, "ASCII starting word 256\n"));
}

// Every reading the comparison makes stands in show's text once, and in its
// JSON with what it means.
TEST_F(Cli, ShowHoldsEveryReadingOnce) {
    const Outcome shown = cvcfg({"show", "--variant", "CV310-DMX", dataPath("cv310-dmx.CVF")});
    ASSERT_EQ(shown.status, kSuccess) << shown.err;
    // The spare entry of the last slot holds 5; show once left it out.
    EXPECT_TRUE(contains(lineStarting(shown.out, "                   7"), " no      5"))
        << shown.out;
    for (const char* reading :
         {"StationNo 12 (octal 14)", "Modbus options 5 (ASCII framing, slave, broadcast",
          "Broadcast end address 9 (octal 11)", "ExtParams[7] 0"}) {
        const std::size_t at = shown.out.find(reading);
        EXPECT_NE(at, std::string::npos) << reading << "\n" << shown.out;
        EXPECT_EQ(shown.out.find(reading, at + 1), std::string::npos) << reading;
    }

    const Outcome json =
        cvcfg({"show", "--variant", "CV310-DMX", dataPath("cv310-dmx.CVF"), "--json"});
    EXPECT_TRUE(contains(json.out, "{\"field\": \"Broadcast end address\", \"value\": \"9\", "
                                   "\"meaning\": \"octal 11\"}"))
        << json.out;
    EXPECT_TRUE(contains(json.out, "{\"field\": \"AppCode\", \"value\": \"2\", "
                                   "\"meaning\": \"\"}"));
}

TEST_F(Cli, SetWritesFieldsThatShowAndImageReadBack) {
    const std::string out = path("set.CVF");
    const Outcome set =
        cvcfg({"set", "--variant", "CV210-KFR", "-", "StationNo=34", "ModeBytes=4,0",
               "ExtParams[8]=44", "CHBParams=0x06", "NumText1=7", "-o", out});
    ASSERT_EQ(set.status, kSuccess) << set.err;
    const std::string file = readFile(out);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 22);
    EXPECT_TRUE(file.starts_with("\"\"\r\n34\r\n")) << "code 34 stands as a bare number";

    const Outcome json = cvcfg({"show", "--variant", "CV210-KFR", out, "--json"});
    EXPECT_TRUE(contains(json.out, "\"StationNo\": 34"));
    EXPECT_TRUE(contains(json.out, "\"ModeBytes\": [4, 0]"));
    EXPECT_TRUE(contains(json.out, "\"CHBParams\": 6"));
    EXPECT_TRUE(contains(json.out, "\"NumText1\": 7"));
    EXPECT_TRUE(contains(json.out, "\"ExtParams\": [0, 0, 0, 0, 0, 0, 0, 0, 44, 0"));

    // Starting from a file keeps what the file held.
    const std::string again = path("again.CVF");
    ASSERT_EQ(cvcfg({"set", "--variant", "CV210-KFR", out, "AuxValue=9", "-o", again}).status,
              kSuccess);
    const Outcome image = cvcfg({"image", "--variant", "CV210-KFR", again});
    // AppCode 7, then NetType 0 and StationNo 34 at image offsets 29 to 31.
    EXPECT_TRUE(contains(image.out, "00 00 00 07 00 22 00")) << image.out;
}

TEST_F(Cli, SetRefusesWhatTheFileCannotHoldAndWritesNothing) {
    const std::string fresh = path("refused.CVF");
    const std::string existing = path("existing.CVF");
    std::ofstream(existing, std::ios::binary) << "kept";
    struct Case {
        std::string assignment;
        std::string mentions;
    };
    const std::vector<Case> cases = {
        {"StationNo=256", "StationNo"},
        {"CHAParams=-1", "CHAParams"},
        {"NumText2=x", "NumText2"},
        {"ExtParams[14]=1", "ExtParams[14]"},
        {"ExtParams[88]=1", "0 to 87"},
        {"ModeBytes=4,1", "ModeBytes"},
        {"AppCode=3", "AppCode"},
        {"LinkBaud=9600", "LinkBaud"},
        {"stationno=3", "unknown field"},
        {"StationNo", "NAME=VALUE"},
        // A sign or a blank is no part of a byte, in any base and field kind.
        {"CHAParams=0x-1", "CHAParams: \"0x-1\" is not a byte"},
        {"ExtParams[3]=0x-80", "ExtParams[3]: \"0x-80\" is not a byte"},
        {"ExtParams[3]=-0", "ExtParams[3]: \"-0\""},
        {"StationNo=+5", "StationNo: \"+5\""},
        {"AuxChar=0x+7", "AuxChar: \"0x+7\""},
        {"NumText1=-0", "NumText1: \"-0\""},
        {"NumText2=0x-0", "NumText2: \"0x-0\""},
        {"CHBParams= 6", "CHBParams: \" 6\""},
        {"AuxValue=0x 6", "AuxValue: \"0x 6\""},
        {"ModeBytes=0x-4,0", "ModeBytes: \"0x-4\""},
        {"ModeBytes=4,-0", "ModeBytes: \"-0\""},
        {"ModeBytes=+4", "ModeBytes: \"+4\""},
        {"ExtParams[-0]=1", "0 to 87"},
        {"ExtParams[+3]=1", "0 to 87"},
        // Out of range however it is written.
        {"AuxValue=0x100", "AuxValue: \"0x100\""},
        {"ProtoParams=0x", "ProtoParams: \"0x\""},
        {"ExtParams[13]=4294967297", "ExtParams[13]"},
        {"ModeBytes=256,0", "ModeBytes: \"256\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.assignment);
        for (const std::string& out : {fresh, existing}) {
            const Outcome set =
                cvcfg({"set", "--variant", "CV210-KFR", "-", c.assignment, "-o", out});
            EXPECT_EQ(set.status, kFailure);
            EXPECT_EQ(set.out, "");
            EXPECT_TRUE(contains(set.err, c.mentions)) << set.err;
        }
        EXPECT_FALSE(std::filesystem::exists(fresh));
        EXPECT_EQ(readFile(existing), "kept");
    }
}

TEST_F(Cli, SetTakesBytesAtTheirBoundsInEveryForm) {
    const std::string out = path("bounds.CVF");
    const Outcome set = cvcfg({"set", "--variant", "CV210-KFR", "-", "StationNo=0xFF",
                               "HighAddress=0", "AuxValue=0X0a", "NumText2=255", "ModeBytes=0xff",
                               "ExtParams[13]=0xfF", "ExtParams[0]=00255", "-o", out});
    ASSERT_EQ(set.status, kSuccess) << set.err;
    const Outcome json = cvcfg({"show", "--variant", "CV210-KFR", out, "--json"});
    for (const char* member : {"\"StationNo\": 255", "\"HighAddress\": 0", "\"AuxValue\": 10",
                               "\"NumText2\": 255", "\"ModeBytes\": [255, 0]",
                               "\"ExtParams\": [255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, "}) {
        EXPECT_TRUE(contains(json.out, member)) << member << "\n" << json.out;
    }
}

TEST_F(Cli, MessagesQuoteAShortEscapedExcerptOfWhatWasGiven) {
    const std::string longValue = "\x1B]0;" + std::string(100000, '9');
    const std::vector<std::vector<std::string>> lines = {
        {"set", "--variant", "CV210-DF1", "-", "StationNo=" + longValue, "-o", path("o.CVF")},
        {"set", "--variant", "CV210-DF1", "-", longValue + "=1", "-o", path("o.CVF")},
        {"set", "--variant", "CV210-DF1", "-", longValue, "-o", path("o.CVF")},
        {"set", "--variant", "CV210-KFR", "-", "ExtParams[" + longValue + "]=1", "-o",
         path("o.CVF")},
        {"show", "--variant", longValue, dataPath("cv210-df1.CVF")},
        {"show", "--" + longValue, dataPath("cv210-df1.CVF")},
        {longValue},
        {"--com", longValue, "ports"},
    };
    for (const auto& line : lines) {
        const Outcome outcome = cvcfg(line);
        EXPECT_NE(outcome.status, kSuccess);
        const std::string first = outcome.err.substr(0, outcome.err.find('\n'));
        SCOPED_TRACE(first);
        EXPECT_TRUE(contains(first, "\\x1B]0;999")) << "the excerpt, escaped";
        EXPECT_LT(first.size(), 200u);
    }
}

TEST_F(Cli, BadFileFailsWithNothingOnStandardOutput) {
    const std::string bad = path("bad.CVF");
    std::ofstream(bad, std::ios::binary) << "\"\"\r\n\"\x01\"\r\nabc\r\n";
    for (const char* command : {"show", "image"}) {
        const Outcome outcome = cvcfg({command, "--variant", "CV210-DF1", bad});
        EXPECT_EQ(outcome.status, kFailure);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(contains(outcome.err, "bad.CVF")) << outcome.err;
    }
}

TEST_F(Cli, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"frobnicate"},
        {"show", dataPath("cv210-df1.CVF")},
        {"show", "--variant", "cv210-df1", dataPath("cv210-df1.CVF")},
        {"image", "--variant", "CV210-DF1"},
        {"image", "--variant", "CV210-DF1", "--colour", dataPath("cv210-df1.CVF")},
        {"set", "--variant", "CV210-DF1", "-", "StationNo=1"},
        {"variants", "extra"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.front() + " " + (args.size() > 1 ? args[1] : ""));
        const Outcome outcome = cvcfg(args);
        EXPECT_EQ(outcome.status, kUsage);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(contains(outcome.err, "Usage:")) << outcome.err;
    }
}

TEST_F(Cli, PortsListWhatStandsBehindEachNumber) {
    const std::string present = path("present");
    test::writeFile(present, "");
    const PortMap environment = PortMap::fromEnvironment([&](const char* name) -> const char* {
        return std::string_view(name) == "CVCFG_COM2" ? present.c_str() : nullptr;
    });
    const Outcome listed =
        cvcfg({"--com", "3=" + path("unit"), "ports", "--com=12=" + present}, environment);
    ASSERT_EQ(listed.status, kSuccess) << listed.err;
    EXPECT_EQ(listed.out, "COM2   " + present + " (environment)\n" + "COM3   " + path("unit") +
                              " (--com, missing)\n" + "COM12  " + present + " (--com)\n");

    const Outcome json = cvcfg({"ports", "--json", "--com", "3=" + path("unit")});
    ASSERT_EQ(json.status, kSuccess) << json.err;
    std::string jsonPath; // a Windows path's backslashes doubled
    for (const char c : path("unit")) {
        jsonPath += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    EXPECT_EQ(json.out, "[{\"port\": \"COM3\", \"source\": \"--com\", \"label\": \"" + jsonPath +
                            "\", \"device\": \"" + jsonPath + "\", \"present\": false}]\n");

    const Outcome none = cvcfg({"ports"});
    EXPECT_EQ(none.status, kSuccess);
    EXPECT_TRUE(contains(none.out, "No serial port was found")) << none.out;

    const Outcome bad = cvcfg({"--com", "13=/dev/x", "ports"});
    EXPECT_EQ(bad.status, kUsage);
    EXPECT_TRUE(contains(bad.err, "N from 1 to 12")) << bad.err;
}

#ifndef _WIN32 // the fake machine is a Linux /dev and /sys tree
TEST_F(Cli, PortsNameTheAdaptersFoundAndTheServersAdded) {
    test::FakeMachine machine(m_dir);
    machine.plug(test::kFtdi);
    machine.addUart(0, "4");
    PortMemory memory;
    memory.servers = {"rfc2217://10.0.0.5:4000"};
    PortMap ports;
    refreshPortMap(ports, memory, machine.root());
    const std::string byId =
        machine.dev("serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    const Outcome listed = cvcfg({"ports"}, ports);
    ASSERT_EQ(listed.status, kSuccess) << listed.err;
    // The path opened follows an adapter's label, which shows only its node.
    EXPECT_EQ(listed.out, "COM1   built-in serial port, " + machine.dev("ttyS0") + "\n" +
                              "COM2   FT232R USB UART (FTDI), " + machine.dev("ttyUSB0") + "\n" +
                              "       " + byId + "\n" +
                              "COM3   device server rfc2217://10.0.0.5:4000\n");
    // A mapping of the command line wins over what was found.
    const Outcome mapped = cvcfg({"ports", "--com", "1=/dev/null"}, ports);
    EXPECT_TRUE(contains(mapped.out, "COM1   /dev/null (--com)\n")) << mapped.out;
}
#endif

TEST_F(Cli, DiffExitsAsDiffDoes) {
    const std::string golden = dataPath("cv320-me.CVF");
    const Outcome same = cvcfg({"diff", "--variant", "CV320-ME", golden, golden});
    EXPECT_EQ(same.status, kSuccess) << same.err;
    EXPECT_EQ(same.out, "");

    const std::string changed = path("changed.CVF");
    ASSERT_EQ(cvcfg({"set", "--variant", "CV320-ME", golden, "ExtParams[1]=3", "CHAParams=0x06",
                     "-o", changed})
                  .status,
              kSuccess);
    const Outcome differs = cvcfg({"diff", "--variant", "CV320-ME", golden, changed});
    EXPECT_EQ(differs.status, kFailure);
    EXPECT_TRUE(contains(differs.out, "CHAParams: 19 (7 data bits, odd parity, ") &&
                contains(differs.out, " -> 6 (8 data bits, even parity, "))
        << differs.out;
    EXPECT_TRUE(contains(differs.out, "Modbus options: ") &&
                contains(differs.out, "-> 3 (ASCII framing, master,"))
        << differs.out;
    const Outcome json = cvcfg({"diff", "--variant", "CV320-ME", golden, changed, "--json"});
    EXPECT_EQ(json.status, kFailure);
    EXPECT_TRUE(contains(json.out, "{\"field\": \"CHAParams\", \"left\": {\"value\": \"19\""))
        << json.out;

    const Outcome missing = cvcfg({"diff", "--variant", "CV320-ME", golden, path("none.CVF")});
    EXPECT_EQ(missing.status, kUsage);
    EXPECT_TRUE(contains(missing.err, path("none.CVF"))) << missing.err;
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(cvcfg({"diff", "--variant", "CV320-ME", golden}).status, kUsage);
}

TEST_F(Cli, ShowDiffAndSheetMarkValuesTheEditorDoesNotOffer) {
    // A Remote I/O card of eight racks: its rack range list offers 1 to 7.
    const std::string golden = dataPath("cv-pci.CVF");
    const std::string racks = path("racks.CVF");
    ASSERT_EQ(cvcfg({"set", "--variant", "CV-PCI", golden, "HighAddress=8", "-o", racks}).status,
              kSuccess);
    const Outcome shown = cvcfg({"show", "--variant", "CV-PCI", racks});
    ASSERT_EQ(shown.status, kSuccess) << shown.err;
    const std::string high = lineStarting(shown.out, "High address");
    EXPECT_TRUE(
        contains(high, "HighAddress 8 (octal 10; not offered by the editor, which offers 1 to 7)"))
        << shown.out;
    const std::string offered = cvcfg({"show", "--variant", "CV-PCI", golden}).out;
    EXPECT_FALSE(contains(offered, "not offered"));
    EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\n'),
              std::count(offered.begin(), offered.end(), '\n'))
        << "the mark stands on the field's own line";

    const Outcome differs = cvcfg({"diff", "--variant", "CV-PCI", golden, racks});
    EXPECT_EQ(differs.status, kFailure);
    const std::string diffLine = lineStarting(differs.out, "HighAddress:");
    EXPECT_TRUE(contains(diffLine, "-> 8 (") && contains(diffLine, "not offered by the editor"))
        << differs.out;
    EXPECT_FALSE(contains(diffLine.substr(0, diffLine.find("->")), "not offered"));

    ASSERT_EQ(cvcfg({"sheet", "--variant", "CV-PCI", racks, "-o", path("racks.html")}).status,
              kSuccess);
    EXPECT_TRUE(contains(readFile(path("racks.html")),
                         "<tr><td>HighAddress</td><td>8</td><td>octal 10; not offered by the "
                         "editor, which offers 1 to 7</td></tr>"));

    // Modbus: a PLC type beyond the three, and option bits no dialog sets.
    const std::string modbus = path("modbus.CVF");
    ASSERT_EQ(cvcfg({"set", "--variant", "CV320-ME", dataPath("cv320-me.CVF"), "ExtParams[4]=7",
                     "ExtParams[1]=0x45", "-o", modbus})
                  .status,
              kSuccess);
    const Outcome plc = cvcfg({"show", "--variant", "CV320-ME", modbus});
    EXPECT_TRUE(contains(plc.out, "A-B PLC type 7 (not a known choice; not offered by the "
                                  "editor, which offers 0 to 2)\n"))
        << plc.out;
    EXPECT_TRUE(contains(lineStarting(plc.out, "Modbus"), "unknown bit 0x40")) << plc.out;
    EXPECT_FALSE(contains(plc.out, "unknown bit 0x04"));
}

// The CV310's Modbus address list offers "1" to "247": decimal, not octal.
TEST_F(Cli, ShowAndDiffGiveTheCV310ModbusAddressInDecimal) {
    const std::string golden = dataPath("cv310-dmx.CVF");
    const std::string modbus = path("modbus.CVF");
    const std::string df1 = path("df1.CVF");
    ASSERT_EQ(
        cvcfg({"set", "--variant", "CV310-DMX", golden, "NetType=2", "StationNo=12", "-o", modbus})
            .status,
        kSuccess);
    ASSERT_EQ(
        cvcfg({"set", "--variant", "CV310-DMX", golden, "NetType=1", "StationNo=12", "-o", df1})
            .status,
        kSuccess);
    const Outcome shown = cvcfg({"show", "--variant", "CV310-DMX", modbus});
    ASSERT_EQ(shown.status, kSuccess) << shown.err;
    EXPECT_EQ(lineStarting(shown.out, "Station"),
              "Station         StationNo 12 (Modbus address 12)")
        << shown.out;
    EXPECT_FALSE(contains(shown.out, "octal 14")) << shown.out;
    // On DF1 the same byte is an octal station.
    const Outcome station = cvcfg({"show", "--variant", "CV310-DMX", df1});
    EXPECT_TRUE(contains(lineStarting(station.out, "Station"), "StationNo 12 (octal 14)"))
        << station.out;

    const Outcome differs = cvcfg({"diff", "--variant", "CV310-DMX", df1, modbus});
    EXPECT_EQ(differs.status, kFailure);
    EXPECT_EQ(lineStarting(differs.out, "StationNo:"),
              "StationNo: 12 (octal 14) -> 12 (Modbus address 12)")
        << differs.out;
}

// A slot's floating-point flag is sent even when the slot is otherwise unused.
TEST_F(Cli, DiffNamesTheFloatingPointFlagOfAnUnusedSlot) {
    const std::string golden = dataPath("cv320-me.CVF");
    const std::string flagged = path("flagged.CVF");
    const std::string plain = path("plain.CVF");
    const std::vector<std::string> emptySlot = {
        "ExtParams[18]=0", "ExtParams[19]=0", "ExtParams[20]=0", "ExtParams[21]=0",
        "ExtParams[22]=0", "ExtParams[23]=0", "ExtParams[24]=0", "ExtParams[25]=0"};
    std::vector<std::string> args = {"set", "--variant", "CV320-ME", golden};
    args.insert(args.end(), emptySlot.begin(), emptySlot.end());
    std::vector<std::string> plainArgs = args;
    args.insert(args.end(), {"ExtParams[26]=1", "-o", flagged});
    plainArgs.insert(plainArgs.end(), {"ExtParams[26]=0", "-o", plain});
    ASSERT_EQ(cvcfg(args).status, kSuccess);
    ASSERT_EQ(cvcfg(plainArgs).status, kSuccess);
    const Outcome differs = cvcfg({"diff", "--variant", "CV320-ME", plain, flagged});
    EXPECT_EQ(differs.status, kFailure);
    const std::string line = lineStarting(differs.out, "Modbus slot 1:");
    EXPECT_TRUE(contains(line, "(unused) -> ") && contains(line, "floating point")) << differs.out;
}

TEST_F(Cli, SheetWritesTheHtmlOfAFileAndRefusesOtherOutputs) {
    const std::string golden = dataPath("cv210-kfr.CVF");
    const Outcome html =
        cvcfg({"sheet", "--variant", "CV210-KFR", golden, "-o", path("sheet.html")});
    ASSERT_EQ(html.status, kSuccess) << html.err;
    const std::string text = readFile(path("sheet.html"));
    EXPECT_TRUE(contains(text, "<h1>Configuration of CV210-KFR</h1>"));
    EXPECT_TRUE(contains(text, golden));
    EXPECT_TRUE(contains(text, "<tr><td>Rack 2 block transfers</td>")) << text;
    EXPECT_EQ(cvcfg({"sheet", "--variant", "CV210-KFR", golden, "-o", path("sheet.txt")}).status,
              kUsage);
    EXPECT_EQ(cvcfg({"sheet", "--variant", "CV210-KFR", golden, "-o", path("sheet.pdf")}).status,
              kFailure)
        << "a PDF needs the desktop program's document support";
}

TEST_F(Cli, EveryCommandExplainsItself) {
    for (const char* command :
         {"variants", "show", "set", "image", "ports", "diff", "verify", "download", "sheet"}) {
        const Outcome help = cvcfg({command, "--help"});
        EXPECT_EQ(help.status, kSuccess);
        EXPECT_TRUE(contains(help.out, std::string("Usage: cvcfg ") + command)) << help.out;
        const Outcome asked = cvcfg({"help", command});
        EXPECT_EQ(asked.status, kSuccess);
        EXPECT_EQ(asked.out, help.out) << "cvcfg help " << command;
    }
    EXPECT_TRUE(contains(cvcfg({"--help"}).out, "Commands:"));
    const Outcome unknown = cvcfg({"help", "frobnicate"});
    EXPECT_EQ(unknown.status, kUsage);
    EXPECT_TRUE(contains(unknown.err, "unknown command \"frobnicate\"")) << unknown.err;
}

TEST_F(Cli, DashStandsForStandardInputAndOutput) {
    const std::string golden = dataPath("cv210-df1.CVF");
    const std::string text = readFile(golden);
    const auto withInput = [&text](std::vector<std::string> args) {
        return cvcfg(std::move(args), {}, text);
    };
    EXPECT_EQ(withInput({"show", "--variant", "CV210-DF1", "-"}).out,
              cvcfg({"show", "--variant", "CV210-DF1", golden}).out);
    EXPECT_EQ(withInput({"image", "--variant", "CV210-DF1", "-"}).out,
              cvcfg({"image", "--variant", "CV210-DF1", golden}).out);
    const Outcome same = withInput({"diff", "--variant", "CV210-DF1", "-", golden});
    EXPECT_EQ(same.status, kSuccess) << same.err;
    const Outcome both = withInput({"diff", "--variant", "CV210-DF1", "-", "-"});
    EXPECT_EQ(both.status, kUsage);
    const Outcome sheet = withInput({"sheet", "--variant", "CV210-DF1", "-", "-o", "-"});
    EXPECT_EQ(sheet.status, kSuccess) << sheet.err;
    EXPECT_TRUE(contains(sheet.out, "<html")) << "the sheet's HTML on standard output";
    EXPECT_TRUE(contains(sheet.out, "standard input"));

    // -o - gives the file's bytes, which open again to the same record.
    const Outcome set =
        withInput({"set", "--variant", "CV210-DF1", golden, "StationNo=9", "-o", "-"});
    EXPECT_EQ(set.status, kSuccess) << set.err;
    EXPECT_TRUE(set.out.ends_with("\r\n"));
    const Outcome shown = cvcfg({"show", "--variant", "CV210-DF1", "-"}, {}, set.out);
    EXPECT_TRUE(contains(shown.out, "StationNo 9")) << shown.out;

    const Outcome bad = cvcfg({"show", "--variant", "CV210-DF1", "-"}, {}, "nonsense\r\n");
    EXPECT_EQ(bad.status, kFailure);
    EXPECT_TRUE(contains(bad.err, "standard input")) << bad.err;
    const Outcome unanswerable =
        withInput({"download", "--variant", "CV210-DF1", "--port", "COM1", "-"});
    EXPECT_EQ(unanswerable.status, kUsage);
    EXPECT_TRUE(contains(unanswerable.err, "needs --yes")) << unanswerable.err;
}

TEST_F(Cli, DoubleDashEndsTheOptions) {
    const std::string file = path("-plant.CVF");
    ASSERT_EQ(cvcfg({"set", "--variant", "CV210-DF1", "-", "StationNo=9", "-o", file}).status,
              kSuccess);
    // Without "--" a word that begins with "-" is taken for an option.
    const Outcome option = cvcfg({"show", "--variant", "CV210-DF1", "-plant.CVF"});
    EXPECT_EQ(option.status, kUsage);
    EXPECT_TRUE(contains(option.err, "unknown option \"-plant.CVF\"")) << option.err;
    const Outcome shown = cvcfg({"show", "--variant", "CV210-DF1", "--", file});
    EXPECT_EQ(shown.status, kSuccess) << shown.err;
    EXPECT_TRUE(contains(shown.out, "StationNo 9")) << shown.out;
    const Outcome com = cvcfg({"show", "--variant", "CV210-DF1", "--", "--com"});
    EXPECT_EQ(com.status, kFailure) << "\"--com\" after \"--\" is a file name: " << com.err;
}

} // namespace
} // namespace cvcfg::cli
