#include "ui/controls/edit_num.h"

#include "platform/format_settings.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>

namespace tals {

TEditNum::TEditNum(QWidget *parent) : QLineEdit(parent)
{
    setText(QStringLiteral("0"));
    // Paste, cut and undo change the text without a key release.
    connect(this, &QLineEdit::textChanged, this, &TEditNum::UpdateLook);
    UpdateLook();
}

double TEditNum::Value() const
{
    double value = 0;
    if (!TryStrToFloat(text(), value))
        return 0;
    return value;
}

void TEditNum::SetValue(double x)
{
    if (m_checkRange) {
        if (x < m_minimum)
            x = m_minimum;
        else if (x > m_maximum)
            x = m_maximum;
    }
    setText(FloatToStrF(x, m_format, m_precision, m_digits));
    setModified(false);
    UpdateLook();
    emit FinishEdit();
}

void TEditNum::SetMinimum(double minimum)
{
    m_minimum = minimum;
    UpdateLook();
}

void TEditNum::SetMaximum(double maximum)
{
    m_maximum = maximum;
    UpdateLook();
}

void TEditNum::SetRange(double minimum, double maximum)
{
    if (!(minimum <= maximum))
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    UpdateLook();
}

void TEditNum::SetCheckRange(bool check)
{
    m_checkRange = check;
    UpdateLook();
}

void TEditNum::SetFormat(TFloatFormat format)
{
    if (format == m_format)
        return;
    m_format = format;
    Redisplay();
}

void TEditNum::SetPrecision(int precision)
{
    if (precision == m_precision)
        return;
    m_precision = precision;
    Redisplay();
}

void TEditNum::SetDigits(int digits)
{
    if (digits == m_digits)
        return;
    m_digits = digits;
    Redisplay();
}

bool TEditNum::OutOfRange() const
{
    if (!m_checkRange)
        return false;
    const double v = Value();
    return v < m_minimum || v > m_maximum;
}

void TEditNum::Redisplay()
{
    setText(FloatToStrF(Value(), m_format, m_precision, m_digits));
    setModified(false);
    UpdateLook();
}

void TEditNum::UpdateLook()
{
    QPalette p = palette();
    const QColor colour = OutOfRange() ? QColor(Qt::red) : QColor(Qt::black);
    if (p.color(QPalette::Text) != colour) {
        p.setColor(QPalette::Text, colour);
        setPalette(p);
    }
    if (font().bold() != isModified()) {
        QFont f = font();
        f.setBold(isModified());
        setFont(f);
    }
}

bool TEditNum::AcceptsCharacter(QChar c) const
{
    if (c.isDigit() && c.unicode() < 128)
        return true;
    if (c == QLatin1Char('-'))
        return cursorPosition() == 0 && !(hasSelectedText() && selectionStart() > 0);
    const QChar separator = FormatSettings().DecimalSeparator;
    if (c == separator) {
        // A selection that holds the separator is replaced, so one may be typed over it.
        return !text().contains(separator) ||
               (hasSelectedText() && selectedText().contains(separator));
    }
    return false;
}

void TEditNum::PasteNumber()
{
    // Only a complete number may be pasted, so the text stays a number.
    const QString pasted = QApplication::clipboard()->text().trimmed();
    QString result = text();
    int at = cursorPosition();
    if (hasSelectedText()) {
        at = selectionStart();
        result.remove(at, selectedText().size());
    }
    result.insert(at, pasted);
    double value = 0;
    if (!pasted.isEmpty() && TryStrToFloat(result, value))
        insert(pasted);
}

void TEditNum::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        SetValue(Value());
        // The base ignores Enter, so a dialog still gets its default button.
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteNumber();
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool command =
        event->modifiers().testAnyFlags(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (command || typed.isEmpty() || !typed.at(0).isPrint()) {
        // Editing and navigation keys (Backspace, Delete, arrows, Home, End, shortcuts).
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (const QChar c : typed) {
        if (!AcceptsCharacter(c)) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TEditNum::keyReleaseEvent(QKeyEvent *event)
{
    QLineEdit::keyReleaseEvent(event);
    UpdateLook();
}

void TEditNum::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Leaving the edit for another control confirms it; switching windows does not.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        SetValue(Value());
}

} // namespace tals
