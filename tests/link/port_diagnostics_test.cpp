// A port that cannot be opened says why, in words an operator can act on; the
// port list names the adapter behind each port.

#include "link/port_diagnostics.h"
#include "link/serial_port.h"
#include "sim/pty_pair.h"

#include "tests/common/test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

using namespace tals;

namespace {

// The reason a connect of the port fails with, or "" when it opens.
QString ConnectFailure(const QString &port)
{
    TComPort com;
    com.SetPort(port);
    try {
        com.Connect();
    } catch (const ESerialError &e) {
        EXPECT_EQ(e.Code(), CE_OpenFailed);
        return e.Reason();
    }
    return QString();
}

QString OwnCommandName()
{
    QFile comm(QStringLiteral("/proc/self/comm"));
    EXPECT_TRUE(comm.open(QIODevice::ReadOnly));
    return QString::fromLocal8Bit(comm.readAll().trimmed());
}

TEST(PortDiagnostics, BusyPortNamesTheProcessThatHoldsIt)
{
    TPtyPair pty;
    ASSERT_TRUE(pty.Open());
    TComPort holder;
    holder.SetPort(pty.SlavePath());
    holder.Connect();

    const QString reason = ConnectFailure(pty.SlavePath());
    const QString expected =
        QStringLiteral("%1 (процесс %2)").arg(OwnCommandName()).arg(::getpid());
    EXPECT_TRUE(reason.startsWith(QStringLiteral("Порт занят другой программой: ")))
        << reason.toStdString();
    EXPECT_TRUE(reason.contains(expected)) << reason.toStdString();

    // Once let go, the port opens and nobody holds it any more but its opener.
    holder.Disconnect();
    EXPECT_EQ(ConnectFailure(pty.SlavePath()), QString());
}

TEST(PortDiagnostics, HoldersAreFoundThroughProc)
{
    test::ScratchDir dir;
    test::writeAll(dir.file("held"), "x");
    QFile held(dir.file("held"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    bool found = false;
    for (const TPortHolder &h : PortHolders(dir.file("held")))
        found = found || h.Pid == ::getpid();
    EXPECT_TRUE(found);
    held.close();
    for (const TPortHolder &h : PortHolders(dir.file("held")))
        EXPECT_NE(h.Pid, ::getpid());
    EXPECT_TRUE(PortHolders(dir.file("missing")).isEmpty());
}

TEST(PortDiagnostics, EachFailureSaysWhyInRussian)
{
    test::ScratchDir dir;
    test::writeAll(dir.file("regular"), "not a port");
    QDir().mkpath(dir.file("folder"));
    struct TCase
    {
        QString port;
        QString reason;
    };
    const TCase cases[] = {
        {dir.file("missing"), "Порт не найден"},
        {dir.file("regular"), "Это не последовательный порт (обычный файл)"},
        {dir.file("folder"), "Это не последовательный порт (папка)"},
        {dir.file("regular/below"), "Порт не найден"},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(ConnectFailure(c.port), c.reason) << c.port.toStdString();
    // The regular file is left as it was.
    EXPECT_EQ(test::readAll(dir.file("regular")), "not a port");
}

TEST(PortDiagnostics, NoPermissionNamesTheGroupAndTheCommand)
{
    // Tests run as root, for whom every device opens: the text is checked directly.
    for (int err : {EACCES, EPERM}) {
        const QString reason = OpenFailureReason(err, QStringLiteral("/dev/null"));
        EXPECT_TRUE(reason.startsWith("Нет прав доступа к порту. Пользователь должен входить в "
                                      "группу dialout"))
            << reason.toStdString();
        EXPECT_TRUE(reason.contains("sudo usermod -aG dialout $USER")) << reason.toStdString();
        EXPECT_TRUE(reason.contains("войдите в систему заново")) << reason.toStdString();
    }
    // Other reasons come in Russian too, never in English.
    EXPECT_EQ(OpenFailureReason(ENAMETOOLONG, "x"), "слишком длинное имя файла");
    EXPECT_EQ(OpenFailureReason(ELOOP, "x"), "слишком много символических ссылок в пути");
}

TEST(PortDiagnostics, AdapterNamesFromByIdLinks)
{
    struct TCase
    {
        const char *link;
        const char *adapter;
    };
    const TCase cases[] = {
        {"usb-FTDI_FT232R_USB_UART_A12345-if00-port0", "FTDI FT232R USB UART A12345"},
        {"usb-1a86_USB_Serial-if00-port0", "1a86 USB Serial"},
        {"usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0",
         "Prolific Technology Inc. USB-Serial Controller"},
        {"usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_0001-if00-port0",
         "Silicon Labs CP2102 USB to UART Bridge Controller 0001"},
        {"usb-Arduino_Uno_8573-if00", "Arduino Uno 8573"},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(AdapterName(c.link), c.adapter) << c.link;

    // A copy of /dev: the link shows the device it points to, the device its adapter.
    test::ScratchDir dev;
    test::writeAll(dev.file("ttyUSB0"), "");
    test::writeAll(dev.file("ttyUSB1"), "");
    QDir().mkpath(dev.file("serial/by-id"));
    const QString link = dev.file("serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
    ASSERT_TRUE(QFile::link("../../ttyUSB0", link));
    EXPECT_EQ(PortDescription(link, dev.path()), "ttyUSB0, FTDI FT232R USB UART A12345");
    EXPECT_EQ(PortDescription(dev.file("ttyUSB0"), dev.path()), "FTDI FT232R USB UART A12345");
    EXPECT_EQ(PortDescription(dev.file("ttyUSB1"), dev.path()), "");
    EXPECT_EQ(PortDescription(dev.file("missing"), dev.path()), "");
}

} // namespace
