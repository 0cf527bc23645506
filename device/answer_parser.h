#pragma once

// Validates an answer of the transducer and decodes it into the model, keeping
// the exchange status (ErrorCode, ErrorText, FailureCount, LinkState). Runs on
// the user-interface thread. Never reads beyond the answer's end.

#include "device/tals352.h"

namespace tals {

// The answer (with its CRC-16) to the request built for code.
void ParseAnswer(Ttals352 &model, const TBuffer &answer, quint8 code);

// The answer of the current meter of the second device type (with its CRC-8):
// sets the CurrentOutput holder in mA.
void ParseZelvinAnswer(Ttals352 &model, const TBuffer &answer);

// The texts of the exchange status.
QString NormText();              // "Норма"
QString ExceptionText(int code); // code 1 to 4, else empty
// Message of a black-box fault number.
QString BlackBoxMessage(int number);
// <program folder>/DATA/yyyy/mm/dd/BlackBox.txt for today.
QString BlackBoxPath();

} // namespace tals
