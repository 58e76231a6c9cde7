#pragma once

#include "core/codes.h"
#include "core/record.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg {

// What the editors' lists and buttons offer, product by product. A file or
// an upload may hold a value that none of them offers (the units' own
// program leaves values of other variants behind); such a value is kept and
// downloaded, but the forms cannot show it. This is where the program tells
// which values those are.

// One entry of a list or one button: the code it stores and what it shows.
struct Choice {
    int code;
    std::string_view name;
};

// The highest station a network's station lists offer: 63 (octal 77) on DH+,
// 32 (octal 40) on DH-485.
[[nodiscard]] int lastStation(Network network);

// The Remote I/O rack-number lists offer octal "1" to "7", "10" to "27".
inline constexpr int kFirstRackNumber = 1;
inline constexpr int kLastRackNumber = 23;

// The rack sizes of the CV210's Remote I/O adapter, by the code of AuxChar.
[[nodiscard]] std::span<const Choice> rackSizes();

// The SLC5/04 passthru's DH+ and DH-485 link identifier lists: 0 to 30.
inline constexpr int kLastLinkId = 30;

// The CV210 editor's operating modes; each stores its code in the first
// mode byte, which differs by variant.
enum class OperatingMode { DF1, Bridging, Modbus, Ascii, RemoteIO };

// What a network or mode choice shows of a Remote I/O adapter's racks.
enum class RackRows {
    None,
    Number,            // the first rack's number only (the Modbus master)
    NumberAndRange,    // and the range of racks; the size is always a full rack
    NumberRangeAndSize // and the rack size list
};

struct NetworkChoice {
    int code; // NetType
    Network network;
    RackRows racks;
};

struct ModeChoice {
    int code; // the first byte of ModeBytes
    OperatingMode mode;
    std::string_view name;
    // What the high-address list stands for in this mode; empty where the
    // mode does not show it.
    std::string_view highAddress;
    RackRows racks;
    bool linkIds; // the SLC5/04 passthru's link identifiers
};

// A run of codes of SpeedCodeTable that a list offers; first > last: none.
struct CodeRange {
    int first = 0;
    int last = -1;
    [[nodiscard]] bool empty() const { return last < first; }
};

// What one product variant's editor offers.
struct EditorOffer {
    std::string_view variant; // the catalogue row's name
    // The network buttons; empty where no control chooses NetType.
    std::span<const NetworkChoice> networks;
    // The CV210 editor's mode buttons; empty on the other editors.
    std::span<const ModeChoice> modes;
    // The channel speed lists; NetSpeed is channel A's on units without a
    // network speed list.
    CodeRange channelA;
    CodeRange channelB;
    CodeRange channelC; // 0 stands for an unused channel C and is let through
};

// The row of the record's variant, or null for a record outside the
// catalogue.
[[nodiscard]] const EditorOffer* editorOfferFor(const ConfigRecord& record);

// A field holding a value that its product's forms do not offer.
struct UnofferedValue {
    std::string field;   // as the program names it: "NetType", "ExtParams[4]"
    std::string meaning; // in plain words: "A-B PLC type"
    int value;
    std::string offered; // in short: "0 to 2", "0 DH+, 1 DH-485"
};

// Every such field of the record, in file order; nothing when the forms can
// show every value.
[[nodiscard]] std::vector<UnofferedValue> valuesNotOffered(const ConfigRecord& record);

// What show, diff and the sheet write beside such a field.
inline constexpr std::string_view kNotOffered = "not offered by the editor";

// "not offered by the editor, which offers 0 to 2".
[[nodiscard]] std::string notOfferedNote(const UnofferedValue& value);

// The one message that tells the operator about these fields once a file or
// an upload is loaded: each field with its value and the offered ones, and
// that the values go to the unit as they are unless changed.
[[nodiscard]] std::string notOfferedMessage(const ConfigRecord& record,
                                            const std::vector<UnofferedValue>& values);

} // namespace cvcfg
