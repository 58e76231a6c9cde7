#pragma once

#include "editors/formset.h"
#include "link/posixbackend.h"
#include "tests/support/records.h"
#include "tests/support/scriptedoperator.h"

#include <QApplication>

namespace cvcfg::test {

// Lets queued events and deferred deletions (unloaded forms) happen.
inline void settle() {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The record, serial layer and scripted operator that GUI tests hand to the
// forms; COM ports go through `ports`.
struct GuiContext {
    explicit GuiContext(PortMap ports = {}) : backend(std::move(ports)), serial(backend) {
        serial.setEventPump([] { QApplication::processEvents(); });
    }
    FormContext context() { return FormContext{record, serial, op}; }

    ConfigRecord record;
    PosixSerialBackend backend;
    SerialLayer serial;
    ScriptedOperator op;
};

} // namespace cvcfg::test
