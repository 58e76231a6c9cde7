#include "link/modestring.h"

#include <cctype>
#include <charconv>

namespace cvcfg {

namespace {

std::optional<int> number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<LineSettings> applyModeString(std::string_view settings, LineSettings state) {
    bool any = false;
    std::size_t pos = 0;
    while (pos < settings.size()) {
        if (settings[pos] == ' ') {
            ++pos;
            continue;
        }
        const std::size_t end = std::min(settings.find(' ', pos), settings.size());
        const std::string_view item = settings.substr(pos, end - pos);
        pos = end;
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view key = item.substr(0, equals);
        const std::string_view value = item.substr(equals + 1);
        if (key == "baud") {
            const auto baud = number(value);
            if (!baud || *baud <= 0) {
                return std::nullopt;
            }
            state.baud = *baud;
        } else if (key == "parity") {
            if (value.size() != 1) {
                return std::nullopt;
            }
            const char parity =
                static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
            if (parity != 'N' && parity != 'E' && parity != 'O' && parity != 'M' && parity != 'S') {
                return std::nullopt;
            }
            state.parity = parity;
        } else if (key == "data") {
            const auto bits = number(value);
            if (!bits || *bits < 5 || *bits > 8) {
                return std::nullopt;
            }
            state.dataBits = *bits;
        } else if (key == "stop") {
            const auto bits = number(value);
            if (!bits || (*bits != 1 && *bits != 2)) {
                return std::nullopt;
            }
            state.stopBits = *bits;
        } else {
            return std::nullopt;
        }
        any = true;
    }
    if (!any) {
        return std::nullopt;
    }
    state.xonXoffOutput = false;
    return state;
}

} // namespace cvcfg
