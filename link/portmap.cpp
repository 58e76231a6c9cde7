#include "link/portmap.h"

#include "core/excerpt.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>

namespace cvcfg {

namespace {

std::string defaultDevice(int port) {
    return "/dev/ttyS" + std::to_string(port - 1);
}

int portNumber(std::string_view digits) {
    int port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        port < 1 || port > PortMap::kPortCount) {
        return 0;
    }
    return port;
}

} // namespace

int comPortNumber(std::string_view name) {
    return name.starts_with("COM") ? portNumber(name.substr(3)) : 0;
}

PortMap PortMap::fromEnvironment(const Lookup& lookup) {
    PortMap map;
    for (int port = 1; port <= kPortCount; ++port) {
        const std::string variable = "CVCFG_COM" + std::to_string(port);
        const char* value = lookup(variable.c_str());
        if (value && *value) {
            map.m_entries[static_cast<std::size_t>(port - 1)] = {value, Source::Environment};
        }
    }
    return map;
}

PortMap PortMap::fromEnvironment() {
    return fromEnvironment([](const char* name) { return std::getenv(name); });
}

Status PortMap::addMapping(std::string_view mapping) {
    const std::size_t equals = mapping.find('=');
    const int port = equals == std::string_view::npos ? 0 : portNumber(mapping.substr(0, equals));
    if (port == 0 || equals + 1 >= mapping.size()) {
        return Status::failure(quotedExcerpt(mapping) +
                               " is not a port mapping; write N=PATH with N from 1 to 12");
    }
    m_entries[static_cast<std::size_t>(port - 1)] = {std::string(mapping.substr(equals + 1)),
                                                     Source::CommandLine};
    return Status::success();
}

std::string PortMap::deviceFor(int port) const {
    const Entry& entry = m_entries.at(static_cast<std::size_t>(port - 1));
    return entry.source == Source::Default ? defaultDevice(port) : entry.device;
}

PortMap::Source PortMap::sourceOf(int port) const {
    return m_entries.at(static_cast<std::size_t>(port - 1)).source;
}

std::string PortMap::resolve(std::string_view name) const {
    const int port = comPortNumber(name);
    return port ? deviceFor(port) : std::string(name);
}

std::vector<std::string> discoverSerialDevices(const std::string& devRoot) {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(devRoot + "/serial/by-id", error)) {
        found.push_back(item.path().string());
    }
    for (const auto& item : fs::directory_iterator(devRoot, error)) {
        const std::string name = item.path().filename().string();
        if (name.starts_with("ttyUSB") || name.starts_with("ttyACM") ||
            (name.starts_with("ttyS") && name.size() > 4)) {
            found.push_back(item.path().string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace cvcfg
