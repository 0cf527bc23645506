#pragma once

// Turns a command code into its request frame, without the checksum (the
// serial link appends the CRC-16). Codes 0 to 152 are Modbus RTU requests over
// the register map of register_table.h, 153 to 252 the transducer's service
// protocol. Reads the model; sets only LastCommandCode and the service-protocol
// bytes (and empties the signature for code 1).

#include "device/tals352.h"

namespace tals {

// The text of a failed build.
QString RequestBuildErrorText();

// Builds the request for a code; codes 253 and above (and anything outside a
// byte) fail with RequestBuildErrorText(). LastCommandCode is set first. A
// service array block read with no initialisation or a block index out of
// range carries a warning for the operator and is built regardless.
Ttals352::TRequest BuildRequest(Ttals352 &model, int code);

// Modbus function of a code's request (3, 4, 16, 43 or the service function
// byte), or -1 for a code without a request.
int RequestFunction(int code);

// The registers of a value, most significant first.
void EncodeRegisters(TEncoding encoding, const TVariant &value, QByteArray &out);

} // namespace tals
