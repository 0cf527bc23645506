#pragma once

// Descriptions of values: title and hint, and for real readings the unit, the
// range and the number format; for three-state values the captions and
// colours of each state. A description can be read from and written to an
// INI file section.

#include <QString>

#include <array>

namespace tals {

class TDescriptionOfCustomValue
{
public:
    TDescriptionOfCustomValue()
        : TDescriptionOfCustomValue(QStringLiteral("DescriptionOfCustomValue"))
    {}
    virtual ~TDescriptionOfCustomValue() = default;
    TDescriptionOfCustomValue(const TDescriptionOfCustomValue &) = delete;
    TDescriptionOfCustomValue &operator=(const TDescriptionOfCustomValue &) = delete;

    QString Title;
    QString Hint;

    const QString &Name() const { return m_name; }
    const QString &FileName() const { return m_fileName; }
    const QString &Section() const { return m_section; }
    virtual void SetName(const QString &name) { m_name = name; }
    virtual void SetFileName(const QString &fileName) { m_fileName = fileName; }
    virtual void SetSection(const QString &section) { m_section = section; }

    // Section becomes the parent's section + "." + own name, in the parent's file.
    virtual void PlaceUnder(const TDescriptionOfCustomValue *parent);
    // Read from / write to FileName, section Section. Both do nothing while
    // either is empty.
    virtual void Load();
    virtual void Save();

    // Copies Title and Hint (not the name and INI location).
    virtual void Assign(const TDescriptionOfCustomValue &source);

protected:
    explicit TDescriptionOfCustomValue(const QString &name) : m_name(name) {}
    bool HasLocation() const { return !m_fileName.isEmpty() && !m_section.isEmpty(); }

private:
    QString m_name;
    QString m_fileName;
    QString m_section;
};

class TDescriptionOfValue : public TDescriptionOfCustomValue
{
public:
    TDescriptionOfValue() : TDescriptionOfCustomValue(QStringLiteral("DescriptionOfValue")) {}

protected:
    explicit TDescriptionOfValue(const QString &name) : TDescriptionOfCustomValue(name) {}
};

// Number format codes of FormatValue.
enum TNumberFormat : quint8 {
    nfGeneral = 0,
    nfExponent = 1,
    nfFixed = 2,
    nfNumber = 3,
    nfCurrency = 4
};

class TDescriptionOfDouble : public TDescriptionOfValue
{
public:
    TDescriptionOfDouble() = default;

    QString Dimension;
    quint8 Format = nfGeneral;
    quint8 Precision = 9;
    quint8 Digits = 2;

    double Min() const { return m_min; }
    double Max() const { return m_max; }
    // Each refuses, silently, a change that would put Min above Max.
    void SetMin(double value);
    void SetMax(double value);
    void SetRange(double newMin, double newMax);

    void Load() override;
    void Save() override;
    void Assign(const TDescriptionOfCustomValue &source) override;

private:
    double m_min = 0.0;
    double m_max = 100.0;
};

enum TThreeStates { tsUnknown = 0, tsFalse = 1, tsTrue = 2 };

// A colour: 0x00BBGGRR, or 0x80000000 plus a system colour index.
using TColor = quint32;
constexpr TColor clGray = 0x808080;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBtnFace = 0x8000000F;

class TDescriptionOfThreeStates : public TDescriptionOfValue
{
public:
    TDescriptionOfThreeStates() : TDescriptionOfValue(QStringLiteral("DescriptionOfThreeStates")) {}

    std::array<QString, 3> Captions{QStringLiteral("Unknown"), QStringLiteral("Off"),
                                    QStringLiteral("On")};
    std::array<TColor, 3> Color1{clGray, clRed, clLime};
    std::array<TColor, 3> Color2{clBtnFace, clBtnFace, clBtnFace};

    void SetCaptions(const QString &unknown, const QString &off, const QString &on);
    void SetColors1(TColor unknown, TColor off, TColor on);
    void SetColors2(TColor unknown, TColor off, TColor on);
    void SetCaption(TThreeStates state, const QString &text);

    void Load() override;
    void Save() override;
    void Assign(const TDescriptionOfCustomValue &source) override;
};

} // namespace tals
