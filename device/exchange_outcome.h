#pragma once

// What one exchange with the transducer came to, as a value: the answer's own
// verdict (decoded, refused with an exception code, a status word, no answer
// and why) beside the command's result as ExecuteCommand gives it. The
// windows and the command-line tool turn it into their messages.

#include <QString>

namespace tals {

enum class TExchangeStatus {
    Ok,           // the answer was decoded
    NoAnswer,     // nothing came back, or the request could not be made or sent
    BadAnswer,    // too short for its command or a wrong checksum
    Mismatch,     // an answer that does not belong to its request
    Refused,      // the device's exception answer
    DeviceStatus, // a readings answer with a non-zero status word
};

struct TExchangeOutcome
{
    TExchangeStatus Status = TExchangeStatus::NoAnswer;
    int Exception = 0;      // Refused: the exception code
    quint16 StatusWord = 0; // DeviceStatus: the word the device sent
    QString Reason;         // NoAnswer: why, when known (a port error)
    QString Warning;        // the request's note for the operator, sent regardless
    // 0 on success, -1 for no answer or a failure before or while sending,
    // else the model's ErrorCode (failures below ErrorMax still give 0).
    int Result = -1;

    bool Ok() const { return Result == 0; }
    bool Answered() const { return Status != TExchangeStatus::NoAnswer; }
    // The device refuses the register or its value (exception 2 or 3).
    bool RefusesValue() const
    {
        return Status == TExchangeStatus::Refused && (Exception == 2 || Exception == 3);
    }
};

} // namespace tals
