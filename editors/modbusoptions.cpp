#include "editors/modbusoptions.h"

#include "core/catalogue.h"

namespace cvcfg {

namespace {

constexpr int32_t kAsciiFraming = 0x01;
constexpr int32_t kMaster = 0x02;
constexpr int32_t kBroadcast = 0x04;
constexpr int32_t kTwoWire = 0x08;

} // namespace

bool keepsModbusOptions(const ConfigRecord& record) {
    const SectionB section = sectionBFor(record);
    return section != SectionB::ExtendedBlock && section != SectionB::Brabender;
}

void chooseModbusHalfDuplex(ConfigRecord& record, bool twoWire) {
    if (!keepsModbusOptions(record)) {
        return;
    }
    int32_t& options = record.ExtParams[1];
    options = twoWire ? SetBits(options, kTwoWire) : ClearBits(options, kTwoWire);
}

void chooseModbusStart(ConfigRecord& record) {
    int32_t& options = record.ExtParams[1];
    options = ClearBits(options, kAsciiFraming);
    options = ClearBits(options, kMaster);
    options = ClearBits(options, kTwoWire);
    options = ClearBits(options, kBroadcast);
    record.ExtParams[4] = 0; // PLC 5
    record.ExtParams[5] = 0; // SLC/PLC - (NXYY:Z)
}

} // namespace cvcfg
