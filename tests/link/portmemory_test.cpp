#include "link/portmemory.h"
#include "tests/support/tempdir.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace cvcfg {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(PortMemory, RoundTripsKeysWithSpacesAndLineEnds) {
    TempDir dir;
    const std::string path = dir.path("config/cvcfg/ports.conf");
    EXPECT_EQ(loadPortMemory(path).value(), PortMemory{});
    const PortMemory memory{{{"/dev/serial/by-id/usb-Acme Corp_Cable -if00", 5},
                             {"/dev/ttyACM0", 12},
                             {"odd\\name\nline", 1}},
                            {"rfc2217://host:4000", "tcp://bench pc:7000"},
                            "/dev/serial/by-id/usb-Acme Corp_Cable -if00"};
    ASSERT_TRUE(savePortMemory(path, memory).ok());
    const Expected<PortMemory> loaded = loadPortMemory(path);
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(*loaded, memory);
#ifdef _WIN32
    EXPECT_EQ(portMemoryPath([](const char* name) -> const char* {
                  return std::string_view(name) == "APPDATA" ? "C:\\Users\\eng\\AppData\\Roaming"
                                                             : nullptr;
              }),
              "C:\\Users\\eng\\AppData\\Roaming\\cvcfg\\ports.conf");
#else
    const auto pathWith = [](const char* xdg) {
        return portMemoryPath([xdg](const char* name) -> const char* {
            return std::string_view(name) == "HOME" ? "/home/eng" : xdg;
        });
    };
    EXPECT_EQ(pathWith(nullptr), "/home/eng/.config/cvcfg/ports.conf");
    EXPECT_EQ(pathWith("/srv/conf"), "/srv/conf/cvcfg/ports.conf");
#endif
}

TEST(PortMemory, DamagedLineIsNamed) {
    TempDir dir;
    const std::string path = dir.path("ports.conf");
    const std::pair<const char*, const char*> cases[] = {{"number 13 /dev/ttyUSB0", "\"13\""},
                                                         {"number x /dev/ttyUSB0", "\"x\""},
                                                         {"number 3", "\"number 3\""},
                                                         {"numbr 3 /dev/ttyUSB0", "\"numbr"},
                                                         {"last a\\b", "backslash"}};
    for (const auto& [line, named] : cases) {
        // Lines ended as Notepad ends them read the same.
        std::ofstream(path, std::ios::binary) << "# ports\r\nnumber 2 /dev/ttyACM0\r\n"
                                              << line << "\r\n";
        const Expected<PortMemory> loaded = loadPortMemory(path);
        ASSERT_FALSE(loaded.ok()) << line;
        EXPECT_TRUE(loaded.error().starts_with(path + ", line 3: ")) << loaded.error();
        EXPECT_NE(loaded.error().find(named), std::string::npos) << loaded.error();
    }
}

#ifndef _WIN32 // Windows has no ordinary user to become; its ACLs are another matter.
// Runs `action` in a child process as an ordinary user, so that permissions
// hold also when the tests run as root; returns what it returned.
std::string asOrdinaryUser(const std::function<std::string()>& action) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(2);
        }
        const std::string text = action();
        const bool written = ::write(fds[1], text.data(), text.size()) == ssize_t(text.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return text;
}

void handToOrdinaryUser(const std::string& path, fs::perms perms) {
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0) << std::strerror(errno);
    }
    fs::permissions(path, perms);
}

TEST(PortMemory, UnreadableFileAndReadOnlyFolderAreReported) {
    TempDir dir;
    const std::string folder = dir.path("cvcfg");
    const std::string path = folder + "/ports.conf";
    const PortMemory old{{{"/dev/ttyUSB0", 2}}, {}, "/dev/ttyUSB0"};
    ASSERT_TRUE(savePortMemory(path, old).ok());
    std::ifstream in(path);
    const std::string before{std::istreambuf_iterator<char>(in), {}};

    handToOrdinaryUser(folder, fs::perms::owner_all);
    handToOrdinaryUser(path, fs::perms::none);
    EXPECT_EQ(asOrdinaryUser([&] { return loadPortMemory(path).error(); }),
              "Cannot read " + path + ": " + std::strerror(EACCES));
    EXPECT_EQ(loadPortMemory(folder).error(),
              "Cannot read " + folder + ": " + std::strerror(EISDIR));

    handToOrdinaryUser(path, fs::perms::owner_read | fs::perms::owner_write);
    handToOrdinaryUser(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string failure = asOrdinaryUser([&] {
        return savePortMemory(path, PortMemory{{{"/dev/ttyACM0", 7}}, {}, {}}).error;
    });
    EXPECT_NE(failure.find(path), std::string::npos) << failure;
    EXPECT_NE(failure.find(std::strerror(EACCES)), std::string::npos) << failure;
    std::ifstream after(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), before);
    fs::permissions(folder, fs::perms::owner_all);
}
#endif

} // namespace
} // namespace cvcfg
