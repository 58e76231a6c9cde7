#pragma once

#include "core/record.h"

namespace cvcfg {

// What the Modbus protocol dialog's options write into the record. The
// channel dialogs and the editors choose these options; the dialog itself
// comes with the Modbus register map editor.

// Whether ExtParams[1] is the unit's Modbus option byte: it is, unless the
// variant's block-transfer map or Brabender type claims that entry.
[[nodiscard]] bool keepsModbusOptions(const ConfigRecord& record);

// The serial operation choice: RS485 (2 Wire) sets, RS232/RS422 clears bit
// 0x08 of ExtParams[1], on the units that keep Modbus options there.
void chooseModbusHalfDuplex(ConfigRecord& record, bool twoWire);

// The choice a Modbus mode starts from: RTU, slave, RS232/RS422, no
// broadcast, PLC 5 and the SLC/PLC address decode.
void chooseModbusStart(ConfigRecord& record);

} // namespace cvcfg
