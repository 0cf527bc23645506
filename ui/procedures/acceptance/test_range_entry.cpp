#include "ui/procedures/acceptance/test_range_entry.h"

#include "device/test_distances.h"
#include "ui/application/main_services.h"

#include <QString>

#include <cmath>

namespace tals {

namespace {

bool AskMillimetres(TUserInput &input, const QString &name, int &value, int maximum)
{
    return input.TryInputInteger(QStringLiteral("Введите"),
                                 QStringLiteral("%1, мм [1, %2]").arg(name).arg(maximum), value, 1,
                                 maximum);
}

} // namespace

bool AskTestStart(TUserInput &input, TTestDistances &steps, int limit)
{
    int value = int(std::lround(steps.StartDistance()));
    if (!AskMillimetres(input, QStringLiteral("Начало"), value, limit - 1))
        return false;
    steps.SetRange(steps.StopDistance(), value);
    return true;
}

bool AskTestStop(TUserInput &input, TTestDistances &steps, int limit)
{
    int value = int(std::lround(steps.StopDistance()));
    if (!AskMillimetres(input, QStringLiteral("Конец"), value, limit))
        return false;
    steps.SetRange(value, steps.StartDistance());
    return true;
}

bool AskTestOffset(TUserInput &input, TTestDistances &steps)
{
    int value = int(std::lround(steps.Offset()));
    if (!AskMillimetres(input, QStringLiteral("Смещение"), value, 1000))
        return false;
    steps.SetOffset(value);
    return true;
}

} // namespace tals
