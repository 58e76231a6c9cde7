#pragma once

#include <map>
#include <string>
#include <vector>

namespace cvcfg {

// The operator's ports are COM1 to COM12, as the configuration record
// numbers them.
inline constexpr int kComPortCount = 12;

// A serial device present on this machine, as the system describes it.
struct FoundPort {
    std::string node;      // the device node, "/dev/ttyUSB0"
    std::string byId;      // its stable link, "/dev/serial/by-id/usb-FTDI_…-if00-port0", or empty
    std::string product;   // the USB product text, "FT232R USB UART", or empty
    std::string maker;     // the USB manufacturer text, "FTDI", or empty
    std::string serial;    // the USB serial number, or empty
    std::string vendorId;  // the USB vendor and product ids, "0403" and "6001"
    std::string productId; //
    bool builtIn = false;  // a UART of the machine itself
    int systemNumber = 0;  // the COM number Windows gives it; 0 where this program numbers ports

    // What names the device across unplugging and plugging in again: its
    // stable link, else its node.
    [[nodiscard]] std::string key() const;
    // What a person recognises it by: "FT232R USB UART (FTDI)", "USB serial
    // adapter 0403:6001" when the adapter gives no texts, "built-in serial
    // port".
    [[nodiscard]] std::string description() const;
};

// The serial devices under `root` (a file system root with dev/ and sys/):
// USB adapters and the built-in UARTs that have hardware behind them, in
// the order of their nodes (by name, then by number: ttyUSB2 before
// ttyUSB10). Paths in the result start with `root`; an empty `root` is no
// machine to look at, and nothing is found. On Windows, the ports the
// system lists (its SERIALCOMM device map), each with the COM number the
// system gave it, in that order; `root` is not used.
[[nodiscard]] std::vector<FoundPort> findSerialPorts(const std::string& root = "/");

// Where the program looks for devices: "/", unless CVCFG_DEVICE_ROOT names
// another folder with dev/ and sys/ (the end-to-end tests' own machine).
[[nodiscard]] std::string deviceRoot();

// What the program keeps between runs about ports: the COM number each device
// (by its key) and each server (by its address) was given, the servers the
// operator added, and the port used last (a key or an address).
struct PortMemory {
    std::map<std::string, int> numbers;
    std::vector<std::string> servers;
    std::string lastPort;

    bool operator==(const PortMemory&) const = default;
};

// One COM number given to something present.
struct ComAssignment {
    int number = 0;
    std::string device; // what opening the port opens: a device path or a server address
    std::string key;    // the memory's key for it
    std::string
        label; // "FT232R USB UART (FTDI), /dev/ttyUSB0", "device server rfc2217://host:4000"
    bool server = false;

    bool operator==(const ComAssignment&) const = default;
};

// Gives COM numbers 1..12 to the devices found and the servers remembered.
// A port the system numbers itself (Windows' COMn) takes its own number
// unless `taken` holds it, and no other. A device or server keeps the number the memory holds for
// it; a new one takes the lowest number that is not `taken` (fixed by the command line or the
// environment), not given to something present and not remembered for an absent device; when every
// number is, it takes the number of an absent device. A device whose remembered number is now
// `taken` counts as new. Numbers given are written into `memory`. Built-in UART ttyS<n> that is new
// takes COM<n+1> when that is free, as the machine's own ports have always been numbered. At most
// twelve are given; the rest get none.
[[nodiscard]] std::vector<ComAssignment> assignComNumbers(const std::vector<FoundPort>& found,
                                                          PortMemory& memory,
                                                          const std::vector<int>& taken);

} // namespace cvcfg
