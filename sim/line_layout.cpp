#include "sim/line_layout.h"

#include "sim/sim_transducer.h"

#include <QStringList>

namespace tals {

std::optional<TSimDeviceSpec> ParseSimDeviceSpec(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    bool okAddress = false, okPlant = false;
    const int address = parts[0].toInt(&okAddress);
    const int plant = parts[1].toInt(&okPlant);
    if (!okAddress || !okPlant || address < 1 || address > 247 || plant < 0 || plant > 65535)
        return std::nullopt;
    return TSimDeviceSpec{static_cast<quint8>(address), static_cast<quint16>(plant)};
}

std::optional<TSimEcho> ParseSimEcho(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    bool okMm = false, okDb = false;
    const double mm = parts[0].toDouble(&okMm);
    const double db = parts[1].toDouble(&okDb);
    if (!okMm || !okDb || !(mm >= 0 && mm <= 100000) || !(db >= -120 && db <= 20))
        return std::nullopt;
    return TSimEcho{mm, db};
}

void LayOutSimLine(TSimTransducer &sim, int count, const std::vector<TSimDeviceSpec> &named)
{
    auto rest = named.begin();
    if (!named.empty() && count <= 1) {
        sim.SetAddress(named.front().Address);
        sim.SetPlantNumber(named.front().PlantNumber);
        ++rest;
        sim.SetDeviceCount(1);
    } else {
        sim.SetDeviceCount(count);
    }
    for (; rest != named.end(); ++rest)
        sim.AddDevice(rest->Address, rest->PlantNumber);
}

} // namespace tals
