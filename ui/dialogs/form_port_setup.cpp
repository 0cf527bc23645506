#include "ui/dialogs/form_port_setup.h"

#include "link/port_diagnostics.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tals {

namespace {

// Fills the list and selects value (matched without regard to case); a value
// outside the list is added so that it survives an unchanged "OK".
void Fill(QComboBox &box, const QStringList &choices, const QString &value)
{
    box.addItems(choices);
    int index = box.findText(value, Qt::MatchFixedString);
    if (index < 0 && !value.isEmpty()) {
        box.insertItem(0, value);
        index = 0;
    }
    box.setCurrentIndex(index < 0 ? 0 : index);
}

// The port list: each port with the adapter behind it when known and
// whether its driver offers RS-485 mode ("/dev/serial/by-id/usb-FTDI_...
// (ttyUSB0, FTDI FT232R USB UART)", "/dev/ttyS1  (RS-485)"); the item's data
// is the port name itself.
void FillPorts(QComboBox &box, const QStringList &ports, const QString &value)
{
    for (const QString &port : ports) {
        QString description = PortDescription(port);
        if (PortSupportsRs485(port))
            description += (description.isEmpty() ? QString() : QStringLiteral(", ")) +
                           QStringLiteral("RS-485");
        box.addItem(description.isEmpty()
                        ? port
                        : port + QStringLiteral("  (") + description + QLatin1Char(')'),
                    port);
    }
    int index = box.findData(value);
    if (index < 0)
        index = box.findText(value, Qt::MatchFixedString);
    if (index < 0 && !value.isEmpty()) {
        box.insertItem(0, value, value);
        index = 0;
    }
    box.setCurrentIndex(index < 0 ? 0 : index);
}

QComboBox *MakeBox(QWidget *parent, const char *name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QCheckBox *MakeCheck(QWidget *parent, const char *name, const QString &text, bool checked)
{
    auto *check = new QCheckBox(text, parent);
    check->setObjectName(QLatin1String(name));
    check->setChecked(checked);
    return check;
}

QSpinBox *MakeDelay(QWidget *parent, const char *name, int value)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(0, 1000);
    spin->setSuffix(QStringLiteral(" мс"));
    spin->setValue(value);
    return spin;
}

} // namespace

QStringList TFormPortSetup::BaudRates()
{
    return {QStringLiteral("Custom"), QStringLiteral("110"),    QStringLiteral("300"),
            QStringLiteral("600"),    QStringLiteral("1200"),   QStringLiteral("2400"),
            QStringLiteral("4800"),   QStringLiteral("9600"),   QStringLiteral("14400"),
            QStringLiteral("19200"),  QStringLiteral("38400"),  QStringLiteral("56000"),
            QStringLiteral("57600"),  QStringLiteral("115200"), QStringLiteral("128000"),
            QStringLiteral("256000")};
}

QStringList TFormPortSetup::DataBitsChoices()
{
    return {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")};
}

QStringList TFormPortSetup::StopBitsChoices()
{
    return {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
}

QStringList TFormPortSetup::ParityChoices()
{
    return {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"),
            QStringLiteral("Mark"), QStringLiteral("Space")};
}

QStringList TFormPortSetup::FlowControlChoices()
{
    return {QStringLiteral("Hardware"), QStringLiteral("Software"), QStringLiteral("None"),
            QStringLiteral("Custom")};
}

QStringList TFormPortSetup::FrameEndChoices()
{
    return {QStringLiteral("Gap"), QStringLiteral("Length")};
}

TFormPortSetup::TFormPortSetup(const TPortSetupValues &values, const QStringList &ports,
                               QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormPortSetup"));
    setWindowTitle(QStringLiteral("Setup"));

    gbSettings = new QGroupBox(QStringLiteral(" Settings "), this);
    gbSettings->setObjectName(QStringLiteral("gbSettings"));
    cbPort = MakeBox(gbSettings, "cbPort");
    // A port the system does not list (a pseudo-terminal, a network gateway
    // tcp://HOST:PORT) can be typed in.
    cbPort->setEditable(true);
    cbPort->setInsertPolicy(QComboBox::NoInsert);
    cbPort->setToolTip(QStringLiteral(
        "Имена /dev/serial/by-id/... стоят первыми: они остаются прежними, когда USB-адаптер\n"
        "вынимают и вставляют снова, а ttyUSBn может смениться. Сетевой шлюз: tcp://УЗЕЛ:ПОРТ."));
    cbBaudRate = MakeBox(gbSettings, "cbBaudRate");
    cbDataBits = MakeBox(gbSettings, "cbDataBits");
    cbStopBits = MakeBox(gbSettings, "cbStopBits");
    cbParity = MakeBox(gbSettings, "cbParity");
    cbFlowControl = MakeBox(gbSettings, "cbFlowControl");
    cbFrameEnd = MakeBox(gbSettings, "cbFrameEnd");
    cbFrameEnd->setToolTip(QStringLiteral(
        "Gap: ответ кончается паузой после последнего байта.\n"
        "Length: ответ кончается, как только пришёл весь кадр с верной контрольной суммой."));

    FillPorts(*cbPort, ports, values.Port);
    Fill(*cbBaudRate, BaudRates(), values.BaudRate);
    Fill(*cbDataBits, DataBitsChoices(), values.DataBits);
    Fill(*cbStopBits, StopBitsChoices(), values.StopBits);
    Fill(*cbParity, ParityChoices(), values.Parity);
    Fill(*cbFlowControl, FlowControlChoices(), values.FlowControl);
    Fill(*cbFrameEnd, FrameEndChoices(), values.FrameEnd);

    auto *form = new QFormLayout(gbSettings);
    form->addRow(QStringLiteral("Port"), cbPort);
    form->addRow(QStringLiteral("Baud rate"), cbBaudRate);
    form->addRow(QStringLiteral("Data bits"), cbDataBits);
    form->addRow(QStringLiteral("Stop bits"), cbStopBits);
    form->addRow(QStringLiteral("Parity"), cbParity);
    form->addRow(QStringLiteral("Flow control"), cbFlowControl);
    form->addRow(QStringLiteral("Frame end"), cbFrameEnd);

    // The adapter: a receiver that hears the request, the driver's RTS switching.
    gbRs485 = new QGroupBox(QStringLiteral(" RS-485 "), this);
    gbRs485->setObjectName(QStringLiteral("gbRs485"));
    chbLocalEcho =
        MakeCheck(gbRs485, "chbLocalEcho", QStringLiteral("Эхо запроса"), values.LocalEcho);
    chbLocalEcho->setToolTip(QStringLiteral(
        "Адаптер возвращает каждый запрос перед ответом: эхо читается и сверяется с запросом."));
    chbRs485 = MakeCheck(gbRs485, "chbRs485", QStringLiteral("Режим RS-485 драйвера порта"),
                         values.Rs485.Enabled);
    chbRs485->setToolTip(QStringLiteral(
        "Драйвер сам переключает направление приёмопередатчика линией RTS (TIOCSRS485);\n"
        "для встроенных портов промышленных и одноплатных компьютеров."));
    chbRtsOnSend = MakeCheck(gbRs485, "chbRtsOnSend", QStringLiteral("RTS при передаче"),
                             values.Rs485.RtsOnSend);
    chbRtsAfterSend = MakeCheck(gbRs485, "chbRtsAfterSend", QStringLiteral("RTS после передачи"),
                                values.Rs485.RtsAfterSend);
    sbDelayBeforeSend = MakeDelay(gbRs485, "sbDelayBeforeSend", values.Rs485.DelayBeforeSendMs);
    sbDelayAfterSend = MakeDelay(gbRs485, "sbDelayAfterSend", values.Rs485.DelayAfterSendMs);
    auto *rs485 = new QFormLayout(gbRs485);
    rs485->addRow(chbLocalEcho);
    rs485->addRow(chbRs485);
    rs485->addRow(chbRtsOnSend);
    rs485->addRow(chbRtsAfterSend);
    rs485->addRow(QStringLiteral("Задержка до передачи"), sbDelayBeforeSend);
    rs485->addRow(QStringLiteral("Задержка после передачи"), sbDelayAfterSend);
    auto enableDirection = [this](bool on) {
        for (QWidget *w : std::initializer_list<QWidget *>{chbRtsOnSend, chbRtsAfterSend,
                                                           sbDelayBeforeSend, sbDelayAfterSend})
            w->setEnabled(on);
    };
    enableDirection(values.Rs485.Enabled);
    connect(chbRs485, &QCheckBox::toggled, this, enableDirection);

    auto *buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbSettings);
    layout->addWidget(gbRs485);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TPortSetupValues TFormPortSetup::Values() const
{
    TPortSetupValues v;
    // A listed port stands for its name; a typed one is taken as typed.
    const QString text = cbPort->currentText().trimmed();
    const int listed = cbPort->findText(text, Qt::MatchExactly);
    v.Port = listed >= 0 ? cbPort->itemData(listed).toString() : text;
    v.BaudRate = cbBaudRate->currentText();
    v.DataBits = cbDataBits->currentText();
    v.StopBits = cbStopBits->currentText();
    v.Parity = cbParity->currentText();
    v.FlowControl = cbFlowControl->currentText();
    v.FrameEnd = cbFrameEnd->currentText();
    v.LocalEcho = chbLocalEcho->isChecked();
    v.Rs485.Enabled = chbRs485->isChecked();
    v.Rs485.RtsOnSend = chbRtsOnSend->isChecked();
    v.Rs485.RtsAfterSend = chbRtsAfterSend->isChecked();
    v.Rs485.DelayBeforeSendMs = sbDelayBeforeSend->value();
    v.Rs485.DelayAfterSendMs = sbDelayAfterSend->value();
    return v;
}

bool ShowPortSetupDialog(TPortSetupValues &values, const QStringList &ports, QWidget *parent)
{
    TFormPortSetup dialog(values, ports, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    values = dialog.Values();
    return true;
}

} // namespace tals
