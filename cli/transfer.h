#pragma once

#include "cli/arguments.h"
#include "link/portmap.h"

#include <iosfwd>
#include <span>
#include <string>

namespace cvcfg::cli {

int runDownload(std::span<const std::string> args, std::istream& in, const PortMap& ports,
                Command& command);
int runVerify(std::span<const std::string> args, std::istream& in, const PortMap& ports,
              Command& command);
int runUpload(std::span<const std::string> args, std::istream& in, const PortMap& ports,
              Command& command);

} // namespace cvcfg::cli
