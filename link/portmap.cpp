#include "link/portmap.h"

#include "core/excerpt.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>

namespace cvcfg {

namespace {

// What "COMn" opens when nothing else stands behind it.
std::string defaultDevice(int port) {
#ifdef _WIN32
    return "\\\\.\\COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
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
            map.m_entries[static_cast<std::size_t>(port - 1)] = {
                value, Source::Environment, {}, {}};
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
    m_entries[static_cast<std::size_t>(port - 1)] = {
        std::string(mapping.substr(equals + 1)), Source::CommandLine, {}, {}};
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

void PortMap::setAssigned(const std::vector<ComAssignment>& assigned) {
    for (Entry& entry : m_entries) {
        if (entry.source == Source::Found || entry.source == Source::Server) {
            entry = Entry{};
        }
    }
    for (const ComAssignment& assignment : assigned) {
        if (assignment.number < 1 || assignment.number > kPortCount) {
            continue;
        }
        Entry& entry = m_entries[static_cast<std::size_t>(assignment.number - 1)];
        if (entry.source == Source::Default) {
            entry = {assignment.device, assignment.server ? Source::Server : Source::Found,
                     assignment.label, assignment.key};
        }
    }
}

std::vector<int> PortMap::fixedNumbers() const {
    std::vector<int> numbers;
    for (int port = 1; port <= kPortCount; ++port) {
        const Source source = sourceOf(port);
        if (source == Source::CommandLine || source == Source::Environment) {
            numbers.push_back(port);
        }
    }
    return numbers;
}

std::string PortMap::labelOf(int port) const {
    const Entry& entry = m_entries.at(static_cast<std::size_t>(port - 1));
    switch (entry.source) {
    case Source::Found:
    case Source::Server:
        return entry.label;
    case Source::CommandLine:
    case Source::Environment:
        return entry.device;
    case Source::Default:
        break;
    }
    return {};
}

std::string PortMap::keyOf(int port) const {
    const Entry& entry = m_entries.at(static_cast<std::size_t>(port - 1));
    return entry.source == Source::Found || entry.source == Source::Server ? entry.key
                                                                           : std::string();
}

bool PortMap::offered(int port) const {
    return sourceOf(port) != Source::Default;
}

void refreshPortMap(PortMap& map, PortMemory& memory, const std::string& root) {
    namespace fs = std::filesystem;
    const auto sameFile = [](const std::string& a, const std::string& b) {
        if (a.empty() || b.empty()) {
            return false;
        }
        std::error_code errorA;
        std::error_code errorB;
        const fs::path pathA = fs::weakly_canonical(a, errorA);
        const fs::path pathB = fs::weakly_canonical(b, errorB);
        return !errorA && !errorB && pathA == pathB;
    };
    // A device the command line or the environment already maps is not
    // offered a second time under a number of its own.
    std::vector<FoundPort> found = findSerialPorts(root);
    const std::vector<int> fixed = map.fixedNumbers();
    std::erase_if(found, [&](const FoundPort& port) {
        return std::any_of(fixed.begin(), fixed.end(), [&](int number) {
            const std::string mapped = map.deviceFor(number);
            return sameFile(mapped, port.node) || sameFile(mapped, port.byId);
        });
    });
    map.setAssigned(assignComNumbers(found, memory, fixed));
}

} // namespace cvcfg
