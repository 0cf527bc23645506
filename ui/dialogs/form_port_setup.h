#pragma once

// The serial port settings dialog "Setup": the six line choices and where an
// answer ends, pre-set from the current settings, and the RS-485 adapter's
// options (the request's echo, the kernel's direction control), applied
// together on "OK". The port may be typed in, a network gateway as
// tcp://HOST:PORT.

#include "platform/rs485.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QSpinBox;

namespace tals {

// The settings as the texts ComPort.ini stores them.
struct TPortSetupValues
{
    QString Port = QStringLiteral("COM1");
    QString BaudRate = QStringLiteral("9600");    // a bit rate or "Custom"
    QString DataBits = QStringLiteral("8");       // "5" to "8"
    QString StopBits = QStringLiteral("1");       // "1", "1.5", "2"
    QString Parity = QStringLiteral("None");      // "None", "Odd", "Even", "Mark", "Space"
    QString FlowControl = QStringLiteral("None"); // "Hardware", "Software", "None", "Custom"
    QString FrameEnd = QStringLiteral("Gap");     // "Gap", "Length"
    bool LocalEcho = false;
    TRs485Settings Rs485;

    bool operator==(const TPortSetupValues &) const = default;
};

class TFormPortSetup : public QDialog
{
    Q_OBJECT

public:
    // ports: the ports the system reports, shown with the adapter behind
    // each when known; the current port is offered too when it is not among them.
    TFormPortSetup(const TPortSetupValues &values, const QStringList &ports,
                   QWidget *parent = nullptr);

    TPortSetupValues Values() const;

    // The choices each list offers (besides a current value outside them).
    static QStringList BaudRates();
    static QStringList DataBitsChoices();
    static QStringList StopBitsChoices();
    static QStringList ParityChoices();
    static QStringList FlowControlChoices();
    static QStringList FrameEndChoices();

    QGroupBox *gbSettings = nullptr;
    QComboBox *cbPort = nullptr;
    QComboBox *cbBaudRate = nullptr;
    QComboBox *cbDataBits = nullptr;
    QComboBox *cbStopBits = nullptr;
    QComboBox *cbParity = nullptr;
    QComboBox *cbFlowControl = nullptr;
    QComboBox *cbFrameEnd = nullptr;
    QGroupBox *gbRs485 = nullptr;
    QCheckBox *chbLocalEcho = nullptr;
    QCheckBox *chbRs485 = nullptr;
    QCheckBox *chbRtsOnSend = nullptr;
    QCheckBox *chbRtsAfterSend = nullptr;
    QSpinBox *sbDelayBeforeSend = nullptr;
    QSpinBox *sbDelayAfterSend = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
};

// Shows the dialog modally; on "OK" values receives the choices and the
// result is true, on "Cancel" values stay as they are.
bool ShowPortSetupDialog(TPortSetupValues &values, const QStringList &ports,
                         QWidget *parent = nullptr);

} // namespace tals
