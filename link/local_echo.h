#pragma once

// A two-wire RS-485 adapter whose receiver stays on while it sends hears its
// own request: the request's bytes come back before the answer. With the
// local echo on, the link reads exactly those bytes back and compares them
// before it reads the answer; with it off, an answer that begins with the
// whole request is recognised as such an echo.

#include "link/serial_port.h"

#include <QByteArray>
#include <QString>

namespace tals {

// What went wrong on the line before an answer could be judged.
enum class TEchoFault {
    None,
    Mismatch, // the local echo is on and the bytes read back differ
    InAnswer, // the local echo is off and the answer begins with the request
};

// "Эхо запроса не совпадает" and the hint for an echo the settings do not expect.
QString EchoFaultText(TEchoFault fault);

// Reads back as many bytes as frame holds under the port's read rules; true
// when they are frame's bytes.
bool ReadLocalEcho(TComPort &port, const QByteArray &frame);

// The answer holds more than the request and begins with it. (An answer equal
// to the request is a valid write answer, not an echo.)
bool StartsWithEcho(const QByteArray &frame, const QByteArray &answer);

} // namespace tals
