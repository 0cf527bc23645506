#pragma once

// The entry dialog for one integer, with a spin edit.

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

namespace tals {

class TFormInputInteger : public QDialog
{
    Q_OBJECT

public:
    explicit TFormInputInteger(QWidget *parent = nullptr);

    // Caption, prompt, limits and value. Equal or inverted limits leave the
    // spin edit unlimited.
    void Setup(const QString &caption, const QString &prompt, int value, int minimum, int maximum);

    QSpinBox *speValue = nullptr;
    QLabel *lblCaption = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    // The spin edit's text as an integer (the minimum when it is none),
    // brought into [minimum, maximum], as confirmed with OK.
    int Result() const { return m_result; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int TextValue() const;

    int m_minimum = 0;
    int m_maximum = 0;
    int m_result = 0;
};

// The integer entered on OK, brought into [minimum, maximum]; value on cancel.
int InputInteger(const QString &caption, const QString &prompt, int value, int minimum,
                 int maximum);
// As InputInteger; value receives the integer on OK. True only on OK.
bool TryInputInteger(const QString &caption, const QString &prompt, int &value, int minimum,
                     int maximum);

} // namespace tals
