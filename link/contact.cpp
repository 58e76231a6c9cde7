#include "link/contact.h"

#include "core/catalogue.h"

namespace cvcfg {

namespace {

// What the operator should see on the unit once it is in configuration mode.
std::string ledHint(const ConfigRecord& record) {
    const Family* family = familyOf(record);
    // Before a product is chosen: the first product's, as on most units.
    return std::string(family ? family->configurationLeds : families().front().configurationLeds);
}

} // namespace

MessageBox noPortMessage() {
    return {"No COM port is selected. Choose the COM port the unit is cabled to on the main menu.",
            Buttons::Ok, Icon::Exclamation, "NO COM PORT SELECTED"};
}

bool TestComPort(Session& session) {
    ConfigRecord& record = session.record;
    record.CommStatus =
        session.serial.CommOpen(record.ComPort, portName(record), linkSettings(record));
    const bool opened = record.CommStatus == 0;
    if (!opened) {
        std::string message;
        record.CommStatus = session.serial.CommErrorText(message);
        session.op.showMessage({"UNABLE TO OPEN COM PORT,  Error: " + message, Buttons::Ok,
                                Icon::Information, "INVALID COM PORT!!! Please Select Again."});
    }
    session.serial.CommClose(record.ComPort);
    return opened;
}

int16_t ContactUnit(Session& session) {
    ConfigRecord& record = session.record;
    SerialLayer& serial = session.serial;
    if (record.ComPort == 0) {
        session.op.showMessage(noPortMessage());
        return kContactNoPort;
    }
    const std::string settings = linkSettings(record);
    record.CommStatus = serial.CommOpen(record.ComPort, portName(record), settings);
    if (record.CommStatus != 0) {
        std::string message;
        record.CommStatus = serial.CommErrorText(message);
        session.op.showMessage(
            {"Unable to Communicate with" + record.ModelName + ", COM Error: " + message,
             Buttons::Ok, Icon::None, ""});
        // The open may have failed after the handle was obtained.
        serial.CommClose(record.ComPort);
        return kContactFailed;
    }
    const Answer answer = session.op.showMessage(
        {"Press the Configure pushbutton on the " + record.ModelName + " NOW!" + "\n\r" +
             "ONLY the " + ledHint(record),
         Buttons::OkCancel, Icon::Critical, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!"});
    if (answer == Answer::Cancel) {
        serial.CommClose(record.ComPort);
        return kContactCancelled;
    }
    record.CommStatus = serial.CommSet(record.ComPort, settings);
    record.CommStatus = serial.CommFlush(record.ComPort);
    record.CommStatus = serial.CommFlush(record.ComPort);
    for (int i = 0; i < 100; ++i) {
        session.op.processEvents();
    }
    // Whatever the unit sent when its button was pressed is not a reply.
    std::string scratch;
    record.CommStatus = serial.CommRead(record.ComPort, scratch, 300);
    return kContactOk;
}

} // namespace cvcfg
