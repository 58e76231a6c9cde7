#pragma once

#include "editors/formset.h"
#include "link/posixbackend.h"
#include "tests/support/records.h"
#include "tests/support/scriptedoperator.h"

#include <QApplication>
#include <QTest>
#include <chrono>
#include <functional>

namespace cvcfg::test {

// Lets queued events and deferred deletions (unloaded forms) happen.
inline void settle() {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Waits, with Qt's events running, until `done` holds or `within` passes.
inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds within = std::chrono::milliseconds(3000)) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
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
