#include "core/record.h"

namespace cvcfg {

std::string charField(int code) {
    return std::string(1, static_cast<char>(code));
}

std::optional<int> charCode(const std::string& field) {
    if (field.empty()) {
        return std::nullopt;
    }
    return static_cast<unsigned char>(field.front());
}

void zeroParameters(ConfigRecord& record) {
    const std::string zero = charField(0);
    // Copied from a string, not assigned from the literal "0": that takes
    // the overlap-aware replace, which g++ 12 -O3 misreads (-Wrestrict).
    const std::string zeroText = std::to_string(0);
    record.AppCode = zero;
    record.NetType = zero;
    record.StationNo = zero;
    record.HighAddress = zero;
    record.NetSpeed = zero;
    record.CHAParams = 0;
    record.CHBSpeed = zero;
    record.CHBParams = 0;
    record.CHCSpeed = zero;
    record.CHCParams = 0;
    record.ProtoParams = 0;
    record.ModeBytes = zero + zero;
    record.NumText1 = zeroText;
    record.NumText2 = zeroText;
    record.AuxChar = zero;
    record.AuxValue = 0;
    record.ExtParams.fill(0);
}

} // namespace cvcfg
