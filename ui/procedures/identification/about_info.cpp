#include "ui/procedures/identification/about_info.h"

#include <QStringList>

namespace tals {

TVersionRecord BuildVersionRecord()
{
    TVersionRecord record;
#ifdef TALS_VERSION
    record.Present = true;
    record.FileVersion = FourPartVersion(QStringLiteral(TALS_VERSION));
#endif
    return record;
}

QString VersionText(const TVersionRecord &record)
{
    QString text = QStringLiteral("1.0.0.0");
    if (!record.Present)
        return text;
    text = record.FileVersion.size() < 2 ? QStringLiteral("0.0.0.0") : record.FileVersion;
    if (record.ProductName.size() > 1)
        text = record.ProductName.trimmed() + QLatin1Char(' ') + text.trimmed();
    return text.trimmed();
}

QString FourPartVersion(const QString &version)
{
    QStringList parts = version.trimmed().split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.size() > 4)
        return version;
    for (const QString &part : parts) {
        bool ok = false;
        part.toUInt(&ok);
        if (!ok)
            return version;
    }
    while (parts.size() < 4)
        parts << QStringLiteral("0");
    return parts.join(QLatin1Char('.'));
}

QDateTime BuildTimeStamp()
{
#ifdef TALS_BUILD_TIME
    // An ISO time with "Z": universal time.
    return QDateTime::fromString(QStringLiteral(TALS_BUILD_TIME), Qt::ISODate);
#else
    return {};
#endif
}

QString BuildDateText(const QDateTime &stamp, const TFormatSettings &settings)
{
    if (!stamp.isValid())
        return {};
    const QDateTime local = stamp.toLocalTime();
    return local.date().toString(settings.ShortDateFormat) + QLatin1Char(' ') +
           local.time().toString(settings.LongTimeFormat);
}

} // namespace tals
