#include "link/portfinder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <tuple>

namespace cvcfg {

namespace {

namespace fs = std::filesystem;

// The kinds of node a serial device gets: USB serial converters, USB modems
// (CDC-ACM) and the machine's own 8250-style UARTs.
struct NodeName {
    std::string prefix;
    int index = 0;
    std::string name;

    bool operator<(const NodeName& other) const {
        return std::tie(prefix, index) < std::tie(other.prefix, other.index);
    }
};

std::optional<NodeName> serialNodeName(const std::string& name) {
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        if (!name.starts_with(prefix)) {
            continue;
        }
        const std::string_view rest =
            std::string_view(name).substr(std::string_view(prefix).size());
        int index = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), index);
        if (rest.empty() || error != std::errc() || end != rest.data() + rest.size()) {
            return std::nullopt;
        }
        return NodeName{prefix, index, name};
    }
    return std::nullopt;
}

#ifndef _WIN32 // Windows lists its ports itself (winports.cpp).

// The first line of a sysfs attribute, without its newline; empty when the
// file is missing.
std::string attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

// The USB device a tty belongs to holds the ids; the tty's "device" link
// points at the interface (or, for usb-serial, the port below it), so the
// ids are found by climbing. The climb stops at sys/ so a fake tree cannot
// lead outside itself.
void readUsbDevice(const fs::path& sys, const std::string& name, FoundPort& port) {
    std::error_code error;
    fs::path folder = fs::canonical(sys / "class/tty" / name / "device", error);
    if (error) {
        return;
    }
    const fs::path top = fs::canonical(sys, error);
    const fs::path inside = folder.lexically_relative(top);
    if (error || inside.empty() || *inside.begin() == "..") {
        return;
    }
    for (; folder != top; folder = folder.parent_path()) {
        if (fs::exists(folder / "idVendor") && fs::exists(folder / "idProduct")) {
            port.vendorId = attribute(folder / "idVendor");
            port.productId = attribute(folder / "idProduct");
            port.product = attribute(folder / "product");
            port.maker = attribute(folder / "manufacturer");
            port.serial = attribute(folder / "serial");
            return;
        }
    }
}

// A ttyS node exists for every UART slot the kernel reserves; only a non-zero
// port type says there is a UART behind it.
bool uartPresent(const fs::path& sys, const std::string& name) {
    const std::string type = attribute(sys / "class/tty" / name / "type");
    int value = 0;
    const auto [end, error] = std::from_chars(type.data(), type.data() + type.size(), value);
    return !type.empty() && error == std::errc() && end == type.data() + type.size() && value != 0;
}

// The by-id links, by the node they lead to. Links that lead nowhere (an
// adapter just pulled out) are left out.
std::vector<std::pair<fs::path, std::string>> byIdLinks(const fs::path& dev) {
    std::vector<std::pair<fs::path, std::string>> links;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(dev / "serial/by-id", error)) {
        std::error_code broken;
        const fs::path target = fs::canonical(item.path(), broken);
        if (!broken) {
            links.emplace_back(target, item.path().string());
        }
    }
    std::sort(links.begin(), links.end());
    return links;
}

#endif

} // namespace

std::string FoundPort::key() const {
    return byId.empty() ? node : byId;
}

std::string FoundPort::description() const {
    if (builtIn) {
        return "built-in serial port";
    }
    if (!product.empty()) {
        return maker.empty() ? product : product + " (" + maker + ")";
    }
    std::string text = "USB serial adapter";
    if (!vendorId.empty() || !productId.empty()) {
        text += " " + vendorId + ":" + productId;
    }
    return maker.empty() ? text : text + " (" + maker + ")";
}

std::string deviceRoot() {
    const char* root = std::getenv("CVCFG_DEVICE_ROOT");
    return root && *root ? root : "/";
}

#ifndef _WIN32
std::vector<FoundPort> findSerialPorts(const std::string& root) {
    if (root.empty()) {
        return {}; // "" / "dev" would be a folder of the working directory
    }
    const fs::path dev = fs::path(root) / "dev";
    const fs::path sys = fs::path(root) / "sys";
    std::vector<NodeName> names;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(dev, error)) {
        if (auto name = serialNodeName(item.path().filename().string())) {
            names.push_back(std::move(*name));
        }
    }
    // Numeric order, so ttyUSB10 comes after ttyUSB9 and the numbering given
    // from this list is the same on every run.
    std::sort(names.begin(), names.end());

    const auto links = byIdLinks(dev);
    std::vector<FoundPort> found;
    for (const NodeName& name : names) {
        FoundPort port;
        port.node = (dev / name.name).string();
        if (name.prefix == "ttyS") {
            if (!uartPresent(sys, name.name)) {
                continue;
            }
            port.builtIn = true;
        } else {
            readUsbDevice(sys, name.name, port);
        }
        std::error_code broken;
        const fs::path node = fs::canonical(port.node, broken);
        for (const auto& [target, link] : links) {
            if (!broken && target == node) {
                port.byId = link;
                break;
            }
        }
        found.push_back(std::move(port));
    }
    return found;
}
#endif

namespace {

bool isComNumber(int number) {
    return number >= 1 && number <= kComPortCount;
}

// A device is opened by the name it is remembered by (its stable link, or
// its node), a server by its address.
struct Candidate {
    std::string key;
    std::string label;
    bool server = false;
    int naturalNumber = 0; // COM<n+1> of a built-in ttyS<n>
    int systemNumber = 0;  // the number the system gives it, and no other
    int number = 0;
};

std::vector<Candidate> candidates(const std::vector<FoundPort>& found, const PortMemory& memory) {
    std::vector<Candidate> list;
    std::set<std::string> keys;
    for (const FoundPort& port : found) {
        if (!keys.insert(port.key()).second) {
            continue;
        }
        Candidate candidate{port.key(), port.description() + ", " + port.node};
        candidate.systemNumber = port.systemNumber;
        if (port.builtIn) {
            const auto name = serialNodeName(fs::path(port.node).filename().string());
            candidate.naturalNumber = name ? name->index + 1 : 0;
        }
        list.push_back(std::move(candidate));
    }
    for (const std::string& address : memory.servers) {
        if (keys.insert(address).second) {
            list.push_back({address, "device server " + address, true});
        }
    }
    return list;
}

} // namespace

std::vector<ComAssignment> assignComNumbers(const std::vector<FoundPort>& found, PortMemory& memory,
                                            const std::vector<int>& taken) {
    std::vector<Candidate> list = candidates(found, memory);
    std::array<bool, kComPortCount + 1> used{};
    for (int number : taken) {
        if (isComNumber(number)) {
            used[static_cast<std::size_t>(number)] = true;
        }
    }
    std::array<bool, kComPortCount + 1> heldForAbsent{};
    std::set<std::string> present;
    for (const Candidate& candidate : list) {
        present.insert(candidate.key);
    }
    for (const auto& [key, number] : memory.numbers) {
        if (!present.contains(key) && isComNumber(number)) {
            heldForAbsent[static_cast<std::size_t>(number)] = true;
        }
    }
    const auto give = [&](Candidate& candidate, int number) {
        candidate.number = number;
        used[static_cast<std::size_t>(number)] = true;
    };
    const auto isFree = [&](int number) {
        return isComNumber(number) && !used[static_cast<std::size_t>(number)] &&
               !heldForAbsent[static_cast<std::size_t>(number)];
    };

    // The system's own numbers stand before anything remembered: COM5 is
    // the port Windows calls COM5.
    for (Candidate& candidate : list) {
        if (isComNumber(candidate.systemNumber) &&
            !used[static_cast<std::size_t>(candidate.systemNumber)]) {
            give(candidate, candidate.systemNumber);
        }
    }
    const auto numbersItself = [](const Candidate& candidate) {
        return candidate.systemNumber != 0;
    };
    // What was here before keeps its number; a number the command line now
    // fixes makes the device new for this run.
    for (Candidate& candidate : list) {
        if (numbersItself(candidate)) {
            continue;
        }
        const auto remembered = memory.numbers.find(candidate.key);
        if (remembered != memory.numbers.end() && isComNumber(remembered->second) &&
            !used[static_cast<std::size_t>(remembered->second)]) {
            give(candidate, remembered->second);
        }
    }
    for (Candidate& candidate : list) {
        if (candidate.number == 0 && !numbersItself(candidate) && isFree(candidate.naturalNumber)) {
            give(candidate, candidate.naturalNumber);
        }
    }
    for (Candidate& candidate : list) {
        if (candidate.number != 0 || numbersItself(candidate)) {
            continue;
        }
        int number = 1;
        while (number <= kComPortCount && !isFree(number)) {
            ++number;
        }
        if (number > kComPortCount) {
            // Every number is in use or held; an absent device's number is
            // given away, the lowest first, and it forgets that device.
            number = 1;
            while (number <= kComPortCount && used[static_cast<std::size_t>(number)]) {
                ++number;
            }
            if (number > kComPortCount) {
                continue;
            }
            std::erase_if(memory.numbers, [&](const auto& entry) {
                return entry.second == number && !present.contains(entry.first);
            });
            heldForAbsent[static_cast<std::size_t>(number)] = false;
        }
        give(candidate, number);
    }

    std::vector<ComAssignment> assigned;
    for (const Candidate& candidate : list) {
        if (candidate.number != 0) {
            memory.numbers[candidate.key] = candidate.number;
            assigned.push_back({candidate.number, candidate.key, candidate.key, candidate.label,
                                candidate.server});
        }
    }
    std::sort(assigned.begin(), assigned.end(),
              [](const ComAssignment& a, const ComAssignment& b) { return a.number < b.number; });
    return assigned;
}

} // namespace cvcfg
