#include "device/io_description.h"

#include "platform/ini_file.h"
#include "platform/paths.h"

namespace tals {

namespace {

QString StateKey(const char *array, int state)
{
    static const char *const names[3] = {"tsUnknown", "tsFalse", "tsTrue"};
    return QStringLiteral("%1[%2]").arg(QLatin1String(array), QLatin1String(names[state]));
}

} // namespace

void TDescriptionOfCustomValue::PlaceUnder(const TDescriptionOfCustomValue *parent)
{
    if (!parent)
        return;
    SetSection(parent->Section() + QLatin1Char('.') + Name());
    SetFileName(parent->FileName());
}

void TDescriptionOfCustomValue::Load()
{
    if (!HasLocation())
        return;
    TIniFile ini(FileName());
    Title = ini.ReadString(Section(), QStringLiteral("Title"), Title);
    Hint = ini.ReadString(Section(), QStringLiteral("Hint"), Hint);
}

void TDescriptionOfCustomValue::Save()
{
    if (!HasLocation())
        return;
    EnsureFile(FileName());
    TIniFile ini(FileName());
    ini.WriteString(Section(), QStringLiteral("Title"), Title);
    ini.WriteString(Section(), QStringLiteral("Hint"), Hint);
    ini.UpdateFile();
}

void TDescriptionOfCustomValue::Assign(const TDescriptionOfCustomValue &source)
{
    Title = source.Title;
    Hint = source.Hint;
}

void TDescriptionOfDouble::SetMin(double value)
{
    if (!(value > m_max))
        m_min = value;
}

void TDescriptionOfDouble::SetMax(double value)
{
    if (!(value < m_min))
        m_max = value;
}

void TDescriptionOfDouble::SetRange(double newMin, double newMax)
{
    if (newMin > newMax)
        return;
    m_min = newMin;
    m_max = newMax;
}

void TDescriptionOfDouble::Load()
{
    TDescriptionOfValue::Load();
    if (!HasLocation())
        return;
    TIniFile ini(FileName());
    const double min = ini.ReadFloat(Section(), QStringLiteral("Min"), m_min);
    const double max = ini.ReadFloat(Section(), QStringLiteral("Max"), m_max);
    SetRange(min, max);
    // A missing format key means scientific, not the current format.
    Format = static_cast<quint8>(ini.ReadInteger(Section(), QStringLiteral("Format"), 1));
    Dimension = ini.ReadString(Section(), QStringLiteral("Dimension"), Dimension);
    Precision =
        static_cast<quint8>(ini.ReadInteger(Section(), QStringLiteral("Precision"), Precision));
    Digits = static_cast<quint8>(ini.ReadInteger(Section(), QStringLiteral("Digits"), Digits));
}

void TDescriptionOfDouble::Save()
{
    TDescriptionOfValue::Save();
    if (!HasLocation())
        return;
    TIniFile ini(FileName());
    ini.WriteFloat(Section(), QStringLiteral("Max"), m_max);
    ini.WriteFloat(Section(), QStringLiteral("Min"), m_min);
    ini.WriteString(Section(), QStringLiteral("Dimension"), Dimension);
    ini.WriteInteger(Section(), QStringLiteral("Format"), Format);
    ini.WriteInteger(Section(), QStringLiteral("Precision"), Precision);
    ini.WriteInteger(Section(), QStringLiteral("Digits"), Digits);
    ini.UpdateFile();
}

void TDescriptionOfDouble::Assign(const TDescriptionOfCustomValue &source)
{
    TDescriptionOfValue::Assign(source);
    if (const auto *other = dynamic_cast<const TDescriptionOfDouble *>(&source)) {
        Dimension = other->Dimension;
        m_min = other->m_min;
        m_max = other->m_max;
        Format = other->Format;
        Precision = other->Precision;
        Digits = other->Digits;
    }
}

void TDescriptionOfThreeStates::SetCaptions(const QString &unknown, const QString &off,
                                            const QString &on)
{
    Captions = {unknown, off, on};
}

void TDescriptionOfThreeStates::SetColors1(TColor unknown, TColor off, TColor on)
{
    Color1 = {unknown, off, on};
}

void TDescriptionOfThreeStates::SetColors2(TColor unknown, TColor off, TColor on)
{
    Color2 = {unknown, off, on};
}

void TDescriptionOfThreeStates::SetCaption(TThreeStates state, const QString &text)
{
    if (state >= tsUnknown && state <= tsTrue)
        Captions[state] = text;
}

void TDescriptionOfThreeStates::Load()
{
    TDescriptionOfValue::Load();
    if (!HasLocation())
        return;
    TIniFile ini(FileName());
    for (int s = 0; s < 3; ++s)
        Captions[s] = ini.ReadString(Section(), StateKey("Captions", s), Captions[s]);
    for (int s = 0; s < 3; ++s)
        Color1[s] = static_cast<TColor>(
            ini.ReadInteger(Section(), StateKey("Color1", s), static_cast<qint32>(Color1[s])));
    for (int s = 0; s < 3; ++s)
        Color2[s] = static_cast<TColor>(
            ini.ReadInteger(Section(), StateKey("Color2", s), static_cast<qint32>(Color2[s])));
}

void TDescriptionOfThreeStates::Save()
{
    TDescriptionOfValue::Save();
    if (!HasLocation())
        return;
    TIniFile ini(FileName());
    for (int s = 0; s < 3; ++s)
        ini.WriteString(Section(), StateKey("Captions", s), Captions[s]);
    // Colours are written as signed decimals: 0x8000000F is -2147483633.
    for (int s = 0; s < 3; ++s)
        ini.WriteInteger(Section(), StateKey("Color1", s), static_cast<qint32>(Color1[s]));
    for (int s = 0; s < 3; ++s)
        ini.WriteInteger(Section(), StateKey("Color2", s), static_cast<qint32>(Color2[s]));
    ini.UpdateFile();
}

void TDescriptionOfThreeStates::Assign(const TDescriptionOfCustomValue &source)
{
    TDescriptionOfValue::Assign(source);
    if (const auto *other = dynamic_cast<const TDescriptionOfThreeStates *>(&source)) {
        Captions = other->Captions;
        Color1 = other->Color1;
        Color2 = other->Color2;
    }
}

} // namespace tals
