// The mode text of the serial line ("baud=9600 parity=N data=8 stop=1").
#include "link/modestring.h"

#include "fuzz/support.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace cvcfg;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LineSettings state;
    state.baud = 1200;
    state.parity = 'E';
    state.dataBits = 7;
    state.stopBits = 2;
    state.xonXoffOutput = true;
    state.xonChar = 0x21;
    state.xoffChar = 0x22;

    const std::optional<LineSettings> applied = applyModeString(text, state);
    if (!applied) {
        return 0;
    }
    fuzz::require(applied->baud > 0, "the speed is positive");
    fuzz::require(std::string_view("NEOMS").find(applied->parity) != std::string_view::npos,
                  "the parity is one of N, E, O, M, S");
    fuzz::require(applied->dataBits >= 5 && applied->dataBits <= 8, "5 to 8 data bits");
    fuzz::require(applied->stopBits == 1 || applied->stopBits == 2, "1 or 2 stop bits");
    fuzz::require(!applied->xonXoffOutput, "a mode text sets no flow control");
    fuzz::require(applied->xonChar == state.xonChar && applied->xoffChar == state.xoffChar,
                  "the flow-control characters stay");
    fuzz::require(applyModeString(text, *applied) == applied, "applying twice equals once");

    // The settings, written out as a mode text, give the same line from any start.
    const std::string written =
        "baud=" + std::to_string(applied->baud) + " parity=" + applied->parity +
        " data=" + std::to_string(applied->dataBits) + " stop=" + std::to_string(applied->stopBits);
    fuzz::require(applyModeString(written, LineSettings{}) ==
                      LineSettings{applied->baud, applied->parity, applied->dataBits,
                                   applied->stopBits, false, 0x11, 0x13},
                  "the settings written out read back");
    return 0;
}
