#pragma once

#include "link/session.h"

#include <cstdint>

namespace cvcfg {

// Answers of the unit contact.
inline constexpr int16_t kContactFailed = 0;
inline constexpr int16_t kContactOk = 1;
inline constexpr int16_t kContactCancelled = 2;
inline constexpr int16_t kContactNoPort = 3; // no COM port chosen: the operator was told

// Test-opens the selected port and closes it again; a port that cannot be
// opened is reported to the operator. True when it opened.
bool TestComPort(Session& session);

// The operator's message when a transaction starts with no COM port chosen.
[[nodiscard]] MessageBox noPortMessage();

// Opens the port and has the operator put the unit into configuration mode.
// On kContactOk the port stays open, with XON/XOFF on and its input emptied,
// for the transaction that called; on any other answer it is closed.
int16_t ContactUnit(Session& session);

} // namespace cvcfg
