#pragma once

// Validates an answer of the transducer and decodes it into the model, keeping
// the exchange status (ErrorCode, ErrorText, FailureCount, LinkState). Runs on
// the user-interface thread. Never reads beyond the answer's end.

#include "device/exchange_outcome.h"
#include "device/reading_table.h"
#include "device/tals352.h"

namespace tals {

// What one decoding found: the readings of this very answer (none after any
// failure) and the answer's verdict (its Result is the link's to fill in).
struct TParsedAnswer
{
    TReadings Readings;
    TExchangeOutcome Outcome;
};

// The answer (with its CRC-16) to the request built for code. An answer from
// another address than the request's, with another function byte (exception
// answers aside) or, for a register read, another byte count is a failure
// (MismatchErrorCode) and decodes nothing. Without the request frame the
// address and function follow from the model and the code. Returns the
// readings decoded from this very answer and the verdict.
TParsedAnswer ParseAnswer(Ttals352 &model, const TBuffer &answer, quint8 code,
                          const TFrame &request = TFrame());

// The answer of the current meter of the second device type (with its CRC-8):
// sets the CurrentOutput holder in mA.
TParsedAnswer ParseZelvinAnswer(Ttals352 &model, const TBuffer &answer);

// The error code of an answer that does not belong to its request.
constexpr int kMismatchErrorCode = -5;
// The error code of a line failure before any answer could be judged (the
// request's echo did not come back as sent, or came back inside the answer).
constexpr int kLineErrorCode = -6;

// A failure of the line itself, counted against ErrorMax like a bad answer.
void ParseLineFailure(Ttals352 &model, const QString &text);

// The texts of the exchange status.
QString NormText();              // "Норма"
QString MismatchText();          // the answer does not belong to the request
QString ExceptionText(int code); // "Код N - ..." for every exception code
// Message of a black-box fault number.
QString BlackBoxMessage(int number);
// The black-box text of a status word: "%2d message" for the known fault
// numbers 1 to 11 of its low byte, otherwise the bits it sets by number
// ("Неизвестная ошибка, бит 8").
QString BlackBoxText(quint16 status);
// <program folder>/DATA/yyyy/mm/dd/BlackBox.txt for today.
QString BlackBoxPath();

} // namespace tals
