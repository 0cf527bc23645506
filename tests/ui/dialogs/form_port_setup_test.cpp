#include "ui/dialogs/form_port_setup.h"

#include "link/transmitter.h"
#include "platform/rs485.h"
#include "ui/application/central_objects.h"

#include "tests/common/test_support.h"
#include "tests/ui/modal_test_support.h"
#include "ui/application/window_grab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <cerrno>

using tals::TFormPortSetup;
using tals::TPortSetupValues;
using tals::test::Child;

namespace {

// A driver of the wanted kind behind every port the dialog asks, so that
// the marks do not depend on the machine's own ports.
class TRs485Drivers
{
public:
    explicit TRs485Drivers(bool offer)
        : m_previous(tals::InstallRs485Ioctl([offer](int, bool set, tals::TRs485Request &) {
              errno = ENOTTY;
              return offer && !set ? 0 : -1;
          }))
    {}
    ~TRs485Drivers() { tals::InstallRs485Ioctl(m_previous); }

private:
    tals::TRs485Ioctl m_previous;
};

} // namespace

TEST(PortSetup, ShowsTheChoicesPresetFromTheSettings)
{
    TPortSetupValues values;
    values.Port = QStringLiteral("/dev/ttyUSB0");
    values.BaudRate = QStringLiteral("19200");
    values.DataBits = QStringLiteral("7");
    values.StopBits = QStringLiteral("1.5");
    values.Parity = QStringLiteral("even"); // matched without regard to case
    values.FlowControl = QStringLiteral("Software");
    values.FrameEnd = QStringLiteral("length");
    TFormPortSetup dialog(values, {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0")});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Setup"));
    EXPECT_EQ(dialog.gbSettings->title(), QStringLiteral(" Settings "));

    QStringList labels;
    auto *form = qobject_cast<QFormLayout *>(dialog.gbSettings->layout());
    ASSERT_NE(form, nullptr);
    for (int row = 0; row < form->rowCount(); ++row) {
        auto *label = qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::LabelRole)->widget());
        labels << (label ? label->text() : QString());
    }
    EXPECT_EQ(labels, (QStringList{"Port", "Baud rate", "Data bits", "Stop bits", "Parity",
                                   "Flow control", "Frame end"}));
    EXPECT_EQ(dialog.btnOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(dialog.cbPort->count(), 2);

    const TPortSetupValues shown = dialog.Values();
    EXPECT_EQ(shown.Port, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(shown.BaudRate, QStringLiteral("19200"));
    EXPECT_EQ(shown.DataBits, QStringLiteral("7"));
    EXPECT_EQ(shown.StopBits, QStringLiteral("1.5"));
    EXPECT_EQ(shown.Parity, QStringLiteral("Even"));
    EXPECT_EQ(shown.FlowControl, QStringLiteral("Software"));
    EXPECT_EQ(shown.FrameEnd, QStringLiteral("Length"));
    EXPECT_EQ(dialog.cbFrameEnd->count(), 2);
}

TEST(PortSetup, AnUnlistedPortIsOfferedToo)
{
    TPortSetupValues values; // COM1 after construction
    TFormPortSetup dialog(values, {QStringLiteral("/dev/ttyS0")});
    EXPECT_EQ(dialog.cbPort->count(), 2);
    EXPECT_EQ(dialog.Values(), values);
}

TEST(PortSetup, OkAppliesTheSixValuesCancelKeepsThem)
{
    TPortSetupValues values;
    tals::test::WhenModal([](QWidget *w) {
        Child<QComboBox>(w, "cbPort")->setCurrentText(QStringLiteral("/dev/pts/7"));
        Child<QComboBox>(w, "cbBaudRate")->setCurrentText(QStringLiteral("115200"));
        Child<QComboBox>(w, "cbDataBits")->setCurrentText(QStringLiteral("5"));
        Child<QComboBox>(w, "cbStopBits")->setCurrentText(QStringLiteral("2"));
        Child<QComboBox>(w, "cbParity")->setCurrentText(QStringLiteral("Odd"));
        Child<QComboBox>(w, "cbFlowControl")->setCurrentText(QStringLiteral("Hardware"));
        Child<QComboBox>(w, "cbFrameEnd")->setCurrentText(QStringLiteral("Length"));
        Child<QPushButton>(w, "btnOK")->click();
    });
    EXPECT_TRUE(tals::ShowPortSetupDialog(values, {QStringLiteral("/dev/ttyS0")}));
    EXPECT_EQ(values.Port, QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(values.FrameEnd, QStringLiteral("Length"));
    EXPECT_EQ(values.BaudRate, QStringLiteral("115200"));
    EXPECT_EQ(values.DataBits, QStringLiteral("5"));
    EXPECT_EQ(values.StopBits, QStringLiteral("2"));
    EXPECT_EQ(values.Parity, QStringLiteral("Odd"));
    EXPECT_EQ(values.FlowControl, QStringLiteral("Hardware"));

    const TPortSetupValues before = values;
    tals::test::WhenModal([](QWidget *w) {
        Child<QComboBox>(w, "cbParity")->setCurrentText(QStringLiteral("Space"));
        Child<QPushButton>(w, "btnCancel")->click();
    });
    EXPECT_FALSE(tals::ShowPortSetupDialog(values, {}));
    EXPECT_EQ(values, before);
}

// The transmitter's settings go through the dialog and come back with the
// choices made: a gateway typed in, the answer ending on its length.
TEST(PortSetup, TheTransmitterSettingsComeBackWithTheChoices)
{
    tals::TPortSettings settings;
    settings.Port = QStringLiteral("/dev/ttyUSB0");
    tals::test::WhenModal([](QWidget *w) {
        EXPECT_EQ(Child<QComboBox>(w, "cbFrameEnd")->currentText(), QStringLiteral("Gap"));
        Child<QComboBox>(w, "cbPort")->setCurrentText(QStringLiteral("tcp://10.0.0.7:4001"));
        Child<QComboBox>(w, "cbFrameEnd")->setCurrentText(QStringLiteral("Length"));
        Child<QPushButton>(w, "btnOK")->click();
    });
    ASSERT_TRUE(tals::EditPortSettings(settings, {QStringLiteral("/dev/ttyUSB0")}));
    EXPECT_EQ(settings.Port, QStringLiteral("tcp://10.0.0.7:4001"));
    EXPECT_EQ(settings.FrameEnd, tals::TFrameEnd::feLength);
    EXPECT_EQ(settings.BaudRate, tals::TBaudRate::br9600);
}

TEST(PortSetup, ByIdPortsShowTheirAdapterAndStandForTheirName)
{
    // A copy of /dev with one USB adapter and its stable name.
    tals::test::ScratchDir dev;
    tals::test::writeAll(dev.file("ttyUSB0"), "");
    QDir().mkpath(dev.file("serial/by-id"));
    const QString byId = dev.file("serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
    ASSERT_TRUE(QFile::link("../../ttyUSB0", byId));

    TPortSetupValues values;
    values.Port = byId;
    const TRs485Drivers plain(false);
    TFormPortSetup dialog(values, {QStringLiteral("/dev/ttyS0"), byId});
    ASSERT_EQ(dialog.cbPort->count(), 2);
    EXPECT_EQ(dialog.cbPort->itemText(0), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(dialog.cbPort->itemText(1), byId + "  (ttyUSB0, FTDI FT232R USB UART A12345)");
    EXPECT_EQ(dialog.cbPort->currentIndex(), 1);
    // The port setting is the name, not the shown text.
    EXPECT_EQ(dialog.Values().Port, byId);
    dialog.cbPort->setCurrentIndex(0);
    EXPECT_EQ(dialog.Values().Port, QStringLiteral("/dev/ttyS0"));
    dialog.cbPort->setCurrentText(QStringLiteral(" /dev/pts/3 "));
    EXPECT_EQ(dialog.Values().Port, QStringLiteral("/dev/pts/3"));
    // A network gateway is typed in as it is.
    dialog.cbPort->setCurrentText(QStringLiteral("tcp://192.168.1.10:502"));
    EXPECT_EQ(dialog.Values().Port, QStringLiteral("tcp://192.168.1.10:502"));

    dialog.cbPort->setCurrentIndex(1);
    dialog.chbLocalEcho->setChecked(true);
    dialog.chbRs485->setChecked(true);
    dialog.show();
    EXPECT_TRUE(tals::SaveWindowPicture(
        &dialog, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormPortSetup.png")));
}

// The adapter's options: the request's echo and the driver's RS-485 mode,
// whose RTS choices are offered only with the mode on.
TEST(PortSetup, TheRs485OptionsArePresetAndComeBack)
{
    TPortSetupValues values;
    values.LocalEcho = true;
    values.Rs485.DelayAfterSendMs = 2;
    TFormPortSetup dialog(values, {});
    EXPECT_EQ(dialog.gbRs485->title(), QStringLiteral(" RS-485 "));
    EXPECT_EQ(dialog.chbLocalEcho->text(), QStringLiteral("Эхо запроса"));
    EXPECT_TRUE(dialog.chbLocalEcho->isChecked());
    EXPECT_FALSE(dialog.chbRs485->isChecked());
    EXPECT_FALSE(dialog.chbRtsOnSend->isEnabled());
    EXPECT_FALSE(dialog.sbDelayAfterSend->isEnabled());
    EXPECT_EQ(dialog.Values(), values);
    EXPECT_TRUE(dialog.cbPort->toolTip().contains(QStringLiteral("/dev/serial/by-id")));

    dialog.chbRs485->setChecked(true);
    EXPECT_TRUE(dialog.chbRtsAfterSend->isEnabled());
    dialog.chbRtsOnSend->setChecked(false);
    dialog.chbRtsAfterSend->setChecked(true);
    dialog.sbDelayBeforeSend->setValue(1);
    const TPortSetupValues chosen = dialog.Values();
    EXPECT_TRUE(chosen.Rs485.Enabled);
    EXPECT_FALSE(chosen.Rs485.RtsOnSend);
    EXPECT_TRUE(chosen.Rs485.RtsAfterSend);
    EXPECT_EQ(chosen.Rs485.DelayBeforeSendMs, 1);
    EXPECT_EQ(chosen.Rs485.DelayAfterSendMs, 2);

    // Through the transmitter's settings and back.
    tals::TPortSettings settings;
    tals::test::WhenModal([](QWidget *w) {
        Child<QCheckBox>(w, "chbLocalEcho")->setChecked(true);
        Child<QCheckBox>(w, "chbRs485")->setChecked(true);
        Child<QSpinBox>(w, "sbDelayBeforeSend")->setValue(3);
        Child<QPushButton>(w, "btnOK")->click();
    });
    ASSERT_TRUE(tals::EditPortSettings(settings, {}));
    EXPECT_TRUE(settings.LocalEcho);
    EXPECT_TRUE(settings.Rs485.Enabled);
    EXPECT_TRUE(settings.Rs485.RtsOnSend);
    EXPECT_EQ(settings.Rs485.DelayBeforeSendMs, 3);
}

// A port whose driver answers the RS-485 query is marked in the list.
TEST(PortSetup, PortsWhoseDriverOffersRs485AreMarked)
{
    tals::test::ScratchDir dev;
    tals::test::writeAll(dev.file("ttyS1"), "");
    const TRs485Drivers rs485(true);
    TFormPortSetup dialog(TPortSetupValues{}, {dev.file("ttyS1"), dev.file("missing")});
    EXPECT_EQ(dialog.cbPort->itemText(1), dev.file("ttyS1") + "  (RS-485)");
    EXPECT_EQ(dialog.cbPort->itemText(2), dev.file("missing"));
}
