#include "cli/cli.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return cvcfg::cli::run(args, std::cin, std::cout, std::cerr, cvcfg::PortMap::fromEnvironment());
}
