#pragma once

// A one-line edit for one real number: typing is limited to what a number
// needs, the text turns red while its value lies outside the limits and bold
// while it has been typed into since the last write of Value.

#include "platform/number_format.h"

#include <QLineEdit>

namespace tals {

class TEditNum : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(double Value READ Value WRITE SetValue)
    Q_PROPERTY(double Minimum READ Minimum WRITE SetMinimum)
    Q_PROPERTY(double Maximum READ Maximum WRITE SetMaximum)
    Q_PROPERTY(bool CheckRange READ CheckRange WRITE SetCheckRange)
    Q_PROPERTY(int Precision READ Precision WRITE SetPrecision)
    Q_PROPERTY(int Digits READ Digits WRITE SetDigits)

public:
    explicit TEditNum(QWidget *parent = nullptr);

    // The text as a number; 0 when the text is not a number.
    double Value() const;
    // Brings x into the limits (with CheckRange), shows it in the display
    // format, clears the modified mark and raises FinishEdit.
    void SetValue(double x);

    double Minimum() const { return m_minimum; }
    void SetMinimum(double minimum);
    double Maximum() const { return m_maximum; }
    void SetMaximum(double maximum);
    // Sets both limits when minimum <= maximum; otherwise changes nothing.
    void SetRange(double minimum, double maximum);
    bool CheckRange() const { return m_checkRange; }
    void SetCheckRange(bool check);

    // Display format; a change re-displays the current value.
    TFloatFormat Format() const { return m_format; }
    void SetFormat(TFloatFormat format);
    int Precision() const { return m_precision; }
    void SetPrecision(int precision);
    int Digits() const { return m_digits; }
    void SetDigits(int digits);

    // Whether the text's value lies outside the limits (only with CheckRange).
    bool OutOfRange() const;

signals:
    // Raised after every write of Value (OnFinishEdit).
    void FinishEdit();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool AcceptsCharacter(QChar c) const;
    void PasteNumber();
    void Redisplay();
    void UpdateLook();

    double m_minimum = 0;
    double m_maximum = 100;
    bool m_checkRange = true;
    TFloatFormat m_format = ffGeneral;
    int m_precision = 15;
    int m_digits = 4;
};

} // namespace tals
