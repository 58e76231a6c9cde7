#include "link/portmemory.h"

#include "core/excerpt.h"
#include "core/savefile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace cvcfg {

namespace {

// Read as the bytes stand, and not handed to programs this one starts.
#ifdef _WIN32
constexpr int kReadFlags = O_RDONLY | O_BINARY | O_NOINHERIT;
#else
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC;
#endif

// A key or address is the rest of its line, so it may hold spaces; only a
// line end and the backslash that marks it need escaping.
std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
        } else if (i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == 'n')) {
            out += text[++i] == 'n' ? '\n' : '\\';
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// Splits "word rest" at the first blank; the rest is empty when there is none.
std::pair<std::string_view, std::string_view> firstWord(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return {line, {}};
    }
    return {line.substr(0, blank), line.substr(blank + 1)};
}

Expected<std::string> readWhole(const std::string& path, bool& missing) {
    const auto cannot = [&](int code) {
        return Expected<std::string>::failure("Cannot read " + path + ": " + std::strerror(code));
    };
    const int fd = ::open(path.c_str(), kReadFlags);
    if (fd < 0) {
        missing = errno == ENOENT;
        return cannot(errno);
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return cannot(code);
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

// What is wrong with one line, or nothing when it was taken into `memory`.
std::optional<std::string> readLine(std::string_view line, PortMemory& memory) {
    const auto [word, rest] = firstWord(line);
    std::string_view keyText = rest;
    int number = 0;
    if (word == "number") {
        const auto [digits, key] = firstWord(rest);
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
            number < 1 || number > kComPortCount) {
            return "COM number " + quotedExcerpt(digits) + " is not from 1 to " +
                   std::to_string(kComPortCount);
        }
        keyText = key;
    } else if (word != "server" && word != "last") {
        return quotedExcerpt(line) + " is not a number, server or last entry";
    }
    const std::optional<std::string> key = unescaped(keyText);
    if (!key) {
        return quotedExcerpt(keyText) + R"( has a backslash that is not \\ or \n)";
    }
    if (key->empty()) {
        return quotedExcerpt(line) + " names no port";
    }
    if (word == "number") {
        memory.numbers[*key] = number;
    } else if (word == "server") {
        memory.servers.push_back(*key);
    } else {
        memory.lastPort = *key;
    }
    return std::nullopt;
}

} // namespace

std::string portMemoryPath(const std::function<const char*(const char*)>& lookup) {
#ifdef _WIN32
    // The user's roaming application data, where Windows programs keep settings.
    const char* appData = lookup("APPDATA");
    return appData && *appData ? std::string(appData) + "\\cvcfg\\ports.conf" : std::string();
#else
    // XDG asks that a relative XDG_CONFIG_HOME be ignored.
    const char* config = lookup("XDG_CONFIG_HOME");
    if (config && *config == '/') {
        return std::string(config) + "/cvcfg/ports.conf";
    }
    const char* home = lookup("HOME");
    if (home && *home) {
        return std::string(home) + "/.config/cvcfg/ports.conf";
    }
    return {};
#endif
}

std::string portMemoryPath() {
    return portMemoryPath([](const char* name) { return std::getenv(name); });
}

Expected<PortMemory> loadPortMemory(const std::string& path) {
    bool missing = false;
    const Expected<std::string> text = readWhole(path, missing);
    if (missing) {
        return PortMemory{};
    }
    if (!text) {
        return Expected<PortMemory>::failure(text.error());
    }
    PortMemory memory;
    std::string_view rest = *text;
    for (int lineNumber = 1; !rest.empty(); ++lineNumber) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        // A file edited on Windows ends its lines in CR LF; the program's own
        // keys never hold a bare CR (they are escaped).
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        if (const auto wrong = readLine(line, memory)) {
            return Expected<PortMemory>::failure(path + ", line " + std::to_string(lineNumber) +
                                                 ": " + *wrong);
        }
    }
    return memory;
}

PortMemory loadPortMemoryOrNone(const std::string& path, bool& warned) {
    if (path.empty()) {
        return {};
    }
    Expected<PortMemory> loaded = loadPortMemory(path);
    if (!loaded) {
        std::fprintf(stderr, "cvcfg: %s; no port is remembered\n", loaded.error().c_str());
        warned = true;
        return {};
    }
    return std::move(loaded).value();
}

Status savePortMemory(const std::string& path, const PortMemory& memory) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, error);
    }
    if (error) {
        return Status::failure("Cannot make the folder " + folder.string() + ": " +
                               error.message());
    }
    std::vector<std::pair<int, std::string>> numbers;
    for (const auto& [key, number] : memory.numbers) {
        numbers.emplace_back(number, key);
    }
    std::sort(numbers.begin(), numbers.end());
    std::string text = "# The COM numbers cvcfg gave to serial devices and device servers.\n";
    for (const auto& [number, key] : numbers) {
        if (!key.empty() && number >= 1 && number <= kComPortCount) {
            text += "number " + std::to_string(number) + " " + escaped(key) + "\n";
        }
    }
    for (const std::string& server : memory.servers) {
        if (!server.empty()) {
            text += "server " + escaped(server) + "\n";
        }
    }
    if (!memory.lastPort.empty()) {
        text += "last " + escaped(memory.lastPort) + "\n";
    }
    return SaveFile(path, text);
}

} // namespace cvcfg
