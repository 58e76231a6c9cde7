#include "core/codes.h"

#include <algorithm>
#include <array>

namespace cvcfg {

namespace {

constexpr std::array<SpeedCode, 14> kSerialSpeeds = {{
    {"300", 3, "Baud"},
    {"600", 4, "Baud"},
    {"1200", 5, "Baud"},
    {"2400", 6, "Baud"},
    {"4800", 7, "Baud"},
    {"9600", 8, "Baud"},
    {"19.2", 9, "Kbaud"},
    {"38.4", 10, "Kbaud"},
    {"57.6", 11, "Kbaud"},
    {"115.2", 12, "Kbaud"},
    {"230.4", 13, "Kbaud"},
    {"187.5", 16, "Kbaud"},
    {"125.0", 17, "Kbaud"},
    {"93.75", 18, "Kbaud"},
}};

constexpr std::array<SpeedCode, 3> kHighwaySpeeds = {{
    {"57.6", 8, "Kbaud"},
    {"115.2", 9, "Kbaud"},
    {"230.4", 10, "Kbaud"},
}};

constexpr std::array<SpeedCode, 3> kDH485Speeds = {{
    {"4800", 7, "Baud"},
    {"9600", 8, "Baud"},
    {"19.2", 9, "Kbaud"},
}};

} // namespace

std::span<const SpeedCode> SpeedCodeTable() {
    return kSerialSpeeds;
}

std::span<const SpeedCode> serialSpeeds(int first, int last) {
    const auto* const begin =
        std::find_if(kSerialSpeeds.begin(), kSerialSpeeds.end(),
                     [first](const SpeedCode& row) { return row.code == first; });
    const auto* const end = std::find_if(begin, kSerialSpeeds.end(),
                                         [last](const SpeedCode& row) { return row.code > last; });
    return {begin, end};
}

std::span<const SpeedCode> channelSpeeds() {
    constexpr int kFirst = 3; // 300 baud
    constexpr int kLast = 13; // 230.4 Kbaud
    return serialSpeeds(kFirst, kLast);
}

std::string_view networkName(Network network) {
    switch (network) {
    case Network::DHPlus:
        return "DH+";
    case Network::DH485:
        return "DH-485";
    case Network::RemoteIO:
        return "Remote I/O";
    }
    return {};
}

std::span<const SpeedCode> networkSpeeds(Network network) {
    // DH+ and Remote I/O run at the same speeds under the same codes.
    return network == Network::DH485 ? std::span<const SpeedCode>(kDH485Speeds)
                                     : std::span<const SpeedCode>(kHighwaySpeeds);
}

std::optional<SpeedCode> speedByCode(std::span<const SpeedCode> table, int code) {
    for (const SpeedCode& row : table) {
        if (row.code == code) {
            return row;
        }
    }
    return std::nullopt;
}

std::optional<SpeedCode> speedByText(std::span<const SpeedCode> table, std::string_view text) {
    for (const SpeedCode& row : table) {
        if (row.text == text) {
            return row;
        }
    }
    return std::nullopt;
}

std::string octalText(int value) {
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>('0' + value % 8));
        value /= 8;
    } while (value > 0);
    return text;
}

} // namespace cvcfg
