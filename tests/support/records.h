#pragma once

#include "core/catalogue.h"
#include "core/fields.h"
#include "core/record.h"

#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>

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

// A record with the identity of `variant` and every parameter 0.
inline ConfigRecord zeroRecord(std::string_view variant) {
    ConfigRecord record;
    const Variant* row = findVariant(variant);
    if (!row) {
        throw std::invalid_argument("no variant " + std::string(variant));
    }
    applyIdentity(record, *row);
    zeroParameters(record);
    applyIdentity(record, *row); // zeroParameters cleared AppCode too
    return record;
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

} // namespace cvcfg::test
