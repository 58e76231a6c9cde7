#pragma once

namespace cvcfg {

// What the editors ask of the program's shell (its main menu).
class Shell {
public:
    virtual ~Shell() = default;
    // The main menu's record and editor defaults for the current model.
    virtual void UpdateParameters() = 0;
    virtual void showMainMenu() = 0;
    // Enables and shows the editor of the current model.
    virtual void showModelEditor() = 0;
    // Ends the program at once.
    virtual void endProgram() = 0;
};

} // namespace cvcfg
