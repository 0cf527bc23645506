#include "platform/format_settings.h"

#include <QLocale>
#include <QMutex>

#include <optional>

namespace tals {

namespace {

QMutex settingsMutex;
std::optional<TFormatSettings> settingsInForce;

// Qt's long time format may carry the time zone ("t"); journals and files
// want the plain clock time.
QString PlainTimeFormat(QString format)
{
    format.remove(QLatin1Char('t'));
    format.remove(QStringLiteral("AP"), Qt::CaseInsensitive);
    return format.trimmed();
}

TFormatSettings FromLocale(const QLocale &locale)
{
    TFormatSettings s;
    const QString decimal = locale.decimalPoint();
    s.DecimalSeparator = decimal.isEmpty() ? QLatin1Char('.') : decimal.at(0);
    const QString group = locale.groupSeparator();
    s.ThousandSeparator = group.isEmpty() ? QChar() : group.at(0);
    if (s.ThousandSeparator == s.DecimalSeparator)
        s.ThousandSeparator = QChar();
    s.ShortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    // Four-digit years in every date shown or archived.
    if (!s.ShortDateFormat.contains(QStringLiteral("yyyy")))
        s.ShortDateFormat.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    s.LongTimeFormat = PlainTimeFormat(locale.timeFormat(QLocale::LongFormat));
    if (s.LongTimeFormat.isEmpty())
        s.LongTimeFormat = QStringLiteral("HH:mm:ss");
    s.CurrencyString = locale.currencySymbol(QLocale::CurrencySymbol);
    const QString sample = locale.toCurrencyString(1.0, QStringLiteral("\x01"));
    const qsizetype mark = sample.indexOf(QChar(1));
    if (mark >= 0) {
        const bool before = mark < sample.indexOf(QLatin1Char('1'));
        const bool spaced = sample.contains(QChar(0x00A0)) || sample.contains(QChar(0x202F)) ||
                            sample.contains(QLatin1Char(' '));
        s.CurrencyFormat = before ? (spaced ? 2 : 0) : (spaced ? 3 : 1);
        s.NegCurrFormat = before ? (spaced ? 9 : 1) : (spaced ? 8 : 5);
    }
    s.CurrencyDecimals = 2;
    return s;
}

} // namespace

const TFormatSettings &FormatSettings()
{
    QMutexLocker lock(&settingsMutex);
    if (!settingsInForce)
        settingsInForce = FromLocale(QLocale::system());
    return *settingsInForce;
}

void SetFormatSettings(const TFormatSettings &settings)
{
    QMutexLocker lock(&settingsMutex);
    settingsInForce = settings;
}

TFormatSettings LocaleFormatSettings(const QString &localeName)
{
    return FromLocale(QLocale(localeName));
}

} // namespace tals
