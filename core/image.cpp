#include "core/image.h"

#include "core/fields.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>

namespace cvcfg {

namespace {

constexpr int kMaxChecksumSum = 32767;

// Fixed content the unit expects around the record's bytes.
constexpr std::array<uint8_t, 22> kBodyLead = {0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0x04,
                                               0x99, 0,    0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<uint8_t, 3> kBeforeProtocol = {0x08, 0x00, 0x00};
constexpr int kExtendedGap = 8; // zero bytes between the common body and ExtParams

} // namespace

int imageExtParamCount(int configLength) {
    switch (configLength) {
    case 58:
        return 8;
    case 64:
        return 14;
    case 138:
        return kExtParamCount;
    default:
        return 0;
    }
}

namespace {

Status appendField(const ConfigRecord& record, const ByteField& field, Bytes& body) {
    const int width = field.form == ByteForm::CharacterPair ? 2 : 1;
    for (int index = 0; index < width; ++index) {
        const Expected<uint8_t> byte = fieldByte(record, field, index);
        if (!byte) {
            return Status::failure(byte.error());
        }
        body.push_back(*byte);
    }
    return Status::success();
}

// The record's bytes of the common body: AppCode, then the fixed-section
// fields in file order with 08 00 00 before ProtoParams.
Status appendRecordBytes(const ConfigRecord& record, Bytes& body) {
    if (Status status = appendField(record, appCodeField(), body); !status) {
        return status;
    }
    for (const ByteField& field : sectionAFields()) {
        if (field.name == "ProtoParams") {
            body.insert(body.end(), kBeforeProtocol.begin(), kBeforeProtocol.end());
        }
        if (Status status = appendField(record, field, body); !status) {
            return status;
        }
    }
    return Status::success();
}

} // namespace

std::string hexBytes(std::span<const uint8_t> bytes) {
    std::string text;
    for (const uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", byte);
        text += digits;
    }
    return text;
}

std::string hexBytes(std::string_view bytes) {
    return hexBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

bool isImageBodyLength(int length) {
    return length == 42 || length == 58 || length == 64 || length == 138;
}

std::optional<std::array<uint8_t, 2>> ImageChecksum(std::span<const uint8_t> body) {
    const long sum = std::accumulate(body.begin(), body.end(), 0L);
    if (sum > kMaxChecksumSum) {
        return std::nullopt;
    }
    return std::array<uint8_t, 2>{static_cast<uint8_t>(sum & 255), static_cast<uint8_t>(sum / 256)};
}

Expected<Bytes> BuildConfigImage(const ConfigRecord& record) {
    const int length = record.ConfigLength;
    if (!isImageBodyLength(length)) {
        return Expected<Bytes>::failure("ConfigLength is " + std::to_string(length) +
                                        "; a unit takes a body of 42, 58, 64 or 138 bytes");
    }

    Bytes body(kBodyLead.begin(), kBodyLead.end());
    if (const Status status = appendRecordBytes(record, body); !status) {
        return Expected<Bytes>::failure(status.error);
    }

    const int extended = imageExtParamCount(length);
    if (extended > 0) {
        body.insert(body.end(), kExtendedGap, 0x00);
    }
    for (int index = 0; index < extended; ++index) {
        const Expected<uint8_t> byte = extParamByte(record, index);
        if (!byte) {
            return Expected<Bytes>::failure(byte.error());
        }
        body.push_back(*byte);
    }

    const auto checksum = ImageChecksum(body);
    if (!checksum) {
        const long sum = std::accumulate(body.begin(), body.end(), 0L);
        return Expected<Bytes>::failure(
            "the configuration's bytes add up to " + std::to_string(sum) +
            ", more than the 32767 that the image's checksum can carry");
    }

    // Header, body and checksum are all known by now: fill an image of
    // exactly their size rather than grow the seven-byte header, a growth
    // that g++ 12 at -O2 misreads as a read past the header's end.
    const std::array<uint8_t, kImageHeaderLength> header = {
        'N', 'E', 'E', static_cast<uint8_t>(length), 0x00, 0x00, 0x00};
    Bytes image(header.size() + body.size() + checksum->size());
    auto next = std::copy(header.begin(), header.end(), image.begin());
    next = std::copy(body.begin(), body.end(), next);
    std::copy(checksum->begin(), checksum->end(), next);
    return image;
}

} // namespace cvcfg
