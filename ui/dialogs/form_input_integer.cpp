#include "ui/dialogs/form_input_integer.h"

#include "ui/dialogs/form_input_double.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <limits>

namespace tals {

TFormInputInteger::TFormInputInteger(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormInputInteger"));
    setWindowTitle(QStringLiteral("Введите"));
    lblCaption = new QLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    speValue = new QSpinBox(this);
    speValue->setObjectName(QStringLiteral("speValue"));
    speValue->setLocale(QLocale::c());
    speValue->setSingleStep(1);
    // Enter and Escape confirm or cancel with the text as typed, before the
    // spin edit corrects it.
    speValue->installEventFilter(this);
    btnOK = MakeOkButton(*this);
    btnCancel = MakeCancelButton(*this);
    PlaceEntryControls(*this, *lblCaption, *speValue, *btnOK, *btnCancel);
    speValue->setFocus();
}

void TFormInputInteger::Setup(const QString &caption, const QString &prompt, int value, int minimum,
                              int maximum)
{
    setWindowTitle(caption);
    lblCaption->setText(prompt);
    m_minimum = minimum;
    m_maximum = maximum;
    if (minimum < maximum)
        speValue->setRange(minimum, maximum);
    else
        speValue->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    speValue->setValue(value);
    speValue->selectAll();
    PlaceEntryControls(*this, *lblCaption, *speValue, *btnOK, *btnCancel);
}

bool TFormInputInteger::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == speValue && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
        if (key == Qt::Key_Escape) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormInputInteger::accept()
{
    // Taken before closing: hiding the spin edit would correct its text.
    m_result = TextValue();
    QDialog::accept();
}

int TFormInputInteger::TextValue() const
{
    bool ok = false;
    int value = speValue->cleanText().trimmed().toInt(&ok);
    if (!ok)
        value = m_minimum;
    if (m_minimum <= m_maximum)
        value = std::clamp(value, m_minimum, m_maximum);
    return value;
}

bool TryInputInteger(const QString &caption, const QString &prompt, int &value, int minimum,
                     int maximum)
{
    TFormInputInteger dialog;
    dialog.Setup(caption, prompt, value, minimum, maximum);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.Result();
    return true;
}

int InputInteger(const QString &caption, const QString &prompt, int value, int minimum, int maximum)
{
    TryInputInteger(caption, prompt, value, minimum, maximum);
    return value;
}

} // namespace tals
