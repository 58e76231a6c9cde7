#pragma once

#include "link/portmap.h"

#include <string>

namespace cvcfg {

// Runs the desktop program until it ends. With `demo`, a simulated unit
// (cvcfg-unit, beside this program) is started and reached as COM1. A
// `file` opens in the editor of the variant it is for once the program runs.
int runDesktop(int& argc, char** argv, PortMap ports, bool demo, const std::string& file = {});

} // namespace cvcfg
