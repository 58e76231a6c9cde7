#include "cli/assign.h"

#include "core/catalogue.h"
#include "core/excerpt.h"
#include "core/fields.h"

#include <array>
#include <optional>
#include <string>

namespace cvcfg::cli {

namespace {

constexpr std::array<std::string_view, 9> kUnstoredFields = {
    "ModelName", "ModelVariant", "ConfigLength", "BridgeCaption", "NetworkName",
    "LinkBaud",  "ComPort",      "CommStatus",   "TimeoutFlag",
};

// A byte given in decimal, or in hexadecimal after "0x" (handy for bit sets).
std::optional<int> parseByteArgument(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        return parseHexByte(text.substr(2));
    }
    return parseDecimalByte(text);
}

Status notAByte(std::string_view name, std::string_view value) {
    return Status::failure(std::string(name) + ": " + quotedExcerpt(value) +
                           " is not a byte; give a number from 0 to 255");
}

std::string productName(const ConfigRecord& record) {
    const Variant* variant = variantOf(record);
    return variant ? std::string(variant->name) : record.ModelVariant;
}

Status assignExtParam(ConfigRecord& record, std::string_view name, std::string_view value) {
    const std::string_view digits = name.substr(10, name.size() - 11); // inside "ExtParams[]"
    // Every entry number is below 255, so the byte parser checks its digits.
    const int index = parseDecimalByte(digits).value_or(-1);
    if (index < 0 || index >= kExtParamCount) {
        return Status::failure(quotedExcerpt(name) + ": ExtParams entries are numbered 0 to 87");
    }
    const int stored = sectionBValueCount(sectionBFor(record));
    if (index >= stored) {
        const std::string holds =
            stored == 0 ? "stores no ExtParams entries"
                        : "stores ExtParams[0] to ExtParams[" + std::to_string(stored - 1) + "]";
        return Status::failure(std::string(name) + " is not stored in a " + productName(record) +
                               " configuration file, which " + holds);
    }
    const std::optional<int> byte = parseByteArgument(value);
    if (!byte) {
        return notAByte(name, value);
    }
    record.ExtParams[static_cast<std::size_t>(index)] = *byte;
    return Status::success();
}

Status assignModeBytes(ConfigRecord& record, std::string_view value) {
    const std::size_t comma = value.find(',');
    const std::string_view first = value.substr(0, comma);
    const std::optional<int> firstByte = parseByteArgument(first);
    if (!firstByte) {
        return notAByte("ModeBytes", first);
    }
    if (comma != std::string_view::npos) {
        const std::string_view second = value.substr(comma + 1);
        const std::optional<int> secondByte = parseByteArgument(second);
        if (!secondByte) {
            return notAByte("ModeBytes", second);
        }
        if (*secondByte != 0) {
            return Status::failure("ModeBytes: a configuration file keeps only the first byte; "
                                   "the second always reads back as 0");
        }
    }
    record.ModeBytes = charField(*firstByte) + charField(0);
    return Status::success();
}

} // namespace

Status assignField(ConfigRecord& record, std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        return Status::failure(quotedExcerpt(assignment) +
                               " is not an assignment; write NAME=VALUE");
    }
    const std::string_view name = assignment.substr(0, equals);
    const std::string_view value = assignment.substr(equals + 1);

    if (name.starts_with("ExtParams[") && name.ends_with("]")) {
        return assignExtParam(record, name, value);
    }
    const ByteField* field = findByteField(name);
    if (field == &appCodeField()) {
        return Status::failure("AppCode is not stored in a configuration file; it follows the "
                               "variant");
    }
    if (!field) {
        for (const std::string_view unstored : kUnstoredFields) {
            if (name == unstored) {
                return Status::failure(std::string(name) +
                                       " is not stored in a configuration file");
            }
        }
        return Status::failure("unknown field " + quotedExcerpt(name));
    }
    if (field->form == ByteForm::CharacterPair) {
        return assignModeBytes(record, value);
    }

    const std::optional<int> byte = parseByteArgument(value);
    if (!byte) {
        return notAByte(name, value);
    }
    switch (field->form) {
    case ByteForm::Character:
        record.*field->text = charField(*byte);
        break;
    case ByteForm::DecimalText:
        record.*field->text = std::to_string(*byte);
        break;
    case ByteForm::Number:
        record.*field->number = *byte;
        break;
    case ByteForm::CharacterPair:
        break;
    }
    return Status::success();
}

} // namespace cvcfg::cli
