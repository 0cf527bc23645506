#pragma once

// What the scheduler needs of the device model, all of it called on the
// user-interface thread (the worker hands each call over and waits): build a
// request for a command code, decode an answer into the model, and the in-use
// flag and caption for the device list. Decoding returns the exchange status
// and the readings of that very answer as plain values, so the worker never
// reads the model. TTals352Link adapts the transducer model; tests use fakes.

#include "device/exchange_outcome.h"
#include "device/reading_table.h"
#include "device/tals352.h"
#include "protocol/frame.h"

#include <QString>

namespace tals {

// The outcome of one decoding.
struct TDecoded
{
    int ErrorCode = -1;
    int LinkState = 0; // 1 after a decoded answer, 2 after a reported failure
    TReadings Readings;
    TExchangeOutcome Outcome; // the answer's verdict
};

class TLinkDevice
{
public:
    virtual ~TLinkDevice() = default;

    // The request frame for the code, without checksum; not Ok when the code
    // has no request or building failed.
    virtual Ttals352::TRequest BuildRequest(quint8 code) = 0;
    // Decoding of the answer to request (built for code) into the model.
    virtual TDecoded ParseAnswer(const TFrame &request, const TBuffer &answer, quint8 code) = 0;
    virtual TDecoded ParseZelvinAnswer(const TBuffer &answer) = 0;
    // A failure of the line before any answer (the request's echo), counted
    // like a bad answer with its own text.
    virtual TDecoded ParseLineFailure(const QString &text)
    {
        (void)text;
        return TDecoded();
    }
    // The transducer entry of the device list is polled.
    virtual bool Enabled() const = 0;
    virtual QString Caption() const = 0;
};

} // namespace tals
