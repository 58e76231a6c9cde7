#pragma once

#include "core/expected.h"

#include <QObject>
#include <memory>
#include <string>

namespace cvcfg {

class Application;
class QtOperator;
struct Variant;

// What CVCFG_MEASURE asks of a desktop run, for scripts/bench. A start
// without it never reaches this code. Every figure goes to standard error on
// a line of its own, "cvcfg-measure NAME=VALUE...":
//   start               the first window painted, then the program ends
//   menu=VARIANT        the variant's set-up, the main menu painted; it stays
//   monitor=VARIANT     then the off-line manager on COM1; at the end the
//                       bytes its terminal was given to show
//   flash=VARIANT,FILE  then the unit's "write system file" chosen (keys 1,
//                       Y) and FILE sent as the flash system file; the
//                       program stays
// The operator's questions on the way are answered OK, Yes and FILE.
class Measurement {
public:
    // The plan `text` names, or why it names none.
    static Expected<Measurement> parse(const std::string& text);

    // The operator of the measured run: the plan has chosen already.
    [[nodiscard]] std::unique_ptr<QtOperator> makeOperator() const;

    // Watches the program's windows and runs the plan's set-up on the
    // started program; the probes live as long as the returned object.
    [[nodiscard]] std::unique_ptr<QObject> begin(Application& app) const;

private:
    enum class Kind { Start, Menu, Monitor, Flash };
    Kind m_kind = Kind::Start;
    const Variant* m_variant = nullptr;
    std::string m_file;
};

} // namespace cvcfg
