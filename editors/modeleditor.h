#pragma once

#include "core/configfile.h"

#include <QWidget>
#include <array>
#include <memory>
#include <span>
#include <string_view>

namespace cvcfg {

class Dialogs;
class ChannelDialog;
class DF1Dialog;

// What the program asks of a family's parameter editor. The editor is a view
// of the record: whatever changed the record from outside the editor (a set-up,
// the defaults, a file, an upload, a dialog's ACCEPT) is followed by
// showRecord().
//
// Every form of the editors meets the record the same way. A handler writes
// the record, then shows it once with its form's showRecord() (and in the
// editor, where that stays open beside a dialog and shows the field too); a
// helper that writes (take...) only writes, and leaves the showing to the
// handler that called it. showRecord() sets its own form's controls and
// nothing else: a shared dialog shows the record itself whenever it is
// reached, laid out as the record's editor opens it, so that no form has to
// keep another one up to date.
class ModelEditor : public FileValueView {
public:
    [[nodiscard]] virtual QWidget& window() = 0;

    // Sets every control from the record, with the captions, lists and
    // visibility that depend on it; runs no handler and changes nothing.
    virtual void showRecord() = 0;

    // The captions and frames this editor gives a shared dialog for the
    // record's mode; a dialog it does not open keeps what it has.
    virtual void layOutChannelDialog(ChannelDialog& /*dialog*/) {}
    virtual void layOutDF1Dialog(DF1Dialog& /*dialog*/) {}

    // The model's own step of the main menu's defaults (the record's; the
    // menu shows the record afterwards).
    virtual void UpdateParameters() = 0;

    // "Set ... Settings to Defaults": the defaults, and the variant's own
    // starting mode.
    virtual void restore_configuration() = 0;

    // Enables and shows the editor, showing the record.
    void showEditor();
};

// One family editor: the ModelName values it edits and how it is built.
struct EditorRow {
    std::array<std::string_view, 2> models;
    std::unique_ptr<ModelEditor> (*make)(Dialogs& dialogs);

    [[nodiscard]] bool edits(std::string_view model) const;
};

// Every family editor of the program, one row each.
[[nodiscard]] std::span<const EditorRow> modelEditors();

// The row of the editor that edits `model`, or null.
[[nodiscard]] const EditorRow* editorRowFor(std::string_view model);

} // namespace cvcfg
