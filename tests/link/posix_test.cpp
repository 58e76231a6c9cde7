#include "link/modestring.h"
#include "link/portmap.h"
#include "link/posixbackend.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <map>
#include <pwd.h>
#include <unistd.h>

namespace cvcfg {
namespace {

TEST(ModeString, ReadsTheSettingsTheProgramSends) {
    LineSettings start;
    start.xonXoffOutput = true;
    const auto state = applyModeString("baud=19200 parity=N data=8 stop=1", start);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->baud, 19200);
    EXPECT_EQ(state->parity, 'N');
    EXPECT_EQ(state->dataBits, 8);
    EXPECT_EQ(state->stopBits, 1);
    EXPECT_FALSE(state->xonXoffOutput) << "a mode text sets no flow control";
    const auto other = applyModeString("baud=4800  parity=e data=7 stop=2", LineSettings{});
    ASSERT_TRUE(other);
    EXPECT_EQ(other->parity, 'E');
    EXPECT_EQ(other->dataBits, 7);
    EXPECT_EQ(other->stopBits, 2);
}

TEST(ModeString, RefusesMalformedTexts) {
    for (const char* text :
         {"", "   ", "baud=", "baud=96OO parity=N", "baud=-9600", "parity=X", "parity=NN", "data=9",
          "stop=3", "speed=9600", "baud 9600", "baud=9600,parity=N"}) {
        EXPECT_FALSE(applyModeString(text, LineSettings{})) << '"' << text << '"';
    }
}

TEST(Termios, LineSettingsSurviveTheTerminalInterface) {
    termios base{};
    base.c_iflag = ICRNL | IXANY | BRKINT;
    base.c_oflag = OPOST;
    base.c_lflag = ECHO | ICANON | ISIG;
    base.c_cflag = CRTSCTS;
    for (const char parity : {'N', 'E', 'O', 'M', 'S'}) {
        for (const int data : {5, 6, 7, 8}) {
            for (const bool xon : {false, true}) {
                LineSettings wanted;
                wanted.baud = xon ? 19200 : 9600;
                wanted.parity = parity;
                wanted.dataBits = data;
                wanted.stopBits = data == 7 ? 2 : 1;
                wanted.xonXoffOutput = xon;
                const auto settings = termiosFor(base, wanted);
                ASSERT_TRUE(settings);
                EXPECT_EQ(lineStateFrom(*settings), wanted);
                // Raw: no translation, echo, signals or hardware handshake.
                EXPECT_FALSE(settings->c_iflag & (ICRNL | IXANY | BRKINT | IXOFF));
                EXPECT_FALSE(settings->c_oflag & OPOST);
                EXPECT_FALSE(settings->c_lflag & (ECHO | ICANON | ISIG));
                EXPECT_FALSE(settings->c_cflag & CRTSCTS);
                EXPECT_TRUE(settings->c_cflag & CLOCAL);
                EXPECT_EQ(settings->c_cc[VMIN], 0);
                EXPECT_EQ(settings->c_cc[VTIME], 0);
            }
        }
    }
    LineSettings odd;
    odd.baud = 12345;
    EXPECT_FALSE(termiosFor(base, odd));
}

TEST(PortMap, CommandLineBeatsEnvironmentBeatsDefault) {
    const std::map<std::string, std::string> environment = {{"CVCFG_COM1", "/tmp/unit"},
                                                            {"CVCFG_COM2", "/dev/ttyUSB0"},
                                                            {"CVCFG_COM13", "/dev/ignored"}};
    PortMap map = PortMap::fromEnvironment([&](const char* name) -> const char* {
        const auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    });
    ASSERT_TRUE(map.addMapping("2=/dev/ttyACM0").ok());
    EXPECT_EQ(map.deviceFor(1), "/tmp/unit");
    EXPECT_EQ(map.sourceOf(1), PortMap::Source::Environment);
    EXPECT_EQ(map.deviceFor(2), "/dev/ttyACM0");
    EXPECT_EQ(map.sourceOf(2), PortMap::Source::CommandLine);
    EXPECT_EQ(map.deviceFor(3), "/dev/ttyS2");
    EXPECT_EQ(map.deviceFor(12), "/dev/ttyS11");
    EXPECT_EQ(map.resolve("COM2"), "/dev/ttyACM0");
    EXPECT_EQ(map.resolve("COM13"), "COM13");
    EXPECT_EQ(map.resolve("com2"), "com2");
    EXPECT_EQ(map.resolve("/dev/ttyUSB3"), "/dev/ttyUSB3");
}

TEST(PortMap, RefusesMalformedMappings) {
    PortMap map;
    for (const char* mapping : {"0=/dev/x", "13=/dev/x", "1=", "=/dev/x", "x=/dev/x", "1"}) {
        EXPECT_FALSE(map.addMapping(mapping).ok()) << mapping;
    }
}

// A port the user may not open says which group owns it and how to join it,
// where that group may read and write it.
TEST(PosixBackend, RefusedPortNamesTheGroupThatOwnsIt) {
    const std::string device =
        (std::filesystem::temp_directory_path() / ("cvcfg-denied-" + std::to_string(::getpid())))
            .string();
    std::ofstream(device) << "";
    using std::filesystem::perms;
    std::filesystem::permissions(device, perms::owner_read | perms::owner_write |
                                             perms::group_read | perms::group_write);
    const ::group* own = ::getgrgid(::getegid());
    const ::passwd* me = ::getpwuid(::geteuid());
    ASSERT_NE(own, nullptr);
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(permissionAdvice(device), device + " belongs to the group " + own->gr_name +
                                            ": join it with \"sudo usermod -aG " + own->gr_name +
                                            " $USER\" and log in again");

    std::filesystem::permissions(device, perms::none);
    const std::string advice = permissionAdvice(device);
    EXPECT_EQ(advice, device + " is owned by user " + me->pw_name + " and group " + own->gr_name +
                          ", permissions ---------");
    PosixSerialBackend backend(PortMap{});
    PortHandle handle = -1;
    const int code = backend.open(device, handle);
    const std::string text = backend.errorText(code);
    std::filesystem::remove(device);
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root opens any device";
    }
    ASSERT_EQ(code, EACCES);
    EXPECT_EQ(text, std::string(std::strerror(EACCES)) + " (" + advice + ")");
}

struct AdviceCase {
    const char* owner;
    const char* group;
    unsigned mode;
    const char* advice;
};

class PermissionAdvice : public testing::TestWithParam<AdviceCase> {};

// Joining the group helps only where the group may read and write.
TEST_P(PermissionAdvice, SendsToTheGroupOnlyWhereItMayReadAndWrite) {
    const AdviceCase& c = GetParam();
    EXPECT_EQ(permissionAdvice("/dev/ttyX", c.owner, c.group, c.mode), c.advice);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PermissionAdvice,
    testing::Values(
        AdviceCase{"root", "dialout", 0660,
                   "/dev/ttyX belongs to the group dialout: join it with \"sudo usermod -aG "
                   "dialout $USER\" and log in again"},
        AdviceCase{"root", "uucp", 0666,
                   "/dev/ttyX belongs to the group uucp: join it with \"sudo usermod -aG "
                   "uucp $USER\" and log in again"},
        AdviceCase{"root", "root", 0600,
                   "/dev/ttyX is owned by user root and group root, permissions rw-------"},
        AdviceCase{"alice", "tty", 0620,
                   "/dev/ttyX is owned by user alice and group tty, permissions rw--w----"},
        AdviceCase{"root", "dialout", 0640,
                   "/dev/ttyX is owned by user root and group dialout, permissions rw-r-----"},
        AdviceCase{"root", "plugdev", 0604,
                   "/dev/ttyX is owned by user root and group plugdev, permissions rw----r--"}));

} // namespace
} // namespace cvcfg
