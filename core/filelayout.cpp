#include "core/filelayout.h"

#include "core/configfile.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace cvcfg {

std::vector<const Variant*> variantsFittingFile(std::string_view text) {
    // The reader decides whether a layout fits, so that a file taken for a
    // product's here is one that product's editor opens.
    std::map<SectionB, bool> fits;
    std::vector<const Variant*> fitting;
    for (const Variant& variant : catalogue()) {
        const auto [known, added] = fits.try_emplace(variant.sectionB, false);
        if (added) {
            known->second = ParseConfigFile(text, variant.sectionB, "").ok();
        }
        if (known->second) {
            fitting.push_back(&variant);
        }
    }
    return fitting;
}

Expected<std::vector<const Variant*>> variantsFittingFileAt(const std::string& path) {
    using Fitting = Expected<std::vector<const Variant*>>;
    const auto refused = [&path](const std::string& why) {
        return Fitting::failure("Cannot open " + path + ": " + why);
    };
    if (std::error_code error; std::filesystem::is_directory(path, error)) {
        return refused("it is a folder");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return refused(std::strerror(errno));
    }
    // Read no further than a configuration file could reach.
    std::string text;
    std::array<char, 4096> chunk{};
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxConfigFileSize) {
            return refused("it is larger than any configuration file");
        }
    }
    if (in.bad()) {
        return Fitting::failure("Cannot read " + path + ": " + std::strerror(errno));
    }
    std::vector<const Variant*> fitting = variantsFittingFile(text);
    if (fitting.empty()) {
        return Fitting::failure(path +
                                " is not a configuration file of any product: a configuration "
                                "file has 15, 16, 18, 22 or 103 lines of values");
    }
    return fitting;
}

} // namespace cvcfg
