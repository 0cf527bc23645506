#include "sim/sim_control.h"

#include "sim/line_layout.h"
#include "sim/sim_transducer.h"

#include <QStringList>

#include <cmath>
#include <functional>
#include <optional>
#include <vector>

namespace tals {

namespace {

QString Error(const QString &why)
{
    return QStringLiteral("ошибка: ") + why;
}

std::optional<double> Number(const QString &text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> Integer(const QString &text, int min, int max)
{
    bool ok = false;
    const int v = text.toInt(&ok, 0);
    if (!ok || v < min || v > max)
        return std::nullopt;
    return v;
}

std::optional<TSimFaultKind> FaultKind(const QString &name)
{
    static const std::pair<const char *, TSimFaultKind> kinds[] = {
        {"silence", TSimFaultKind::Silence},   {"truncate", TSimFaultKind::Truncate},
        {"bad-crc", TSimFaultKind::BadCrc},    {"exception", TSimFaultKind::Exception},
        {"status", TSimFaultKind::StatusWord}, {"gaps", TSimFaultKind::ByteGaps},
        {"overlong", TSimFaultKind::Overlong}, {"error-answer", TSimFaultKind::ErrorAnswer},
    };
    for (const auto &[text, kind] : kinds)
        if (name == QLatin1String(text))
            return kind;
    return std::nullopt;
}

// The devices at `address`, or every device for -1.
std::vector<TSimTransducer *> Devices(TSimTransducer &line, int address)
{
    std::vector<TSimTransducer *> devices;
    for (int i = 0; i < line.DeviceCount(); ++i) {
        TSimTransducer &d = line.Device(i);
        if (address < 0 || d.Address() == address)
            devices.push_back(&d);
    }
    return devices;
}

} // namespace

QString ExecuteSimCommand(TSimTransducer &line, const QString &command)
{
    QStringList words = command.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return Error(QStringLiteral("пустая команда"));
    const QString name = words.takeFirst().toLower();

    // A trailing address, where the command takes one.
    int address = -1;
    auto takeAddress = [&](int arguments) -> bool {
        if (words.size() == arguments + 1) {
            QString a = words.takeLast();
            if (a.startsWith(QLatin1Char('@')))
                a.remove(0, 1);
            const auto v = Integer(a, 1, 247);
            if (!v)
                return false;
            address = *v;
        }
        return words.size() == arguments;
    };
    auto apply = [&](const std::function<void(TSimTransducer &)> &change) {
        const auto devices = Devices(line, address);
        if (devices.empty())
            return Error(QStringLiteral("нет прибора с адресом %1").arg(address));
        for (TSimTransducer *d : devices)
            change(*d);
        return QStringLiteral("ok");
    };
    auto valueCommand = [&](const QString &what, const std::function<bool(double)> &valid,
                            const std::function<void(TSimTransducer &, double)> &set) {
        if (!takeAddress(1))
            return Error(QStringLiteral("ожидается: %1 ЗНАЧЕНИЕ [АДРЕС]").arg(what));
        const auto v = Number(words[0]);
        if (!v || !valid(*v))
            return Error(QStringLiteral("недопустимое значение «%1»").arg(words[0]));
        return apply([&](TSimTransducer &d) { set(d, *v); });
    };
    auto any = [](double) { return true; };

    if (name == QLatin1String("target"))
        return valueCommand(
            name, [](double v) { return v >= 0 && v <= 100000; },
            [](TSimTransducer &d, double v) { d.SetDistance(v); });
    if (name == QLatin1String("move")) {
        if (!takeAddress(0))
            return Error(QStringLiteral("ожидается: move [АДРЕС]"));
        return apply([](TSimTransducer &d) { d.SetLevelMotion(true); });
    }
    if (name == QLatin1String("error-slope"))
        return valueCommand(
            name, [](double v) { return v > 0; },
            [](TSimTransducer &d, double v) { d.SetErrorSlope(v); });
    if (name == QLatin1String("error-offset"))
        return valueCommand(name, any, [](TSimTransducer &d, double v) { d.SetErrorOffset(v); });
    if (name == QLatin1String("phase-slope"))
        return valueCommand(name, any, [](TSimTransducer &d, double v) { d.SetPhaseSlope(v); });
    if (name == QLatin1String("phase-offset"))
        return valueCommand(name, any, [](TSimTransducer &d, double v) { d.SetPhaseOffset(v); });
    if (name == QLatin1String("noise"))
        return valueCommand(
            name, [](double v) { return v >= 0 && v <= 10000; },
            [](TSimTransducer &d, double v) { d.SetNoise(v); });
    if (name == QLatin1String("status")) {
        if (!takeAddress(1))
            return Error(QStringLiteral("ожидается: status СЛОВО [АДРЕС]"));
        const auto word = Integer(words[0], 0, 65535); // decimal or 0x...
        if (!word)
            return Error(QStringLiteral("недопустимое слово состояния «%1»").arg(words[0]));
        return apply([&](TSimTransducer &d) { d.SetStatusWord(quint16(*word)); });
    }

    if (name == QLatin1String("echo")) {
        if (!takeAddress(1))
            return Error(QStringLiteral("ожидается: echo ММ:ДБ [АДРЕС] или echo off"));
        if (words[0] == QLatin1String("off"))
            return apply([](TSimTransducer &d) { d.ClearEchoes(); });
        const auto echo = ParseSimEcho(words[0]);
        if (!echo)
            return Error(QStringLiteral("ожидается ММ:ДБ, например 4000:-20"));
        return apply([&](TSimTransducer &d) { d.AddEcho(*echo); });
    }
    if (name == QLatin1String("fault")) {
        if (!words.isEmpty() && words.last().startsWith(QLatin1Char('@'))) {
            const auto a = Integer(words.last().mid(1), 1, 247);
            if (!a)
                return Error(QStringLiteral("недопустимый адрес «%1»").arg(words.last()));
            address = *a;
            words.removeLast();
        }
        if (words.isEmpty() || words.size() > 3)
            return Error(QStringLiteral("ожидается: fault ВИД [ЗНАЧЕНИЕ [РАЗ]] [@АДРЕС]"));
        const auto kind = FaultKind(words[0].toLower());
        if (!kind)
            return Error(QStringLiteral("неизвестный вид неисправности «%1»").arg(words[0]));
        const auto value = words.size() > 1 ? Integer(words[1], 0, 65535) : std::optional<int>(0);
        const auto times = words.size() > 2 ? Integer(words[2], 1, 10000) : std::optional<int>(1);
        if (!value || !times)
            return Error(QStringLiteral("недопустимое число"));
        return apply([&](TSimTransducer &d) { d.InjectFault({*kind, *value}, *times); });
    }
    return Error(QStringLiteral("неизвестная команда «%1»").arg(name));
}

} // namespace tals
