// The serial ports Windows lists: the SERIALCOMM device map, where each
// serial driver enters its ports ("\Device\Serial0" = "COM1").
#include "link/portfinder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <windows.h>

namespace cvcfg {

namespace {

int comNumberOf(std::string_view name) {
    int number = 0;
    if (name.size() <= 3 || name.substr(0, 3) != "COM") {
        return 0;
    }
    const std::string_view digits = name.substr(3);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc() && end == digits.data() + digits.size() ? number : 0;
}

} // namespace

std::vector<FoundPort> findSerialPorts(const std::string& /*root*/) {
    HKEY map = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &map) !=
        ERROR_SUCCESS) {
        return {}; // no serial driver has entered a port yet
    }
    std::vector<FoundPort> found;
    for (DWORD index = 0;; ++index) {
        std::array<char, 256> device{};
        std::array<char, 64> port{};
        DWORD deviceSize = device.size();
        DWORD portSize = port.size();
        DWORD type = 0;
        const LONG status = RegEnumValueA(map, index, device.data(), &deviceSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(port.data()), &portSize);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS || type != REG_SZ) {
            continue;
        }
        // The data need not end in a NUL; the buffer's last byte stays one.
        const std::string name(port.data(), strnlen(port.data(), std::min<DWORD>(portSize, 63)));
        const int number = comNumberOf(name);
        if (number == 0) {
            continue;
        }
        FoundPort entry;
        entry.node = "\\\\.\\" + name;
        entry.product = "serial port " + std::string(device.data(), deviceSize);
        entry.systemNumber = number;
        found.push_back(std::move(entry));
    }
    RegCloseKey(map);
    std::sort(found.begin(), found.end(), [](const FoundPort& a, const FoundPort& b) {
        return a.systemNumber < b.systemNumber;
    });
    return found;
}

} // namespace cvcfg
