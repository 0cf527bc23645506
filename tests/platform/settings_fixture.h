#pragma once

#include "platform/format_settings.h"

#include <gtest/gtest.h>

namespace tals::test {

// Russian conventions: comma decimal separator, blank thousands separator.
inline TFormatSettings CommaSettings()
{
    TFormatSettings s;
    s.DecimalSeparator = QLatin1Char(',');
    s.ThousandSeparator = QLatin1Char(' ');
    s.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    s.LongTimeFormat = QStringLiteral("HH:mm:ss");
    s.CurrencyString = QStringLiteral("р.");
    s.CurrencyFormat = 3;
    s.NegCurrFormat = 8;
    return s;
}

// English conventions: point decimal separator, comma thousands separator.
inline TFormatSettings PointSettings()
{
    TFormatSettings s;
    s.DecimalSeparator = QLatin1Char('.');
    s.ThousandSeparator = QLatin1Char(',');
    s.ShortDateFormat = QStringLiteral("MM/dd/yyyy");
    s.LongTimeFormat = QStringLiteral("HH:mm:ss");
    s.CurrencyString = QStringLiteral("$");
    s.CurrencyFormat = 0;
    s.NegCurrFormat = 1;
    return s;
}

// Puts settings in force for one test and restores the previous ones.
class SettingsGuard
{
public:
    explicit SettingsGuard(const TFormatSettings &s) : m_saved(FormatSettings())
    {
        SetFormatSettings(s);
    }
    ~SettingsGuard() { SetFormatSettings(m_saved); }

private:
    TFormatSettings m_saved;
};

} // namespace tals::test
