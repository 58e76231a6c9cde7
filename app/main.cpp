#include "cli/cli.h"
#include "editors/sheetprint.h"
#include "shell/desktop.h"
#include "shell/headless.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

// Without a command (or with --demo) the desktop program starts, and with a
// configuration file it opens that file; any other first argument is a
// command of the command line.
int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    cvcfg::PortMap ports = cvcfg::PortMap::fromEnvironment();
    std::string error;
    const auto rest = cvcfg::cli::takePortMappings(args, ports, error);
    if (const auto start = rest ? cvcfg::cli::desktopStart(*rest) : std::nullopt) {
        return cvcfg::runDesktop(argc, argv, ports, start->demo, start->file);
    }
    // Commands that run the forms get an application without a display.
    std::unique_ptr<QApplication> forms;
    if (rest && !rest->empty() &&
        (rest->front() == "new" || rest->front() == "snapshot" || rest->front() == "sheet")) {
        forms = cvcfg::makeHeadlessApplication(argc, argv);
    }
    const cvcfg::cli::DesktopHooks desktop{cvcfg::factorySettings, cvcfg::writeSnapshots,
                                           cvcfg::writeSheetPdf};
    return cvcfg::cli::runOnConsole(args, ports, desktop);
}
