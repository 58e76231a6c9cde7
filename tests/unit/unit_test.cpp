#include "core/image.h"
#include "tests/support/records.h"
#include "unit/unit.h"

#include <gtest/gtest.h>

namespace cvcfg::sim {
namespace {

using namespace std::chrono_literals;
using TimePoint = Unit::TimePoint;

const TimePoint kStart = TimePoint{} + 1h;

std::string imageOf(const ConfigRecord& record) {
    const Expected<Bytes> image = BuildConfigImage(record);
    EXPECT_TRUE(image.ok()) << image.error();
    return std::string(image->begin(), image->end());
}

// A unit of the variant and the clock a test moves by hand.
struct Bench {
    explicit Bench(std::string_view variant, Faults faults = {})
        : unit(variant == "any" ? nullptr : findVariant(variant), std::move(faults)) {}

    std::string send(std::string_view bytes, std::chrono::milliseconds later = 0ms) {
        now += later;
        unit.receive(bytes, now);
        return unit.takeOutput(now);
    }
    std::string wait(std::chrono::milliseconds span) {
        now += span;
        unit.advance(now);
        return unit.takeOutput(now);
    }

    Unit unit;
    TimePoint now = kStart;
};

TEST(SimulatedUnit, KeepsAGoodImageOnceTheProgramAcknowledges) {
    Bench bench("CV210-DF1");
    ConfigRecord record = test::df1SetupRecord();
    record.StationNo = charField(9);
    const std::string image = imageOf(record);
    EXPECT_EQ(bench.send(image), "\x06");
    EXPECT_NE(bench.unit.configuration()[31], 9) << "nothing is kept before the program's ACK";
    EXPECT_EQ(bench.send("\x06", 10ms), "");
    EXPECT_TRUE(bench.unit.takeChanged());
    const auto& kept = bench.unit.configuration();
    EXPECT_EQ(std::string(kept.begin(), kept.begin() + 49), image.substr(0, 49))
        << "header and body";
    const std::vector<std::string> log = bench.unit.takeLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("download rx 51: 4E 45 45 2A"), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("configuration kept"), std::string::npos) << log[1];
}

TEST(SimulatedUnit, ImageWithoutTheProgramsAckIsNotKept) {
    Bench bench("CV210-DF1");
    const auto before = bench.unit.configuration();
    EXPECT_EQ(bench.send(imageOf(test::df1SetupRecord())), "\x06");
    bench.wait(3100ms);
    EXPECT_FALSE(bench.unit.takeChanged());
    EXPECT_EQ(bench.unit.configuration(), before);
}

TEST(SimulatedUnit, RefusesBrokenImagesWithNak) {
    std::string badSum = imageOf(test::df1SetupRecord());
    badSum.back() = 0x01;
    std::string wrongLength = imageOf(test::zeroRecord("CV210-KFR"));
    std::string badHeader = imageOf(test::df1SetupRecord());
    badHeader[5] = 1;
    for (const std::string& image : {badSum, wrongLength, badHeader}) {
        Bench bench("CV210-DF1");
        const auto before = bench.unit.configuration();
        EXPECT_EQ(bench.send(image), "\x15");
        EXPECT_EQ(bench.send("\x06", 10ms), "");
        EXPECT_EQ(bench.unit.configuration(), before);
        EXPECT_FALSE(bench.unit.takeChanged());
    }
}

TEST(SimulatedUnit, AnImageThatStopsShortIsRefusedWhenTheLineGoesQuiet) {
    Bench bench("CV210-DF1");
    const std::string image = imageOf(test::df1SetupRecord());
    EXPECT_EQ(bench.send(image.substr(0, 30)), "");
    EXPECT_EQ(bench.send(image.substr(30, 10), 5ms), "");
    EXPECT_EQ(bench.wait(400ms), "\x15");
}

std::string download(Bench& bench, const ConfigRecord& record) {
    const std::string image = imageOf(record);
    EXPECT_EQ(bench.send(image), "\x06");
    bench.send("\x06", 5ms);
    return image;
}

TEST(SimulatedUnit, FirstReplyCarriesTheConfigurationOnePlaceOn) {
    for (const char* variant : {"CV210-DF1", "CV310-DAS", "CV-PCI"}) {
        SCOPED_TRACE(variant);
        Bench bench(variant);
        const std::string image = download(bench, test::distinctRecord(variant));
        const std::string reply = bench.send("TEE", 100ms);
        const bool card = std::string(variant) == "CV-PCI";
        ASSERT_EQ(reply.size(), card ? 70u : 66u);
        EXPECT_EQ(reply.substr(0, 2), "TR");
        for (const int i : {29, 30, 31, 32, 33, 34, 35, 36, 37, 41, 42, 43, 44, 45, 46, 47}) {
            EXPECT_EQ(reply[static_cast<std::size_t>(i)], image[static_cast<std::size_t>(i + 1)])
                << "b(" << i << ")";
        }
        // The extended pairs of the first reply: ExtParams 0..13 on the card
        // (8..13 were never sent, so they read as the unit's own zeros).
        const int pairs = card ? 14 : (std::string(variant) == "CV310-DAS" ? 6 : 0);
        for (int k = 0; k < pairs; ++k) {
            const int expected = card && k >= 8 ? 0 : 100 + k;
            EXPECT_EQ(static_cast<uint8_t>(reply[static_cast<std::size_t>(56 + k)]), expected)
                << "b(" << 56 + k << ")";
        }
    }
}

TEST(SimulatedUnit, LaterRepliesCarryTheExtendedBlocks) {
    Bench modbus("CV320-ME");
    download(modbus, test::distinctRecord("CV320-ME"));
    const std::string map = modbus.send("TEM", 100ms);
    ASSERT_EQ(map.size(), 114u);
    EXPECT_EQ(map.substr(0, 2), "TR");
    for (int k = 0; k < kExtParamCount; ++k) {
        ASSERT_EQ(static_cast<uint8_t>(map[static_cast<std::size_t>(24 + k)]), 100 + k) << k;
    }
    Bench kfr("CV210-KFR");
    download(kfr, test::distinctRecord("CV210-KFR"));
    const std::string block = kfr.send("TER", 100ms);
    ASSERT_EQ(block.size(), 94u);
    for (int k = 0; k < 14; ++k) {
        EXPECT_EQ(static_cast<uint8_t>(block[static_cast<std::size_t>(16 + k)]), 100 + k) << k;
    }
}

Faults faultsOf(std::initializer_list<const char*> names) {
    Faults faults;
    for (const char* name : names) {
        EXPECT_TRUE(faults.add(name).ok()) << name;
    }
    return faults;
}

TEST(SimulatedUnit, FaultsShapeTheReplies) {
    const std::string image = imageOf(test::df1SetupRecord());
    EXPECT_EQ(Bench("CV210-DF1", faultsOf({"silent"})).send(image), "");
    EXPECT_EQ(Bench("CV210-DF1", faultsOf({"silent"})).send("M"), "");
    EXPECT_EQ(Bench("CV210-DF1", faultsOf({"nak"})).send(image), "\x15");

    const std::string noise = Bench("CV210-DF1", faultsOf({"noise"})).send(image);
    EXPECT_EQ(noise.size(), 113u);
    EXPECT_EQ(noise.find_first_of("\x06\x15"), std::string::npos);

    const std::string noisyAck = Bench("CV210-DF1", faultsOf({"noise-then-ack"})).send(image);
    EXPECT_GT(noisyAck.size(), 1u);
    EXPECT_EQ(noisyAck.find('\x06'), noisyAck.size() - 1);

    EXPECT_EQ(Bench("CV210-DF1", faultsOf({"short-reply"})).send("TEE").size(), 20u);
    EXPECT_EQ(Bench("CV210-DF1", faultsOf({"garbled-reply"})).send("TEE").substr(0, 2), "XX");

    Bench late("CV210-DF1", faultsOf({"late=700"}));
    EXPECT_EQ(late.send(image), "");
    EXPECT_EQ(late.wait(650ms), "");
    EXPECT_EQ(late.wait(60ms), "\x06");

    Faults unknown;
    EXPECT_FALSE(unknown.add("loud").ok());
    EXPECT_FALSE(unknown.add("late=soon").ok());
}

TEST(SimulatedUnit, OffLineManagerEchoesShowsItsMenuAndTakesASystemFile) {
    Bench bench("CV310-BTI");
    EXPECT_EQ(bench.send("x"), "x");
    const std::string menu = bench.send("M", 500ms);
    EXPECT_TRUE(menu.starts_with("M\r\nCorvane Off-Line Manager - CV310-BTI")) << menu;
    EXPECT_NE(menu.find("Write system file"), std::string::npos);
    EXPECT_NE(bench.send("1", 500ms).find("(Y/N)?"), std::string::npos);
    EXPECT_NE(bench.send("Y", 500ms).find("send the system file now"), std::string::npos);
    EXPECT_EQ(bench.send(std::string(512, 'S'), 500ms), "");
    EXPECT_EQ(bench.send("NEE TEE " + std::string(200, 'S'), 100ms), "") << "file bytes are data";
    EXPECT_EQ(bench.wait(1900ms), "");
    EXPECT_NE(bench.wait(200ms).find("A-OK  720 bytes written"), std::string::npos);
    EXPECT_EQ(bench.send("q", 500ms), "q");
}

TEST(SimulatedUnit, BreakThenDEntersDebugMode) {
    Bench onPort("CV210-DF1");
    EXPECT_EQ(onPort.send("D"), "D") << "a D alone is only a key";
    EXPECT_EQ(onPort.send(std::string("\0", 1), 200ms), "");
    EXPECT_NE(onPort.send("D", 1000ms).find("DEBUG MODE"), std::string::npos);

    Bench onPty("CV210-DF1");
    onPty.unit.setBreakFromSilence(true);
    EXPECT_EQ(onPty.send("x"), "x");
    EXPECT_EQ(onPty.send("D", 100ms), "D");
    EXPECT_NE(onPty.send("D", 1000ms).find("DEBUG MODE"), std::string::npos);
    EXPECT_NE(onPty.send("Q", 100ms).find("Leaving debug mode"), std::string::npos);
}

TEST(SimulatedUnit, AnyVariantTakesEveryBodyLengthAndUploadsTheLastImage) {
    Bench bench("any");
    for (const char* variant : {"CV210-DF1", "CV320-ME", "CV-PCI"}) {
        SCOPED_TRACE(variant);
        const std::string image = download(bench, test::distinctRecord(variant));
        const std::string reply = bench.send("TEE", 100ms);
        ASSERT_EQ(reply.size(), 70u);
        EXPECT_EQ(reply.substr(29, 19), image.substr(30, 19));
    }
    std::string odd = imageOf(test::df1SetupRecord()).substr(0, 7 + 40 + 2);
    odd[3] = 40; // a body length no unit takes
    EXPECT_EQ(bench.send(odd, 100ms), "\x15");
}

TEST(SimulatedUnit, LettersOfAFrameTypedAloneAreKeys) {
    Bench bench("CV210-DF1");
    EXPECT_EQ(bench.send("N"), "");
    EXPECT_EQ(bench.wait(400ms), "N");
    EXPECT_EQ(bench.send("T", 100ms), "");
    EXPECT_EQ(bench.send("x", 10ms), "Tx");
}

} // namespace
} // namespace cvcfg::sim
