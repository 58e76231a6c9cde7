// The command line as an operator types it: words split at NUL bytes, taken
// by the option parser, the COM port mappings and the assignments of
// "cvcfg set".
#include "cli/arguments.h"

#include "cli/assign.h"
#include "cli/cli.h"
#include "fuzz/support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace cvcfg;
    std::vector<std::string> words;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }

    PortMap ports;
    std::string mappingError;
    if (!cli::takePortMappings(words, ports, mappingError)) {
        fuzz::requireReadable(mappingError);
    }

    cli::UsageError error;
    const auto parsed =
        cli::parseArguments(words, {"--variant", "-o", "--output"}, {"--json"}, error);
    if (!parsed || !cli::recordFor(*parsed, error)) {
        fuzz::requireReadable(error.message);
    }

    for (const ConfigRecord& start : fuzz::startRecords()) {
        ConfigRecord record = start;
        for (const std::string& word : words) {
            const ConfigRecord before = record;
            const Status status = cli::assignField(record, word);
            if (!status) {
                fuzz::requireReadable(status.error);
                fuzz::require(record == before, "a refused assignment changes nothing");
            }
        }
        // Whatever set accepted, the file saved from it opens to the same record.
        fuzz::requireSavedFileReopens(record, start);
    }
    return 0;
}
