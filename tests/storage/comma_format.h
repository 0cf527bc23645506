#pragma once

#include "platform/format_settings.h"

namespace tals::test {

// Russian conventions (comma decimal separator, dd.MM.yyyy HH:mm:ss) for
// the lifetime of the object; the previous settings come back afterwards.
class CommaFormat
{
public:
    CommaFormat() : m_saved(FormatSettings())
    {
        TFormatSettings ru = m_saved;
        ru.DecimalSeparator = QLatin1Char(',');
        ru.ThousandSeparator = QChar(0x00A0);
        ru.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
        ru.LongTimeFormat = QStringLiteral("HH:mm:ss");
        SetFormatSettings(ru);
    }
    ~CommaFormat() { SetFormatSettings(m_saved); }
    CommaFormat(const CommaFormat &) = delete;
    CommaFormat &operator=(const CommaFormat &) = delete;

private:
    TFormatSettings m_saved;
};

} // namespace tals::test
