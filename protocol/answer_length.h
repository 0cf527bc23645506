#pragma once

// Where a transducer's answer ends, judged by its content: the length that
// the function, the exception flag or the byte count give. Used to end a read
// as soon as the answer is complete instead of waiting for the line to go
// quiet. Stateless; safe from any thread.

#include <QByteArray>

namespace tals {

// The answer to this request has no length rule (a broadcast, the device's
// own service functions, an unexpected function byte): the read ends on the
// gap after the last byte.
constexpr int kNoAnswerLengthRule = -1;

// The length of the whole answer (checksum included) to request (as sent,
// checksum included) as far as the bytes received so far tell it: > 0 the
// length; 0 more bytes are needed to tell; kNoAnswerLengthRule when none.
//  - exception answer (function | 0x80): 5 bytes; the device's error answer
//    (function byte 0xFA): 6 bytes;
//  - functions 3 and 4: 3 + byte count + 2;
//  - functions 6 and 16 (a register write): the 8-byte echo;
//  - function 43/14 (identification): the objects' headers give it.
int AnswerLength(const QByteArray &request, const QByteArray &received);

// The length of the complete answer at the head of received, its checksum
// checked; 0 while it is not (yet) complete or its checksum is wrong.
int CompleteAnswerLength(const QByteArray &request, const QByteArray &received);

} // namespace tals
