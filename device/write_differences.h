#pragma once

// Writing a model into the device group by group: only the block writes that
// carry a difference, in the write-all's order, and after a block the device
// refuses, the single writes of its registers tell which ones it refuses.
// The exchanges are the caller's: the program's come with its progress
// window, the tool's with its own repeats.

#include "device/exchange_outcome.h"
#include "device/model_compare.h"

#include <functional>

namespace tals {

class Ttals352;

using TExchange = std::function<TExchangeOutcome(quint8 code)>;

struct TWriteSteps
{
    TExchange WriteBlock; // one block write with the caller's repeats
    TExchange Exchange;   // one exchange, for the single writes
};

struct TWriteResult
{
    QList<int> Written;       // the block writes the device took
    int FailedBlock = -1;     // the block it did not take; writing stopped there
    TExchangeOutcome Failure; // that block's last outcome
    // After a refusal (exception 2 or 3): the block's registers the device
    // refuses on their own, all of them when the single writes do not tell.
    QList<TModelDifference> Refused;
    bool Ok() const { return FailedBlock < 0; }
};

// Attempts of a single write; a lost answer is tried again, a refusal is the
// device's last word.
constexpr int kSingleWriteAttempts = 5;

// Writes the blocks of the scope that carry one of the differences (in the
// write-all's order, stopping at the first the device does not take), from
// the model the exchanges build their requests from.
TWriteResult WriteDifferences(Ttals352 &model, const QList<TModelDifference> &differences,
                              TCompareScope scope, const TWriteSteps &steps);

} // namespace tals
