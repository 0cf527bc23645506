#include "device/array_dumps.h"

#include "device/tals352.h"
#include "platform/number_format.h"
#include "protocol/frame.h"

#include <cmath>

namespace tals {

namespace {

QString Number(double value)
{
    return FormatFloat(QStringLiteral("%20.5f"), value);
}

} // namespace

QStringList SignalDumpLines(Ttals352 &model)
{
    QStringList lines;
    lines.reserve(Ttals352::kSignalSize + 3);
    lines << QStringLiteral("Заводской номер ") + QString::number(model.PlantNumber());
    lines << model.Distance().FormatValue(true, true);
    lines << QStringLiteral("Точка Значение");
    for (int n = 1; n <= Ttals352::kSignalSize; ++n)
        lines << PadLeft(QString::number(n), 5) +
                     PadLeft(QString::number(model.SignalArray[std::size_t(n - 1)]), 9);
    return lines;
}

QStringList SpectrumDumpLines(Ttals352 &model)
{
    const double maximum = model.SpectrumMax();
    QStringList lines;
    lines << QStringLiteral("Точка            Значение            Значение Макс") + Number(maximum);
    if (maximum == 0)
        return lines;
    for (int n = 1; n <= Ttals352::kSpectrumSize; ++n) {
        const double value = model.SpectrumArray[std::size_t(n - 1)];
        // The logarithm of 0 has no finite value: a text no reader takes for a number.
        QString decibels;
        if (value > 0)
            decibels = Number(10 * std::log10(value / maximum));
        else
            decibels = PadLeft(value == 0 ? QStringLiteral("-inf") : QStringLiteral("nan"), 20);
        lines << PadLeft(QString::number(n), 5) + Number(value) + decibels;
    }
    return lines;
}

QStringList DeviceReportLines(Ttals352 &model)
{
    const QString stars(65, QLatin1Char('*'));
    auto line = [](const char *label, const QString &value) {
        return QString::fromUtf8(label).leftJustified(32, QLatin1Char(' ')) + PadLeft(value, 30);
    };
    auto integer = [](double v) { return QString::number(qint64(v)); };
    auto real = [](double v) { return FloatToStrF(v, ffNumber, 9, 0); };
    return {stars,
            QStringLiteral(" ТАЛС352И "),
            stars,
            line(" Системный адрес", integer(model.SystemAddress())),
            line(" Заводской номер", integer(model.PlantNumber())),
            line(" Аппаратная версия", integer(model.HardVersionNumber())),
            line(" Программная версия", integer(model.SoftVersionNumber())),
            line(" H max", real(model.Hmax())),
            line(" L max", real(model.Lmax())),
            line(" Коэффициент сглаживания", real(model.KKalman())),
            line(" Крутизна хар-ки преобр-ния", real(model.KrPer())),
            line(" Смещение нуля", real(model.SmPer())),
            stars};
}

} // namespace tals
