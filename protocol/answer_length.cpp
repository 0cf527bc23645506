#include "protocol/answer_length.h"

#include "protocol/frame.h"

namespace tals {

namespace {

constexpr int kChecksum = 2;

// Identification answer: address, 2B, 0E, read code, conformity, more
// follows, next object, object count, then per object id, length, text.
int IdentificationLength(const QByteArray &received)
{
    constexpr int kHead = 8;
    if (received.size() < kHead)
        return 0;
    const int objects = ByteAt(received, 7);
    int position = kHead;
    for (int i = 0; i < objects; ++i) {
        if (received.size() < position + 2)
            return 0;
        position += 2 + ByteAt(received, position + 1);
    }
    return position + kChecksum;
}

// Function 16 shares its byte with a service function: a register write is
// address, 10, start, count, byte count, data, checksum.
bool IsRegisterWrite(const QByteArray &request)
{
    return request.size() >= 9 && request.size() == 9 + ByteAt(request, 6);
}

} // namespace

int AnswerLength(const QByteArray &request, const QByteArray &received)
{
    if (request.size() < 2 || ByteAt(request, 0) == 0)
        return kNoAnswerLengthRule; // nothing to go by, or nobody answers a broadcast
    // Only the Modbus functions have a known answer; the service protocol
    // shares some function bytes (and uses others with bit 7 set).
    const quint8 function = ByteAt(request, 1);
    const bool modbus = function == kFnReadHolding || function == kFnReadInput ||
                        function == kFnWriteSingle ||
                        (function == kFnWriteMultiple && IsRegisterWrite(request)) ||
                        (function == kFnIdentification && request.size() > 2 &&
                         ByteAt(request, 2) == kMeiReadIdentification);
    if (received.size() < 2)
        return 0;
    const quint8 answered = ByteAt(received, 1);
    if (answered == kFnErrorAnswer)
        return 6;
    if (!modbus)
        return kNoAnswerLengthRule;
    if (answered == (function | 0x80))
        return 5;
    if (answered != function)
        return kNoAnswerLengthRule;
    switch (function) {
    case kFnReadHolding:
    case kFnReadInput:
        return received.size() < 3 ? 0 : 3 + ByteAt(received, 2) + kChecksum;
    case kFnIdentification:
        return IdentificationLength(received);
    default: // the write echo
        return 8;
    }
}

int CompleteAnswerLength(const QByteArray &request, const QByteArray &received)
{
    const int length = AnswerLength(request, received);
    if (length <= 0 || received.size() < length)
        return 0;
    return CheckCrc16Frame(received.left(length)) ? length : 0;
}

} // namespace tals
