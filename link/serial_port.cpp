#include "link/serial_port.h"

#include "link/port_diagnostics.h"
#include "link/tcp_port.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <asm/termbits.h> // termios2, BOTHER; <termios.h> must stay out of this file
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tals {

namespace {

struct TRateEntry
{
    TBaudRate rate;
    const char *text;
    int value;
};

// The table of bit rates the settings offer, in the order of the dialog.
constexpr TRateEntry kRates[] = {
    {TBaudRate::brCustom, "Custom", 0},      {TBaudRate::br110, "110", 110},
    {TBaudRate::br300, "300", 300},          {TBaudRate::br600, "600", 600},
    {TBaudRate::br1200, "1200", 1200},       {TBaudRate::br2400, "2400", 2400},
    {TBaudRate::br4800, "4800", 4800},       {TBaudRate::br9600, "9600", 9600},
    {TBaudRate::br14400, "14400", 14400},    {TBaudRate::br19200, "19200", 19200},
    {TBaudRate::br38400, "38400", 38400},    {TBaudRate::br56000, "56000", 56000},
    {TBaudRate::br57600, "57600", 57600},    {TBaudRate::br115200, "115200", 115200},
    {TBaudRate::br128000, "128000", 128000}, {TBaudRate::br256000, "256000", 256000},
};

// Rates the kernel knows by a B constant; the others go through BOTHER.
struct TStandardRate
{
    int value;
    unsigned flag;
};
constexpr TStandardRate kStandardRates[] = {
    {110, B110},     {300, B300},     {600, B600},       {1200, B1200},
    {2400, B2400},   {4800, B4800},   {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

template <typename T> struct TNamed
{
    T value;
    const char *text;
};
constexpr TNamed<TDataBits> kDataBits[] = {{TDataBits::dbFive, "5"},
                                           {TDataBits::dbSix, "6"},
                                           {TDataBits::dbSeven, "7"},
                                           {TDataBits::dbEight, "8"}};
constexpr TNamed<TStopBits> kStopBits[] = {{TStopBits::sbOneStopBit, "1"},
                                           {TStopBits::sbOne5StopBits, "1.5"},
                                           {TStopBits::sbTwoStopBits, "2"}};
constexpr TNamed<TParityBits> kParities[] = {{TParityBits::prNone, "None"},
                                             {TParityBits::prOdd, "Odd"},
                                             {TParityBits::prEven, "Even"},
                                             {TParityBits::prMark, "Mark"},
                                             {TParityBits::prSpace, "Space"}};
constexpr TNamed<TFlowControl> kFlows[] = {{TFlowControl::fcHardware, "Hardware"},
                                           {TFlowControl::fcSoftware, "Software"},
                                           {TFlowControl::fcNone, "None"},
                                           {TFlowControl::fcCustom, "Custom"}};

template <typename T, size_t N> QString NameOf(const TNamed<T> (&table)[N], T value)
{
    for (const auto &e : table)
        if (e.value == value)
            return QString::fromLatin1(e.text);
    return QString();
}

template <typename T, size_t N>
bool ValueOf(const TNamed<T> (&table)[N], const QString &text, T &value)
{
    for (const auto &e : table)
        if (text.trimmed().compare(QLatin1String(e.text), Qt::CaseInsensitive) == 0) {
            value = e.value;
            return true;
        }
    return false;
}

using TClock = std::chrono::steady_clock;

int MillisLeft(TClock::time_point until)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - TClock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

QString BaudRateToStr(TBaudRate rate)
{
    for (const auto &e : kRates)
        if (e.rate == rate)
            return QString::fromLatin1(e.text);
    return QStringLiteral("9600");
}

bool StrToBaudRate(const QString &text, TBaudRate &rate)
{
    for (const auto &e : kRates)
        if (text.trimmed().compare(QLatin1String(e.text), Qt::CaseInsensitive) == 0) {
            rate = e.rate;
            return true;
        }
    return false;
}

int BaudRateValue(TBaudRate rate)
{
    for (const auto &e : kRates)
        if (e.rate == rate)
            return e.value;
    return 0;
}

QStringList BaudRateTexts()
{
    QStringList list;
    for (const auto &e : kRates)
        list << QString::fromLatin1(e.text);
    return list;
}

QString DataBitsToStr(TDataBits bits)
{
    return NameOf(kDataBits, bits);
}
bool StrToDataBits(const QString &text, TDataBits &bits)
{
    return ValueOf(kDataBits, text, bits);
}
QString StopBitsToStr(TStopBits bits)
{
    return NameOf(kStopBits, bits);
}
bool StrToStopBits(const QString &text, TStopBits &bits)
{
    return ValueOf(kStopBits, text, bits);
}
QString ParityToStr(TParityBits parity)
{
    return NameOf(kParities, parity);
}
bool StrToParity(const QString &text, TParityBits &parity)
{
    return ValueOf(kParities, text, parity);
}
QString FlowControlToStr(TFlowControl flow)
{
    return NameOf(kFlows, flow);
}
bool StrToFlowControl(const QString &text, TFlowControl &flow)
{
    return ValueOf(kFlows, text, flow);
}

QString SerialErrorText(int code)
{
    switch (code) {
    case CE_OpenFailed:
        return QStringLiteral("Unable to open com port");
    case CE_WriteFailed:
        return QStringLiteral("WriteFile function failed");
    case CE_ReadFailed:
        return QStringLiteral("ReadFile function failed");
    case CE_InvalidAsync:
        return QStringLiteral("Invalid Async parameter");
    case CE_PurgeFailed:
        return QStringLiteral("PurgeComm function failed");
    case CE_AsyncCheck:
        return QStringLiteral("Unable to get async status");
    case CE_SetStateFailed:
        return QStringLiteral("SetCommState function failed");
    case CE_SetTimeoutsFailed:
        return QStringLiteral("SetCommTimeouts failed");
    case CE_SetupComFailed:
        return QStringLiteral("SetupComm function failed");
    case CE_LoadSettings:
        return QStringLiteral("Failed to load settings");
    default:
        return QStringLiteral("Serial port error");
    }
}

static std::string ErrorWhat(int code, int winCode, const QString &reason)
{
    QString text = SerialErrorText(code);
    if (winCode != 0)
        text += QStringLiteral(" (error code: %1)").arg(winCode);
    if (!reason.isEmpty())
        text += QStringLiteral(": ") + reason;
    return text.toStdString();
}

ESerialError::ESerialError(int code, int winCode, const QString &reason)
    : std::runtime_error(ErrorWhat(code, winCode, reason)), m_code(code), m_winCode(winCode),
      m_reason(reason)
{}

TComPort::TComPort() = default;

TComPort::~TComPort()
{
    Disconnect();
}

QString TComPort::DevicePath(const QString &portName)
{
    const QString name = portName.trimmed();
    static const QRegularExpression comName(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = comName.match(name);
    if (match.hasMatch()) {
        const int n = match.captured(1).toInt();
        return QStringLiteral("/dev/ttyS%1").arg(n > 0 ? n - 1 : 0);
    }
    if (!name.isEmpty() && !name.contains(QLatin1Char('/')))
        return QStringLiteral("/dev/") + name;
    return name;
}

QStringList TComPort::EnumPorts()
{
    QStringList ports;
    // The adapters by their serial numbers first: a replug keeps these names.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        ports << link.filePath();
    const QDir dev(QStringLiteral("/dev"));
    const QStringList patterns{QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"),
                               QStringLiteral("ttyACM*")};
    for (const QString &pattern : patterns) {
        QStringList names = dev.entryList({pattern}, QDir::System | QDir::Files);
        // Natural order: ttyS2 before ttyS10.
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const QString &name : names) {
            struct stat st
            {
            };
            const QByteArray path = dev.filePath(name).toLocal8Bit();
            if (::stat(path.constData(), &st) != 0 || !S_ISCHR(st.st_mode))
                continue;
            // The legacy ttyS nodes exist whether or not a UART is behind them;
            // the kernel reports type 0 (unknown) for those without one.
            if (name.startsWith(QLatin1String("ttyS"))) {
                QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(name));
                if (!type.open(QIODevice::ReadOnly) || type.readAll().trimmed().toInt() == 0)
                    continue;
            }
            ports << dev.filePath(name);
        }
    }
    return ports;
}

void TComPort::SetPort(const QString &port)
{
    if (port == m_port)
        return;
    m_port = port;
    SettingsChanged();
    if (Connected() && m_updateCount == 0) {
        Disconnect();
        Connect();
    }
}

void TComPort::SetBaudRate(TBaudRate rate)
{
    m_baudRate = rate;
    ApplyIfOpen();
}

void TComPort::SetCustomBaudRate(int rate)
{
    m_customBaudRate = rate;
    ApplyIfOpen();
}

void TComPort::SetDataBits(TDataBits bits)
{
    m_dataBits = bits;
    ApplyIfOpen();
}

void TComPort::SetStopBits(TStopBits bits)
{
    m_stopBits = bits;
    ApplyIfOpen();
}

void TComPort::SetParity(TParityBits parity)
{
    m_parity = parity;
    ApplyIfOpen();
}

void TComPort::SetFlowControl(TFlowControl flow)
{
    m_flowControl = flow;
    switch (flow) {
    case TFlowControl::fcHardware:
        m_rtsCts = true;
        m_xonXoff = false;
        break;
    case TFlowControl::fcSoftware:
        m_rtsCts = false;
        m_xonXoff = true;
        break;
    case TFlowControl::fcNone:
        m_rtsCts = false;
        m_xonXoff = false;
        break;
    case TFlowControl::fcCustom:
        break;
    }
    ApplyIfOpen();
}

TComTimeouts SaneTimeouts(const TComTimeouts &timeouts)
{
    const TComTimeouts defaults;
    auto sane = [](int value, int fallback) {
        if (value < 0)
            return fallback;
        return std::min(value, kMaxTotalTimeout);
    };
    TComTimeouts t;
    t.ReadInterval = sane(timeouts.ReadInterval, defaults.ReadInterval);
    t.ReadTotalConstant = sane(timeouts.ReadTotalConstant, defaults.ReadTotalConstant);
    t.ReadTotalMultiplier = sane(timeouts.ReadTotalMultiplier, defaults.ReadTotalMultiplier);
    t.WriteTotalConstant = sane(timeouts.WriteTotalConstant, defaults.WriteTotalConstant);
    t.WriteTotalMultiplier = sane(timeouts.WriteTotalMultiplier, defaults.WriteTotalMultiplier);
    return t;
}

int TotalTimeout(int constant, int multiplier, qint64 count)
{
    // Each factor is at most the cap after SaneTimeouts, but the port may be
    // given anything: the sum is formed in 64 bits from non-negative parts.
    const qint64 c = std::clamp<qint64>(constant, 0, kMaxTotalTimeout);
    const qint64 m = std::clamp<qint64>(multiplier, 0, kMaxTotalTimeout);
    const qint64 n = std::clamp<qint64>(count, 0, 1 << 20);
    const qint64 total = c + m * n;
    if (total <= 0 || total > kMaxTotalTimeout)
        return kMaxTotalTimeout;
    return static_cast<int>(total);
}

void TComPort::SetTimeouts(const TComTimeouts &timeouts)
{
    m_timeouts = SaneTimeouts(timeouts);
    SettingsChanged();
}

void TComPort::SetBufferSizes(int input, int output)
{
    // The kernel's queues have a fixed size; the values are kept for the settings.
    m_inputBufferSize = input;
    m_outputBufferSize = output;
}

void TComPort::SetRs485(const TRs485Settings &settings)
{
    m_rs485 = settings;
    SettingsChanged();
}

void TComPort::BeginUpdate()
{
    ++m_updateCount;
}

void TComPort::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && Connected())
        ApplySettings();
}

int TComPort::EffectiveBitRate() const
{
    return m_baudRate == TBaudRate::brCustom ? m_customBaudRate : BaudRateValue(m_baudRate);
}

void TComPort::ApplyIfOpen()
{
    SettingsChanged();
    if (Connected() && m_updateCount == 0)
        ApplySettings();
}

void TComPort::Connect()
{
    if (Connected())
        return;
    if (IsTcpPortName(m_port)) {
        m_fd = TcpConnect(m_port);
        m_socket = true;
        ApplySettings(); // records the line settings the gateway applies
        return;
    }
    const QString device = DevicePath(m_port);
    const QByteArray path = QFile::encodeName(device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        throw ESerialError(CE_OpenFailed, err, OpenFailureReason(err, device));
    }
    // A regular file opens as well; it is no port.
    struct stat st
    {
    };
    if (::fstat(fd, &st) == 0 && !S_ISCHR(st.st_mode)) {
        ::close(fd);
        throw ESerialError(CE_OpenFailed, ENOTTY, NotSerialDeviceReason(device));
    }
    // Exclusive use: an advisory lock that every instance of this program
    // (and most serial tools) honours, plus the kernel's exclusive mode for
    // other openers.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        // Closed first, so that the holders found are the others.
        throw ESerialError(CE_OpenFailed, err,
                           OpenFailureReason(err == EWOULDBLOCK ? EBUSY : err, device));
    }
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    try {
        ApplySettings();
    } catch (...) {
        Disconnect();
        throw;
    }
    ApplyRs485();
}

void TComPort::ApplyRs485()
{
    m_rs485Warning.clear();
    if (!m_rs485.Enabled || m_socket)
        return;
    // A refusal leaves the port open as it is: many adapters switch the
    // direction by themselves.
    if (const int err = tals::ApplyRs485(m_fd, m_rs485); err != 0)
        m_rs485Warning = QStringLiteral("Порт %1: режим RS-485 не включён - %2. Порт работает в "
                                        "обычном режиме.")
                             .arg(m_port, Rs485RefusalText(err));
}

void TComPort::Disconnect()
{
    if (m_fd < 0)
        return;
    if (!m_socket) {
        ::ioctl(m_fd, TIOCNXCL);
        ::flock(m_fd, LOCK_UN);
    }
    ::close(m_fd);
    m_fd = -1;
    m_socket = false;
    m_gatewayLost = false;
}

void TComPort::Reconnect()
{
    Connect(); // throws while the gateway cannot be reached
    m_gatewayLost = false;
}

void TComPort::ApplySettings()
{
    if (m_socket) {
        // The gateway's serial side is set up on the gateway itself.
        RecordLine(EffectiveBitRate(), false, 0, 0);
        return;
    }
    struct termios2 tio
    {
    };
    if (::ioctl(m_fd, TCGETS2, &tio) != 0)
        throw ESerialError(CE_SetStateFailed, errno,
                           QStringLiteral("Устройство не является портом"));

    // Raw byte stream: no line editing, no echo, no translation.
    tio.c_iflag = IGNBRK;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CREAD | CLOCAL;
    switch (m_dataBits) {
    case TDataBits::dbFive:
        tio.c_cflag |= CS5;
        break;
    case TDataBits::dbSix:
        tio.c_cflag |= CS6;
        break;
    case TDataBits::dbSeven:
        tio.c_cflag |= CS7;
        break;
    case TDataBits::dbEight:
        tio.c_cflag |= CS8;
        break;
    }
    // Linux has no 1.5 stop bits; the UART sends 1.5 for "two" at 5 data bits.
    if (m_stopBits != TStopBits::sbOneStopBit)
        tio.c_cflag |= CSTOPB;
    switch (m_parity) {
    case TParityBits::prNone:
        break;
    case TParityBits::prOdd:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case TParityBits::prEven:
        tio.c_cflag |= PARENB;
        break;
    case TParityBits::prMark:
        tio.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case TParityBits::prSpace:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (m_parity != TParityBits::prNone)
        tio.c_iflag |= INPCK;
    if (m_rtsCts)
        tio.c_cflag |= CRTSCTS;
    if (m_xonXoff) {
        tio.c_iflag |= IXON | IXOFF;
        tio.c_cc[VSTART] = 17;
        tio.c_cc[VSTOP] = 19;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;

    const int rate = EffectiveBitRate();
    if (rate <= 0)
        throw ESerialError(CE_SetStateFailed, EINVAL, QStringLiteral("Недопустимая скорость"));
    bool custom = true;
    for (const auto &s : kStandardRates)
        if (s.value == rate) {
            tio.c_cflag |= s.flag;
            custom = false;
        }
    if (custom)
        tio.c_cflag |= BOTHER;
    tio.c_ispeed = static_cast<speed_t>(rate);
    tio.c_ospeed = static_cast<speed_t>(rate);

    if (::ioctl(m_fd, TCSETS2, &tio) != 0)
        throw ESerialError(CE_SetStateFailed, errno);

    if (m_flowControl == TFlowControl::fcNone) {
        // DTR and RTS held inactive; not every device has modem lines.
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(m_fd, TIOCMBIC, &lines);
    }

    RecordLine(rate, custom, tio.c_cflag, tio.c_iflag);
}

void TComPort::RecordLine(int rate, bool custom, unsigned cflag, unsigned iflag)
{
    m_applied.BitRate = rate;
    m_applied.DataBits = static_cast<int>(m_dataBits);
    m_applied.Parity = m_parity;
    m_applied.StopBits = m_stopBits;
    m_applied.RtsCts = m_rtsCts;
    m_applied.XonXoff = m_xonXoff;
    m_applied.CustomRate = custom;
    m_applied.CFlag = cflag;
    m_applied.IFlag = iflag;
}

void TComPort::Purge()
{
    // A gateway whose connection was lost is tried again at every exchange,
    // so that polling comes back by itself once the gateway is back.
    if (!Connected() && m_gatewayLost)
        Reconnect();
    if (!Connected())
        throw ESerialError(CE_PurgeFailed, EBADF);
    if (m_socket) {
        // What was sent is on its way; only the received bytes go. A
        // gateway drops idle connections: a closed one is opened again.
        if (!TcpDiscardInput(m_fd)) {
            Disconnect();
            m_gatewayLost = true;
            Reconnect();
        }
        return;
    }
    if (::ioctl(m_fd, TCFLSH, TCIOFLUSH) != 0)
        throw ESerialError(CE_PurgeFailed, errno);
}

int TComPort::Write(const QByteArray &bytes)
{
    if (!Connected())
        throw ESerialError(CE_WriteFailed, EBADF);
    const int total =
        TotalTimeout(m_timeouts.WriteTotalConstant, m_timeouts.WriteTotalMultiplier, bytes.size());
    const auto deadline = TClock::now() + std::chrono::milliseconds(total);
    int written = 0;
    while (written < bytes.size()) {
        // A socket whose gateway has gone must fail the write, not raise SIGPIPE.
        const char *from = bytes.constData() + written;
        const size_t size = static_cast<size_t>(bytes.size() - written);
        const ssize_t n =
            m_socket ? ::send(m_fd, from, size, MSG_NOSIGNAL) : ::write(m_fd, from, size);
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            throw ESerialError(CE_WriteFailed, errno);
        const int wait = MillisLeft(deadline);
        if (wait == 0)
            break;
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, wait) < 0 && errno != EINTR)
            throw ESerialError(CE_WriteFailed, errno);
    }
    return written;
}

QByteArray TComPort::Read(int count, const TFrameLength &frameLength)
{
    if (!Connected())
        throw ESerialError(CE_ReadFailed, EBADF);
    QByteArray out;
    if (count <= 0)
        return out;
    const int total =
        TotalTimeout(m_timeouts.ReadTotalConstant, m_timeouts.ReadTotalMultiplier, count);
    const auto deadline = TClock::now() + std::chrono::milliseconds(total);
    const int interval = std::clamp(m_timeouts.ReadInterval, 0, kMaxTotalTimeout);
    TClock::time_point lastByte;
    char buffer[512];
    while (out.size() < count) {
        int wait = MillisLeft(deadline);
        if (!out.isEmpty() && interval > 0)
            wait = std::min(wait, MillisLeft(lastByte + std::chrono::milliseconds(interval)));
        if (wait == 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw ESerialError(CE_ReadFailed, errno);
        }
        if (r == 0)
            continue; // the loop head sees the expired limit
        if (p.revents & POLLNVAL)
            throw ESerialError(CE_ReadFailed, EBADF);
        const int want = std::min<int>(count - out.size(), sizeof buffer);
        const ssize_t n = ::read(m_fd, buffer, want);
        if (n > 0) {
            out.append(buffer, static_cast<int>(n));
            lastByte = TClock::now();
            if (frameLength) {
                if (const int complete = frameLength(out); complete > 0) {
                    out.truncate(complete); // what follows is purged with the queues
                    break;
                }
            }
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            // Nothing more will come: a tty reads 0 once it is hung up (an
            // adapter unplugged), a pseudo-terminal EIO once its other side
            // closed. A gateway's socket reads 0 when the gateway closed.
            const int err = n == 0 ? EIO : errno;
            if (m_socket && n == 0)
                break;
            throw ESerialError(CE_ReadFailed, err);
        }
    }
    return out;
}

} // namespace tals
