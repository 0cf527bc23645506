#pragma once

// The user's number, date and currency conventions, taken from the system
// locale once and shared by every text rendering of numbers and dates.

#include <QChar>
#include <QString>

namespace tals {

struct TFormatSettings
{
    QChar DecimalSeparator = QLatin1Char('.');
    QChar ThousandSeparator = QLatin1Char(','); // a null QChar means none
    // Date and time patterns in Qt's QDate/QTime::toString form.
    QString ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    QString LongTimeFormat = QStringLiteral("HH:mm:ss");
    QString CurrencyString;
    // Placement of the currency string for positive amounts:
    // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
    int CurrencyFormat = 3;
    // Placement for negative amounts, the 16 conventional variants:
    // 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", 4 "(1$)", 5 "-1$", 6 "1-$", 7 "1$-",
    // 8 "-1 $", 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1", 13 "1- $", 14 "($ 1)", 15 "(1 $)".
    int NegCurrFormat = 8;
    int CurrencyDecimals = 2;
};

// The settings in force: those of QLocale::system() taken at first use,
// unless SetFormatSettings replaced them.
const TFormatSettings &FormatSettings();
// Replaces the settings in force (tests, or a forced locale); meant for
// start-up and tests, before other threads format numbers.
void SetFormatSettings(const TFormatSettings &settings);
// The settings of the given locale name ("ru_RU", "C"); used by tests.
TFormatSettings LocaleFormatSettings(const QString &localeName);

} // namespace tals
