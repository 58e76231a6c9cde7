#pragma once

#include "core/expected.h"
#include "link/portfinder.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg {

// Which device each of the operator's "COM1".."COM12" stands for on this
// machine: a mapping given on the command line (--com N=PATH), else one from
// the environment (CVCFG_COM<N>=PATH), else a device found on the machine or
// a device server the operator added, else /dev/ttyS<N-1> (on Windows the
// port the system calls COMn, \\.\COMn).
class PortMap {
public:
    static constexpr int kPortCount = kComPortCount;

    enum class Source { Default, Environment, CommandLine, Found, Server };

    using Lookup = std::function<const char*(const char*)>;

    // The map the environment gives; `lookup` reads a variable (getenv).
    static PortMap fromEnvironment(const Lookup& lookup);
    static PortMap fromEnvironment();

    // Adds a command-line mapping "N=PATH".
    Status addMapping(std::string_view mapping);

    // Puts what was found and the servers added behind their numbers, in
    // place of what an earlier call put there; mappings of the command line
    // and the environment stay.
    void setAssigned(const std::vector<ComAssignment>& assigned);
    // The numbers a mapping of the command line or the environment holds.
    [[nodiscard]] std::vector<int> fixedNumbers() const;

    [[nodiscard]] std::string deviceFor(int port) const;
    [[nodiscard]] Source sourceOf(int port) const;
    // What stands behind a port, as the port list shows it:
    // "FT232R USB UART (FTDI), /dev/ttyUSB0", "device server
    // rfc2217://host:4000", a mapped device's path; empty for a default.
    [[nodiscard]] std::string labelOf(int port) const;
    // The memory's key of a found device or server behind the port, else empty.
    [[nodiscard]] std::string keyOf(int port) const;
    // Whether something known stands behind the port: a mapping, a device
    // found or a server added (a default /dev/ttyS<N-1> is not offered).
    [[nodiscard]] bool offered(int port) const;

    // The device a port name stands for: "COM1".."COM12" through the map,
    // any other name (a device path) as it is.
    [[nodiscard]] std::string resolve(std::string_view name) const;

private:
    struct Entry {
        std::string device;
        Source source = Source::Default;
        std::string label;
        std::string key;
    };
    std::array<Entry, kPortCount> m_entries{};
};

// The number of a "COM1".."COM12" name, or 0.
[[nodiscard]] int comPortNumber(std::string_view name);

// Finds the serial devices under `root`, numbers them and the servers in
// `memory` (which keeps the numbers given) and puts them behind their
// numbers in `map`. A device a mapping of the command line or the
// environment already names gets no second number.
void refreshPortMap(PortMap& map, PortMemory& memory, const std::string& root = "/");

} // namespace cvcfg
