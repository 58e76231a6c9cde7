#include "core/sheet.h"

#include "core/catalogue.h"
#include "core/compare.h"
#include "core/decode.h"
#include "core/image.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

namespace cvcfg {

namespace {

std::string escaped(std::string_view text) {
    std::string html;
    for (const char c : text) {
        switch (c) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        case '"':
            html += "&quot;";
            break;
        default:
            // Texts are single bytes; a byte above ASCII is shown as what it
            // stands for in Latin-1.
            if (static_cast<unsigned char>(c) >= 0x80) {
                html += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
            } else {
                html += c;
            }
        }
    }
    return html;
}

std::string row(const std::vector<std::string>& cells, const char* tag = "td") {
    std::string html = "<tr>";
    for (const std::string& cell : cells) {
        html += std::string("<") + tag + ">" + escaped(cell) + "</" + tag + ">";
    }
    return html + "</tr>\n";
}

std::string imageLine(const ConfigRecord& record) {
    const Expected<Bytes> image = BuildConfigImage(record);
    if (!image) {
        return "no download image: " + image.error();
    }
    const std::size_t size = image->size();
    const int checksum = (*image)[size - 2] | ((*image)[size - 1] << 8);
    char text[96];
    std::snprintf(text, sizeof text, "%zu bytes, checksum 0x%04X", size,
                  static_cast<unsigned>(checksum));
    return text;
}

std::string registerTable(const ConfigRecord& record) {
    const Table table = translationTable(record);
    std::vector<std::string> heads = table.heads;
    for (std::string& head : heads) {
        head[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(head[0])));
    }
    std::string html =
        "<h2>Modbus to A-B address translation table</h2>\n<table>\n" + row(heads, "th");
    for (const TableRow& slot : table.rows) {
        html += row(slot.cells);
    }
    return html + "</table>\n";
}

std::string blockTransferTable(const ConfigRecord& record) {
    using namespace block_transfer;
    std::string html =
        "<h2>Block transfers enabled (group/module)</h2>\n<table>\n<tr><th>Rack</th>";
    for (int group = 0; group < kGroups; ++group) {
        for (int module = 0; module < kModules; ++module) {
            html += "<th>" + std::to_string(group) + "/" + std::to_string(module) + "</th>";
        }
    }
    html += "</tr>\n";
    const int first = fieldCode(record, "StationNo").value_or(0);
    for (int rack = 1; rack <= kRacks; ++rack) {
        html += "<tr><td>" + std::to_string(rack) + " (address " + octalText(first + rack - 1) +
                ")</td>";
        for (int group = 0; group < kGroups; ++group) {
            for (int module = 0; module < kModules; ++module) {
                const bool on = (record.ExtParams[entry(rack, group)] & mask(group, module)) != 0;
                html += on ? "<td>X</td>" : "<td></td>";
            }
        }
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

} // namespace

std::string fileDateText(const std::string& path) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(path, error);
    if (error) {
        return {};
    }
    const std::time_t time =
        std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &time) != 0) {
        return {};
    }
#else
    if (!localtime_r(&time, &local)) {
        return {};
    }
#endif
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) ? text : "";
}

std::string configurationSheetHtml(const ConfigRecord& record, const SheetSource& source) {
    const Variant* variant = variantOf(record);
    const std::string product = variant ? std::string(variant->name) : record.ModelVariant;
    std::string html =
        "<html><head><meta charset=\"utf-8\"><title>Configuration of " + escaped(product) +
        "</title>\n<style>table { border-collapse: collapse; } td, th { border: 1px solid #888; "
        "padding: 2px 6px; text-align: left; } body { font-family: sans-serif; font-size: 9pt; "
        "}</style></head><body>\n<h1>Configuration of " +
        escaped(product) + "</h1>\n<table>\n" + row({"Product", record.ModelName}) +
        row({"Variant", product}) + row({"File", source.fileName}) +
        row({"File date", source.fileDate.empty() ? "unknown" : source.fileDate}) +
        row({"Download image", imageLine(record)}) + "</table>\n<h2>Parameters</h2>\n<table>\n" +
        row({"Field", "Value", "Meaning"}, "th");
    for (const FieldReading& field : readFields(record)) {
        html += row({field.field, field.value, readingMeaning(field)});
    }
    html += "</table>\n";
    switch (sectionBFor(record)) {
    case SectionB::RegisterMap:
        html += registerTable(record);
        break;
    case SectionB::ExtendedBlock:
        html += blockTransferTable(record);
        break;
    case SectionB::None:
    case SectionB::Brabender:
    case SectionB::AsciiTable:
        break;
    }
    return html + "</body></html>\n";
}

} // namespace cvcfg
