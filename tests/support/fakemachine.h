#pragma once

#include "tests/support/tempdir.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace cvcfg::test {

namespace fs = std::filesystem;

struct Adapter {
    std::string node;    // "ttyUSB0"
    std::string usbPort; // where it is plugged in, "1-1"
    std::string vendorId, productId, product, maker, serial;
    std::string byId; // the link udev makes, or empty
    bool acm = false; // a CDC-ACM modem rather than a USB serial converter
};

inline Adapter ft232r(const std::string& serial, const std::string& usbPort,
                      const std::string& node) {
    return {node,
            usbPort,
            "0403",
            "6001",
            "FT232R USB UART",
            "FTDI",
            serial,
            "usb-FTDI_FT232R_USB_UART_" + serial + "-if00-port0"};
}

inline const Adapter kFtdi = ft232r("A10K3XYZ", "1-1", "ttyUSB0");
inline const Adapter kAcm{"ttyACM0", "1-2", "2341", "0043", "", "", "", "", true};
inline const Adapter kTwinA = ft232r("A10K3AAA", "1-3", "ttyUSB0");
inline const Adapter kTwinB = ft232r("A10K3BBB", "1-4", "ttyUSB1");

// A machine's dev/ and sys/ as Linux lays them out: class/tty entries are
// relative links into sys/devices, the USB device folder above the tty holds
// the ids, by-id links point back at the node.
class FakeMachine {
public:
    explicit FakeMachine(const TempDir& dir) : m_root(dir.path("machine")) {
        fs::create_directories(m_root / "dev");
        fs::create_directories(m_root / "sys/class/tty");
        // The root hub has ids too; a climb that overshoots the adapter finds these.
        write(kHub / "idVendor", "1d6b");
        write(kHub / "idProduct", "0002");
        write("dev/null", "");
        write("dev/tty0", "");
    }

    [[nodiscard]] std::string root() const { return m_root.string(); }
    [[nodiscard]] std::string dev(const std::string& name) const {
        return (m_root / "dev" / name).string();
    }

    // Plugs the adapter in; its node is a file, or a link to `device` (a
    // pseudo-terminal, say) when the test needs the port to open.
    void plug(const Adapter& a, const std::string& device = {}) {
        const fs::path usb = kHub / a.usbPort;
        write(usb / "idVendor", a.vendorId);
        write(usb / "idProduct", a.productId);
        for (const auto& [file, text] :
             {std::pair{"product", a.product}, {"manufacturer", a.maker}, {"serial", a.serial}}) {
            if (!text.empty()) {
                write(usb / file, text);
            }
        }
        const fs::path interface = usb / (a.usbPort + ":1.0");
        const fs::path tty =
            a.acm ? interface / "tty" / a.node : interface / a.node / "tty" / a.node;
        fs::create_directories(m_root / tty);
        fs::create_symlink(a.acm ? "../../../" + a.usbPort + ":1.0" : "../../../" + a.node,
                           m_root / tty / "device");
        fs::create_symlink("../../" + tty.lexically_relative("sys").string(),
                           m_root / "sys/class/tty" / a.node);
        if (device.empty()) {
            write("dev/" + a.node, "");
        } else {
            fs::create_symlink(device, m_root / "dev" / a.node);
        }
        if (!a.byId.empty()) {
            fs::create_directories(m_root / "dev/serial/by-id");
            fs::create_symlink("../../" + a.node, m_root / "dev/serial/by-id" / a.byId);
        }
    }

    void unplug(const Adapter& a) {
        fs::remove(m_root / "dev" / a.node);
        fs::remove(m_root / "dev/serial/by-id" / a.byId);
        fs::remove(m_root / "sys/class/tty" / a.node);
        fs::remove_all(m_root / kHub / a.usbPort);
    }

    void addUart(int index, const std::string& type) {
        const std::string name = "ttyS" + std::to_string(index);
        const fs::path tty = fs::path("sys/devices/platform/serial8250/tty") / name;
        write(tty / "type", type);
        fs::create_symlink("../../" + tty.lexically_relative("sys").string(),
                           m_root / "sys/class/tty" / name);
        write("dev/" + name, "");
    }

private:
    inline static const fs::path kHub = "sys/devices/pci0000:00/0000:00:14.0/usb1";

    void write(const fs::path& file, const std::string& text) {
        fs::create_directories((m_root / file).parent_path());
        std::ofstream(m_root / file) << text << (text.empty() ? "" : "\n");
    }

    fs::path m_root;
};

} // namespace cvcfg::test
