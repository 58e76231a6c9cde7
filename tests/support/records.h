#pragma once

#include "core/catalogue.h"
#include "core/fields.h"
#include "core/record.h"

#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

namespace cvcfg {

// Lets test failures show a record field by field.
inline void PrintTo(const ConfigRecord& record, std::ostream* os) {
    *os << "{" << record.ModelName << " / " << record.ModelVariant << ", length "
        << record.ConfigLength;
    for (const ByteField* field : {&appCodeField()}) {
        *os << ", " << field->name << " "
            << (charCode(record.*field->text) ? *charCode(record.*field->text) : -1);
    }
    for (const ByteField& field : sectionAFields()) {
        *os << ", " << field.name << " ";
        if (field.isText() && field.form != ByteForm::DecimalText) {
            for (const char c : record.*field.text) {
                *os << static_cast<int>(static_cast<unsigned char>(c)) << ".";
            }
        } else if (field.isText()) {
            *os << '"' << record.*field.text << '"';
        } else {
            *os << record.*field.number;
        }
    }
    *os << ", ExtParams";
    for (const int32_t value : record.ExtParams) {
        *os << " " << value;
    }
    *os << "}";
}

} // namespace cvcfg

namespace cvcfg::test {

// A configuration file of each CV310 variant in tests/data: every layout of
// the family's files, 15 lines and 0, 1, 3 or 88 more.
inline constexpr std::pair<const char*, const char*> kCV310Files[] = {
    {"CV310-MMX", "cv310-mmx.CVF"}, {"CV310-DMX", "cv310-dmx.CVF"}, {"CV310-DFX", "cv310-dfx.CVF"},
    {"CV310-BTI", "cv310-bti.CVF"}, {"CV310-DF1", "cv310-df1.CVF"}, {"CV310-DAS", "cv310-das.CVF"},
};

// A character field's code, or -1 for an empty field.
inline int code(const std::string& field) {
    return charCode(field).value_or(-1);
}

// A record with the identity of `variant` and every parameter 0.
inline ConfigRecord zeroRecord(std::string_view variant) {
    const Variant* row = findVariant(variant);
    if (!row) {
        throw std::invalid_argument("no variant " + std::string(variant));
    }
    return blankRecord(*row);
}

// The CV210-DF1 record as its set-up leaves it.
inline ConfigRecord df1SetupRecord() {
    ConfigRecord record = zeroRecord("CV210-DF1");
    record.StationNo = charField(1);
    record.HighAddress = charField(2);
    record.NetSpeed = charField(8);
    record.CHBSpeed = charField(8);
    record.AuxChar = charField(1);
    record.AuxValue = 2;
    return record;
}

// A record of the variant whose every byte differs from the defaults, so
// that a field that goes astray shows.
inline ConfigRecord distinctRecord(std::string_view variant) {
    ConfigRecord record = zeroRecord(variant);
    record.NetType = charField(2);
    record.StationNo = charField(0x31);
    record.HighAddress = charField(0x32);
    record.NetSpeed = charField(9);
    record.CHAParams = 0x21;
    record.CHBSpeed = charField(10);
    record.CHBParams = 0x06;
    record.CHCSpeed = charField(8);
    record.CHCParams = 0x10;
    record.ProtoParams = 0x41;
    record.ModeBytes = std::string("\x04\x00", 2);
    record.NumText1 = "3";
    record.NumText2 = "4";
    record.AuxChar = charField(5);
    record.AuxValue = 6;
    for (int i = 0; i < kExtParamCount; ++i) {
        record.ExtParams[static_cast<std::size_t>(i)] = 100 + i;
    }
    return record;
}

// The record without its run-time state (port, status, time-out flag), for
// comparing what a transaction left of the configuration.
inline ConfigRecord parameters(ConfigRecord record) {
    record.ComPort = 0;
    record.CommStatus = 0;
    record.TimeoutFlag = false;
    return record;
}

// The text of a configuration file with line `line` (from 1) replaced.
inline std::string replaceLine(std::string text, int line, const std::string& value) {
    std::size_t start = 0;
    for (int i = 1; i < line; ++i) {
        start = text.find("\r\n", start) + 2;
    }
    return text.replace(start, text.find("\r\n", start) - start, value);
}

inline std::string dataPath(const std::string& name) {
    return std::string(CVCFG_TEST_DATA) + "/" + name;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace cvcfg::test
