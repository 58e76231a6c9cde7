#include "cli/cli.h"
#include "editors/sheetprint.h"
#include "link/portmemory.h"
#include "shell/desktop.h"
#include "shell/headless.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

// A word that holds a point or a slash is never a command; when it names
// something that exists, it is a configuration file for the desktop program
// (as the desktop's file manager passes one). A bare word stays a command,
// so that a file named like one cannot hide it.
bool namesFile(const std::string& word) {
    std::error_code error;
    return word.find_first_of("./") != std::string::npos && !word.starts_with('-') &&
           std::filesystem::exists(word, error);
}

} // namespace

// Without a command (or with --demo) the desktop program starts, and with a
// configuration file it opens that file; any other first argument is a
// command of the command line.
int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    cvcfg::PortMap ports = cvcfg::PortMap::fromEnvironment();
    std::string error;
    const auto rest = cvcfg::cli::takePortMappings(args, ports, error);
    if (rest && (rest->empty() || (rest->size() == 1 && rest->front() == "--demo"))) {
        return cvcfg::runDesktop(argc, argv, ports, !rest->empty());
    }
    if (rest && rest->size() == 1 && namesFile(rest->front())) {
        return cvcfg::runDesktop(argc, argv, ports, false, rest->front());
    }
    // Commands that run the forms get an application without a display.
    std::unique_ptr<QApplication> forms;
    if (rest && !rest->empty() &&
        (rest->front() == "new" || rest->front() == "snapshot" || rest->front() == "sheet")) {
        forms = cvcfg::makeHeadlessApplication(argc, argv);
    }
    const cvcfg::cli::DesktopHooks desktop{cvcfg::factorySettings, cvcfg::writeSnapshots,
                                           cvcfg::writeSheetPdf};
    // The commands reach the ports by the numbers the desktop program gives;
    // the mappings taken above are taken again, unchanged, by the command.
    bool warned = false;
    cvcfg::PortMemory memory = cvcfg::loadPortMemoryOrNone(cvcfg::portMemoryPath(), warned);
    cvcfg::refreshPortMap(ports, memory, cvcfg::deviceRoot());
    return cvcfg::cli::run(args, std::cin, std::cout, std::cerr, ports, desktop);
}
