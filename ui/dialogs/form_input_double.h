#pragma once

// The entry dialog for one real number, and the layout shared by the
// one-value entry dialogs: prompt on the left, input on the right, "OK"
// (Enter) and "Отменить" (Escape) below; the width follows the prompt.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tals {

class TEditNum;

// Places prompt, input and the two buttons of a one-value entry dialog and
// fixes the dialog's size: with a = prompt width + input width + 15 and
// b = width of both buttons + 15 the width is max(a, b) + 8; the prompt
// stands 5 pixels from the left, the input 10 pixels right of the prompt
// when b < a, otherwise 5 pixels from the right edge.
void PlaceEntryControls(QDialog &dialog, QLabel &prompt, QWidget &input, QPushButton &ok,
                        QPushButton &cancel);

// The "OK" and "Отменить" buttons of the entry dialogs. They take no focus
// from a click, so the input keeps its text as typed.
QPushButton *MakeOkButton(QDialog &dialog);
QPushButton *MakeCancelButton(QDialog &dialog);

class TFormInputDouble : public QDialog
{
    Q_OBJECT

public:
    explicit TFormInputDouble(QWidget *parent = nullptr);

    // Caption, prompt, limits and the value shown with the given decimals.
    void Setup(const QString &caption, const QString &prompt, int decimals, double value,
               double minimum, double maximum);

    TEditNum *enValue = nullptr;
    QLabel *lblCaption = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    // The entered number, brought into the edit's limits.
    double Result() const { return m_result; }

public slots:
    // Closes with OK when the text is a number; otherwise marks it red.
    void accept() override;

private:
    double m_result = 0;
};

// The number entered on OK; value on cancel.
double InputDouble(const QString &caption, const QString &prompt, int decimals, double value,
                   double minimum, double maximum);
// As InputDouble; value receives the number on OK. True only on OK.
bool TryInputDouble(const QString &caption, const QString &prompt, int decimals, double &value,
                    double minimum, double maximum);

} // namespace tals
