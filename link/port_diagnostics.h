#pragma once

// Why a serial port cannot be opened, in words an operator can act on, and
// which adapter stands behind a port name.

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace tals {

// A process that has a file open.
struct TPortHolder
{
    pid_t Pid = 0;
    QString Name; // the process's command name
};

// The processes (as far as /proc lets us see them) that hold the device at
// path open: every /proc/<pid>/fd entry that leads to the same device.
QList<TPortHolder> PortHolders(const QString &path,
                               const QString &procDir = QStringLiteral("/proc"));

// The reason in Russian why opening the port at path failed with errno err:
// missing, busy (with the holding processes), no permission (with the group
// and the command that adds the user to it), not a serial device, or the
// system's reason.
QString OpenFailureReason(int err, const QString &path);
// The reason for a file that opened but is no serial device (a regular file,
// a folder); empty when path is a character device.
QString NotSerialDeviceReason(const QString &path);

// The adapter's name from a /dev/serial/by-id link name:
// "usb-FTDI_FT232R_USB_UART_A12345-if00-port0" -> "FTDI FT232R USB UART A12345".
QString AdapterName(const QString &byIdName);
// What the port list shows beside a port: for a by-id link the device it
// points to and the adapter ("ttyUSB0, FTDI FT232R USB UART A12345"), for a
// device that a by-id link points to the adapter; empty otherwise.
QString PortDescription(const QString &path, const QString &devDir = QStringLiteral("/dev"));
// Whether the driver of the port at path offers the kernel's RS-485 mode
// (asked without changing anything; false when the port cannot be opened).
bool PortSupportsRs485(const QString &path);

} // namespace tals
