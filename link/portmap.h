#pragma once

#include "core/expected.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg {

// Which device each of the operator's "COM1".."COM12" stands for on this
// machine: a mapping given on the command line (--com N=PATH), else one from
// the environment (CVCFG_COM<N>=PATH), else /dev/ttyS<N-1>.
class PortMap {
public:
    static constexpr int kPortCount = 12;

    enum class Source { Default, Environment, CommandLine };

    using Lookup = std::function<const char*(const char*)>;

    // The map the environment gives; `lookup` reads a variable (getenv).
    static PortMap fromEnvironment(const Lookup& lookup);
    static PortMap fromEnvironment();

    // Adds a command-line mapping "N=PATH".
    Status addMapping(std::string_view mapping);

    [[nodiscard]] std::string deviceFor(int port) const;
    [[nodiscard]] Source sourceOf(int port) const;

    // The device a port name stands for: "COM1".."COM12" through the map,
    // any other name (a device path) as it is.
    [[nodiscard]] std::string resolve(std::string_view name) const;

private:
    struct Entry {
        std::string device;
        Source source = Source::Default;
    };
    std::array<Entry, kPortCount> m_entries{};
};

// The number of a "COM1".."COM12" name, or 0.
[[nodiscard]] int comPortNumber(std::string_view name);

// The serial devices present on this machine: /dev/serial/by-id/*,
// /dev/ttyUSB*, /dev/ttyACM* and /dev/ttyS*, sorted.
[[nodiscard]] std::vector<std::string> discoverSerialDevices(const std::string& devRoot = "/dev");

} // namespace cvcfg
