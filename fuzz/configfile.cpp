// The configuration-file reader: any bytes, read in every file layout.
#include "core/configfile.h"

#include "fuzz/support.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

using namespace cvcfg;

// The file that OpenConfigFile reads, removed when the run ends.
struct ScratchFile {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("cvcfg-fuzz-" + std::to_string(::getpid()) + ".CVF"))
                           .string();
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto& starts = fuzz::startRecords();
    // One layout a run reads the text from a file as well, which is slower.
    const ConfigRecord* fromFile = &starts[size % starts.size()];
    std::ofstream(scratch.path, std::ios::binary | std::ios::trunc) << text;

    for (const ConfigRecord& before : starts) {
        const Expected<FileValues> values =
            ParseConfigFile(text, sectionBFor(before), scratch.path);
        ConfigRecord opened = before;
        if (&before == fromFile) {
            const Status status = OpenConfigFile(scratch.path, opened);
            if (size > kMaxConfigFileSize) {
                fuzz::require(!status && opened == before, "a file over the bound is refused");
                continue;
            }
            fuzz::require(status.error == (values ? std::string() : values.error()),
                          "opening the file reads what parsing its text reads");
        } else if (values) {
            ApplyFileValues(opened, *values);
        }
        if (!values) {
            fuzz::requireReadable(values.error());
            fuzz::require(opened == before, "a file that does not open leaves the record alone");
            continue;
        }
        fuzz::requireSavedFileReopens(opened, before);
    }
    return 0;
}
