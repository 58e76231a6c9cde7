#include "cli/cli.h"

#include <iostream>
#include <string>
#include <vector>

// The command line alone (the Windows build): what would start the desktop
// program says where that program is instead.
int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    cvcfg::PortMap ports = cvcfg::PortMap::fromEnvironment();
    std::string error;
    const auto rest = cvcfg::cli::takePortMappings(args, ports, error);
    if (rest && cvcfg::cli::desktopStart(*rest)) {
        std::cerr << "cvcfg: this cvcfg is the command line alone; the desktop program needs "
                     "the desktop build.\nRun cvcfg --help for the commands.\n";
        return cvcfg::cli::kUsage;
    }
    return cvcfg::cli::runOnConsole(args, ports);
}
