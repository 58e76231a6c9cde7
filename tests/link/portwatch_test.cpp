#include "link/portwatch.h"
#include "tests/support/tempdir.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>

namespace cvcfg {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

double cpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// True when the watch reports a serial change within a second.
bool changesWithin(PortWatch& watch) {
    pollfd ready{watch.descriptor(), POLLIN, 0};
    return ::poll(&ready, 1, 1000) == 1 && watch.takeChanges();
}

TEST(PortWatch, ReportsNodesAndLinksAsTheyComeAndGoWhileIdleBetween) {
    TempDir dir;
    const fs::path dev = dir.path("dev");
    fs::create_directories(dev);
    PortWatch watch(dir.path(""));
    ASSERT_GE(watch.descriptor(), 0);

    const double before = cpuSeconds();
    pollfd idle{watch.descriptor(), POLLIN, 0};
    EXPECT_EQ(::poll(&idle, 1, 1000), 0);
    EXPECT_LT(cpuSeconds() - before, 0.02);

    std::ofstream(dev / "ttyUSB0") << "";
    EXPECT_TRUE(changesWithin(watch));
    std::ofstream(dev / "null") << "";
    EXPECT_FALSE(changesWithin(watch));

    // udev makes both folders with the first adapter and the link after.
    for (int round = 0; round < 2; ++round) {
        fs::create_directories(dev / "serial/by-id");
        EXPECT_TRUE(changesWithin(watch)) << round;
        fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-FTDI-if00-port0");
        EXPECT_TRUE(changesWithin(watch)) << round;
        fs::remove(dev / "serial/by-id/usb-FTDI-if00-port0");
        EXPECT_TRUE(changesWithin(watch)) << round;
        fs::remove_all(dev / "serial");
        EXPECT_TRUE(changesWithin(watch)) << round;
    }
    fs::remove(dev / "ttyUSB0");
    EXPECT_TRUE(changesWithin(watch));
}
} // namespace
} // namespace cvcfg
