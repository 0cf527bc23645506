#pragma once

// What the scheduler needs of the device model: build a request for a command
// code, decode an answer (on the user-interface thread), the exchange status,
// the in-use flag and caption for the device list, and the reading values it
// archives. TTals352Link adapts the transducer model; tests use fakes.

#include "protocol/frame.h"

#include <QString>

namespace tals {

class TLinkDevice
{
public:
    virtual ~TLinkDevice() = default;

    // The request frame for the code, without checksum; false when the code
    // has no request or building failed. Runs on the calling thread.
    virtual bool BuildRequest(quint8 code, TFrame &frame) = 0;
    // Decoding into the model; called on the user-interface thread only.
    virtual void ParseAnswer(const TBuffer &answer, quint8 code) = 0;
    virtual void ParseZelvinAnswer(const TBuffer &answer) = 0;
    virtual int ErrorCode() const = 0;
    // 1 after a decoded answer, 2 after a reported failure.
    virtual int LinkState() const = 0;
    // The transducer entry of the device list is polled.
    virtual bool Enabled() const = 0;
    virtual QString Caption() const = 0;
    // The output of the reading kept under an archive name ("Distance",
    // "LevelBusy", "LevelFree", "TmpOfSensor", "TestDistance",
    // "TestDistanceFlt", "CurrentOutput"); false for another name.
    virtual bool ReadingValue(const QString &archiveName, double &value) const = 0;
};

} // namespace tals
