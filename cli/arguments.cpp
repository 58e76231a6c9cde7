#include "cli/arguments.h"

#include "cli/cli.h"
#include "core/catalogue.h"
#include "core/configfile.h"
#include "core/excerpt.h"

#include <algorithm>

namespace cvcfg::cli {

namespace {

std::string variantList() {
    std::string names;
    for (const Variant& variant : catalogue()) {
        names += "\n  " + std::string(variant.name);
    }
    return names;
}

} // namespace

std::optional<std::string> Arguments::option(const std::string& name) const {
    const auto found = options.find(name);
    return found == options.end() ? std::nullopt : std::optional(found->second);
}

std::optional<Arguments> parseArguments(std::span<const std::string> args,
                                        std::initializer_list<std::string_view> valued,
                                        std::initializer_list<std::string_view> flags,
                                        UsageError& error) {
    Arguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            parsed.words.insert(parsed.words.end(),
                                args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
            parsed.flags.insert(arg);
            continue;
        }
        if (arg.size() > 1 && arg.front() == '-') {
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            if (std::find(valued.begin(), valued.end(), name) == valued.end()) {
                error.message = "unknown option " + quotedExcerpt(name);
                return std::nullopt;
            }
            if (equals != std::string::npos) {
                parsed.options[name] = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                parsed.options[name] = args[++i];
            } else {
                error.message = name + " needs a value";
                return std::nullopt;
            }
            continue;
        }
        parsed.words.push_back(arg);
    }
    return parsed;
}

Status openConfiguration(const std::string& file, ConfigRecord& record, std::istream& in) {
    if (file == kStandardStream) {
        return OpenConfigStream(in, record, "standard input");
    }
    return OpenConfigFile(file, record);
}

std::optional<std::string> outputOption(const Arguments& args) {
    return args.option("-o") ? args.option("-o") : args.option("--output");
}

std::optional<ConfigRecord> recordFor(const Arguments& args, UsageError& error) {
    const std::optional<std::string> name = args.option("--variant");
    if (!name) {
        error.message = "--variant is required; the variants are:" + variantList();
        return std::nullopt;
    }
    const Variant* variant = findVariant(*name);
    if (!variant) {
        error.message =
            "unknown variant " + quotedExcerpt(*name) + "; the variants are:" + variantList();
        return std::nullopt;
    }
    ConfigRecord record;
    applyIdentity(record, *variant);
    return record;
}

int Command::usage(const std::string& message, std::string_view help) {
    m_err << "cvcfg: " << message << "\n\n" << help;
    return kUsage;
}

int Command::fail(const std::string& message) {
    m_err << "cvcfg: " << message << '\n';
    return kFailure;
}

int Command::succeed(const std::string& output) {
    m_out << output;
    return kSuccess;
}

int Command::report(const std::string& output, int status) {
    m_out << output;
    m_reported = true;
    return status;
}

int Command::fail(const std::string& message, int status) {
    fail(message);
    return status;
}

} // namespace cvcfg::cli
