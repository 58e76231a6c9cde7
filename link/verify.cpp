#include "link/verify.h"

#include "core/catalogue.h"

#include <optional>

namespace cvcfg {

namespace {

std::string variantName(const ConfigRecord& record) {
    if (const Variant* variant = variantOf(record)) {
        return std::string(variant->name);
    }
    return record.ModelVariant.empty() ? record.ModelName : record.ModelVariant;
}

// "A", "A or B", "A, B or C".
std::string alternatives(const std::vector<std::string_view>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == names.size() ? " or " : ", ";
        }
        text += names[i];
    }
    return text;
}

} // namespace

bool answersAs(const UnitIdentity& unit, const ConfigRecord& expected) {
    return unit.bodyLength == expected.ConfigLength && charCode(expected.AppCode) == unit.appCode;
}

std::vector<std::string_view> variantsAnsweringAs(const UnitIdentity& unit) {
    std::vector<std::string_view> names;
    for (const Variant& variant : catalogue()) {
        if (variant.ConfigLength == unit.bodyLength && variant.AppCode == unit.appCode) {
            names.push_back(variant.name);
        }
    }
    return names;
}

std::string otherVariantText(const UnitIdentity& unit, const ConfigRecord& expected) {
    const std::vector<std::string_view> names = variantsAnsweringAs(unit);
    const std::string code = "application code " + std::to_string(unit.appCode);
    const std::string length = "body length " + std::to_string(unit.bodyLength);
    const std::string expectedName = variantName(expected);
    if (names.empty()) {
        return "The unit answers with " + code + " and " + length + ", not as a " + expectedName;
    }
    // The length is named where it, too, tells the products apart.
    const bool lengthDiffers = unit.bodyLength != expected.ConfigLength;
    return "The unit answers as a " + alternatives(names) + " (" + code +
           (lengthDiffers ? ", " + length : std::string()) + "), not a " + expectedName;
}

Verification VerifyUnit(SerialLayer& serial, Operator& op, const ConfigRecord& expected) {
    // Only what the exchange needs to run: which stages to ask for, and the
    // port. Every compared field comes from the unit's replies.
    ConfigRecord unit;
    unit.ModelName = expected.ModelName;
    unit.ModelVariant = expected.ModelVariant;
    unit.BridgeCaption = expected.BridgeCaption;
    unit.NetworkName = expected.NetworkName;
    unit.LinkBaud = expected.LinkBaud;
    unit.ComPort = expected.ComPort;

    Verification result;
    std::optional<UnitIdentity> identity;
    const IdentityCheck check = [&](const UnitIdentity& answered) {
        identity = answered;
        result.unit = answered;
        if (answersAs(answered, expected)) {
            return std::string();
        }
        result.otherVariant = otherVariantText(answered, expected);
        return result.otherVariant;
    };
    Session reading{unit, serial, op};
    result.upload = UploadConfiguration(reading, UploadTarget::RecordOnly, check);
    if (result.upload == UploadOutcome::OtherVariant) {
        result.outcome = VerifyOutcome::OtherVariant;
        return result;
    }
    if (result.upload != UploadOutcome::Complete || !identity) {
        result.outcome = VerifyOutcome::NotRead;
        return result;
    }
    unit.ConfigLength = static_cast<int16_t>(identity->bodyLength);
    unit.AppCode = charField(identity->appCode);
    result.differences = compareRecords(expected, unit);
    result.outcome = result.differences.empty() ? VerifyOutcome::Holds : VerifyOutcome::Differs;
    return result;
}

} // namespace cvcfg
