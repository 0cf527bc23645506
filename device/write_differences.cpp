#include "device/write_differences.h"

#include "device/command_table.h"
#include "device/tals352.h"

#include <algorithm>

namespace tals {

namespace {

// The single write of a register, or -1. The plant number goes through its
// own command, from PlantNumberNew.
int SingleWriteCode(const TPropertyInfo &p)
{
    return p.Id == TProp::PlantNumber ? cmd::WritePlantNumber : p.WriteCode;
}

// The block's registers that the device refuses on their own.
QList<TModelDifference> RefusedOf(Ttals352 &model, const QList<TModelDifference> &candidates,
                                  const TExchange &exchange)
{
    QList<TModelDifference> refused;
    for (const TModelDifference &d : candidates) {
        const TPropertyInfo *p = FindPropertyByName(d.Name.toLatin1().constData());
        const int code = p ? SingleWriteCode(*p) : -1;
        if (code < 0)
            continue;
        if (p->Id == TProp::PlantNumber)
            model.SetPlantNumberNew(model.PlantNumber());
        for (int k = 0; k < kSingleWriteAttempts; ++k) {
            const TExchangeOutcome outcome = exchange(quint8(code));
            if (outcome.Ok())
                break;
            if (outcome.RefusesValue()) {
                refused << d;
                break;
            }
        }
    }
    return refused.isEmpty() ? candidates : refused;
}

} // namespace

TWriteResult WriteDifferences(Ttals352 &model, const QList<TModelDifference> &differences,
                              TCompareScope scope, const TWriteSteps &steps)
{
    TWriteResult result;
    for (int code : CompareBlockWrites(scope)) {
        QList<TModelDifference> carried;
        std::copy_if(differences.begin(), differences.end(), std::back_inserter(carried),
                     [code](const TModelDifference &d) { return d.WriteCode == code; });
        if (carried.isEmpty())
            continue;
        result.Failure = steps.WriteBlock(quint8(code));
        if (result.Failure.Ok()) {
            result.Written << code;
            continue;
        }
        result.FailedBlock = code;
        if (result.Failure.RefusesValue())
            result.Refused = RefusedOf(model, carried, steps.Exchange);
        break;
    }
    return result;
}

} // namespace tals
