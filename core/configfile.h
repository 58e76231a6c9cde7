#pragma once

#include "core/catalogue.h"
#include "core/expected.h"
#include "core/fields.h"
#include "core/record.h"

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace cvcfg {

// One configuration's worth of values read from a file, already checked and
// converted to the record's forms: the fixed-section fields as `fields` holds
// them, and the first `extendedCount` ExtParams entries.
struct FileValues {
    ConfigRecord fields;
    int extendedCount = 0;
};

// The editor side of opening a file or an upload: once the record holds the
// file's values, the editor shows them (and sets the run-time fields that
// follow from them).
class FileValueView {
public:
    virtual ~FileValueView() = default;
    virtual void showLoadedRecord() = 0;
};

// The text of a configuration file for the record: the fifteen fixed lines
// and the extended section its model and variant call for, CR LF line ends.
[[nodiscard]] std::string FormatConfigFile(const ConfigRecord& record);

// One fixed-section value as a file writes it: characters in quotes, or as a
// bare code where quotes cannot carry them; numbers bare; decimal texts in
// quotes.
[[nodiscard]] std::string FileValueText(const ConfigRecord& record, const ByteField& field);

// The file dialogs' filter for the record's configuration files.
[[nodiscard]] std::string ConfigFileFilter(const ConfigRecord& record);

// The line end of configuration files.
inline constexpr std::string_view kFileLineEnd = "\r\n";

// The 88 lines of the register-map section, ExtParams[0] first.
[[nodiscard]] std::string SaveExtParams(const ConfigRecord& record);

// Writes the record's configuration file through SaveFile: an existing file
// is replaced only once the new one is completely written.
[[nodiscard]] Status SaveConfigFile(const std::string& path, const ConfigRecord& record);

// Reads the values of a file's text laid out as `layout` prescribes. A file
// may hold several complete configurations; the last one wins. A UTF-8
// byte-order mark at the start is passed over. `fileName` names the file in
// messages.
[[nodiscard]] Expected<FileValues> ParseConfigFile(std::string_view text, SectionB layout,
                                                   std::string_view fileName);

// The largest file that opens as a configuration; the largest layout takes
// well under a kilobyte, so anything near this is not a configuration file.
inline constexpr std::uintmax_t kMaxConfigFileSize = std::uintmax_t{1024} * 1024;

// Reads the file at `path` in the layout of the record's model and variant.
// A folder, or a file larger than kMaxConfigFileSize, is refused unread.
[[nodiscard]] Expected<FileValues> ReadConfigFile(const std::string& path,
                                                  const ConfigRecord& record);

// Reads a configuration from a stream (standard input, say) in the layout of
// the record's model and variant, with the bound of ReadConfigFile; `name`
// names the stream in messages.
[[nodiscard]] Expected<FileValues> ReadConfigStream(std::istream& in, const ConfigRecord& record,
                                                    std::string_view name);

// Moves file values into the record, then lets the editor, when one is
// given, show them. The file's values stay exactly as read; the Modbus
// two-wire bit, where they hold no option byte, follows channel B's wiring.
void ApplyFileValues(ConfigRecord& record, const FileValues& values, FileValueView* view = nullptr);

// Reads the stream and applies it; on any failure the record is untouched.
[[nodiscard]] Status OpenConfigStream(std::istream& in, ConfigRecord& record,
                                      std::string_view name);

// Reads the file and applies it; on any failure the record is untouched.
[[nodiscard]] Status OpenConfigFile(const std::string& path, ConfigRecord& record,
                                    FileValueView* view = nullptr);

} // namespace cvcfg
