// The simulated line: the pseudo-terminal or TCP transport, framing of the
// requests, the devices that answer and their collisions, faults, pacing
// and bursts of the answers.

#include "sim/sim_transducer.h"

#include "platform/error_text.h"

#include "protocol/frame.h"
#include "sim/register_map.h"
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tals {

using namespace simmap;

bool TSimTransducer::Start(QString *error)
{
    if (IsRunning())
        return true;
    if (!m_pty.Open(error))
        return false;
    if (!MakeLink(error)) {
        m_pty.Close();
        return false;
    }
    return StartServing(error);
}

void TSimTransducer::SetLinkPath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_linkPath = path;
}

QString TSimTransducer::LinkPath() const
{
    std::lock_guard lock(m_mutex);
    return m_linkPath;
}

bool TSimTransducer::MakeLink(QString *error)
{
    const QString link = LinkPath();
    if (link.isEmpty())
        return true;
    const QByteArray name = QFile::encodeName(link);
    ::unlink(name.constData());
    if (::symlink(QFile::encodeName(m_pty.SlavePath()).constData(), name.constData()) == 0)
        return true;
    if (error)
        *error = QStringLiteral("cannot create %1: %2").arg(link, SystemErrorText(errno));
    return false;
}

void TSimTransducer::RemoveLink()
{
    const QString link = LinkPath();
    if (!link.isEmpty() && m_pty.IsOpen())
        ::unlink(QFile::encodeName(link).constData());
}

void TSimTransducer::SetEchoRequest(bool on)
{
    m_echoRequest = on;
}

void TSimTransducer::CorruptNextEchoes(int count)
{
    m_corruptEchoes = std::max(0, count);
}

void TSimTransducer::Echo(int line, QByteArray bytes)
{
    if (!m_echoRequest || bytes.isEmpty())
        return;
    if (m_corruptEchoes > 0) {
        --m_corruptEchoes;
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x10);
    }
    const bool socket = line == m_connection;
    int sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            socket ? ::send(line, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL)
                   : ::write(line, bytes.constData() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<int>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{line, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            break;
        }
    }
}

bool TSimTransducer::StartTcp(quint16 port, QString *error)
{
    if (IsRunning())
        return true;
    if (!m_listener.Open(port, error))
        return false;
    return StartServing(error);
}

bool TSimTransducer::StartServing(QString *error)
{
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = QStringLiteral("pipe: %1").arg(SystemErrorText(errno));
        m_pty.Close();
        m_listener.Close();
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void TSimTransducer::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    for (int &fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    CloseConnection();
    m_listener.Close();
    RemoveLink();
    m_pty.Close();
}

QString TSimTransducer::PortPath() const
{
    return m_listener.IsOpen() ? m_listener.PortName() : m_pty.SlavePath();
}

void TSimTransducer::DropConnection()
{
    m_drop = true;
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
}

void TSimTransducer::AcceptConnection()
{
    const int fd = m_listener.Accept();
    if (fd < 0)
        return;
    CloseConnection();
    m_connection = fd;
}

void TSimTransducer::CloseConnection()
{
    if (m_connection >= 0)
        ::close(m_connection);
    m_connection = -1;
}

int TSimTransducer::LineFd() const
{
    return m_listener.IsOpen() ? m_connection : m_pty.MasterFd();
}

void TSimTransducer::Run()
{
    QByteArray buffer;
    auto lastByte = std::chrono::steady_clock::now();
    while (!m_stop) {
        const int line = LineFd();
        pollfd fds[3] = {{line, POLLIN, 0}, {m_wake[0], POLLIN, 0}, {m_listener.Fd(), POLLIN, 0}};
        const int r = ::poll(fds, 3, buffer.isEmpty() ? 200 : 10);
        if (m_stop)
            break;
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            char drain[16];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (m_drop.exchange(false)) {
            CloseConnection();
            buffer.clear();
            continue;
        }
        if (fds[2].revents & POLLIN) {
            AcceptConnection(); // a new master: what the old one left is dropped
            buffer.clear();
            continue;
        }
        if (line >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            char chunk[512];
            const ssize_t n = ::read(line, chunk, sizeof chunk);
            if (n > 0) {
                buffer.append(chunk, static_cast<int>(n));
                lastByte = std::chrono::steady_clock::now();
                Echo(line, QByteArray(chunk, static_cast<int>(n)));
            } else if (line == m_connection && (n == 0 || (errno != EAGAIN && errno != EINTR))) {
                CloseConnection(); // the master went away
                buffer.clear();
            }
        }
        for (;;) {
            const int length = CompleteFrameLength(buffer);
            if (length <= 0)
                break;
            const QByteArray frame = buffer.left(length);
            buffer.remove(0, length);
            HandleFrame(frame);
        }
        // An incomplete or corrupt frame followed by silence is dropped, as a
        // Modbus device waits for the line to go quiet before the next frame.
        if (!buffer.isEmpty() &&
            std::chrono::steady_clock::now() - lastByte > std::chrono::milliseconds(30))
            buffer.clear();
    }
}

int TSimTransducer::CompleteFrameLength(const QByteArray &buffer) const
{
    // The meter's fixed request (CRC-8).
    if (buffer.size() >= 5 && ByteAt(buffer, 0) == 0x01 && ByteAt(buffer, 1) == 0x00 &&
        ByteAt(buffer, 2) == 0x01 && ByteAt(buffer, 3) == 0x00 && CheckCrc8Frame(buffer.left(5)))
        return 5;
    if (buffer.size() < 4)
        return 0;
    // The length follows from the function byte (a bare CRC search is not
    // enough: a frame ending in zero bytes can have a prefix whose CRC checks).
    std::vector<int> candidates;
    switch (ByteAt(buffer, 1)) {
    case 0x03:
    case 0x04:
    case 0x06:
        candidates = {8};
        break;
    case 0x10: // function 16, or the service echo A 10 03 AA 55
        if (ByteAt(buffer, 2) == 0x03 && ByteAt(buffer, 3) == 0xAA)
            candidates = {7};
        else if (buffer.size() >= 7)
            candidates = {9 + ByteAt(buffer, 6)};
        break;
    case 0x2B:
        candidates = {7};
        break;
    default: {
        if (IsServiceFunction(ByteAt(buffer, 1))) {
            candidates = {ByteAt(buffer, 2) + 4}; // address, function, length byte, data, CRC
            break;
        }
        // An unknown function: the shortest prefix whose CRC checks.
        const int limit = std::min<int>(buffer.size(), 260);
        for (int length = 4; length <= limit; ++length)
            if (CheckCrc16Frame(buffer.left(length)))
                return length;
        return 0;
    }
    }
    for (int length : candidates)
        if (length <= buffer.size() && CheckCrc16Frame(buffer.left(length)))
            return length;
    return 0; // incomplete, or corrupt and dropped after the gap
}

void TSimTransducer::HandleFrame(const QByteArray &frame)
{
    const bool meter = frame.size() == 5 && ByteAt(frame, 1) == 0x00 && CheckCrc8Frame(frame);
    TReply reply;
    QByteArray collided;
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(frame);
        if (meter) {
            ++m_meterRequestCount;
            if (!m_meterPresent)
                return;
            reply.Send = true;
            if (!m_faults.empty()) {
                reply.Fault = m_faults.front();
                m_faults.pop_front();
                reply.HasFault = true;
            }
            if (reply.HasFault && reply.Fault.Kind == TSimFaultKind::Silence)
                return;
            if (reply.HasFault && reply.Fault.Kind == TSimFaultKind::ErrorAnswer) {
                reply.Answer = ErrorAnswerFrame(
                    static_cast<quint8>(reply.Fault.Value ? reply.Fault.Value : 1));
                reply.Answer.append('\0'); // six bytes with its one-byte checksum as well
            } else {
                reply.Answer = MeterAnswer();
            }
        } else {
            // Every device on the line sees the frame; each addressed one answers.
            std::vector<TReply> answers;
            TReply own = Respond(frame);
            if (own.Send)
                answers.push_back(std::move(own));
            for (const auto &other : m_others) {
                TReply r = other->Serve(frame);
                if (r.Send)
                    answers.push_back(std::move(r));
            }
            if (answers.size() == 1) {
                reply = std::move(answers.front());
            } else if (answers.size() > 1) {
                // Two drivers on one RS-485 pair: the master gets one garbled frame.
                std::vector<QByteArray> frames;
                for (const TReply &r : answers)
                    frames.push_back(AppendCrc16(r.Answer));
                collided = CollidedFrame(frames);
            }
        }
    }
    if (!collided.isEmpty())
        Send(collided, nullptr, false, false);
    else if (reply.Send)
        Send(reply.Answer, reply.HasFault ? &reply.Fault : nullptr, meter);
}

QByteArray CollidedFrame(const std::vector<QByteArray> &frames)
{
    // A dominant low level wins on the pair: the bytes sent at once are
    // ANDed; the longest answer sets the length. Identical answers would
    // still pass the check, but real devices never start in the same bit
    // time, so the checksum is always spoilt.
    QByteArray line;
    for (const QByteArray &f : frames) {
        if (f.size() > line.size())
            line.append(QByteArray(f.size() - line.size(), '\xFF'));
        for (int i = 0; i < f.size(); ++i)
            line[i] = static_cast<char>(ByteAt(line, i) & ByteAt(f, i));
    }
    if (line.size() >= 3 && CheckCrc16Frame(line))
        line[line.size() - 1] = static_cast<char>(~ByteAt(line, line.size() - 1));
    return line;
}

TSimTransducer::TReply TSimTransducer::Serve(const QByteArray &frame)
{
    std::lock_guard lock(m_mutex);
    const quint8 address = ByteAt(frame, 0);
    if (address == m_address || address == 0)
        m_requests.append(frame);
    return Respond(frame);
}

TSimTransducer::TReply TSimTransducer::Respond(const QByteArray &frame)
{
    TReply reply;
    const quint8 address = ByteAt(frame, 0);
    if (address != m_address && address != 0)
        return reply; // another device on the line
    ++m_requestCount;
    // One measurement per request: every register of an answer agrees.
    m_noiseSample = m_noiseSd > 0 ? std::normal_distribution<double>(0.0, m_noiseSd)(m_gauss) : 0.0;
    const bool broadcast = address == 0;
    if (!broadcast && !m_faults.empty()) {
        reply.Fault = m_faults.front();
        m_faults.pop_front();
        reply.HasFault = true;
    }
    const TSimFault &fault = reply.Fault;
    if (reply.HasFault && fault.Kind == TSimFaultKind::Silence)
        return reply;
    bool silent = false;
    if (reply.HasFault && fault.Kind == TSimFaultKind::Exception) {
        reply.Answer = Exception(ByteAt(frame, 1), static_cast<quint8>(fault.Value));
    } else if (reply.HasFault && fault.Kind == TSimFaultKind::ErrorAnswer) {
        reply.Answer = ErrorAnswerFrame(static_cast<quint8>(fault.Value ? fault.Value : 1));
    } else if (reply.HasFault && fault.Kind == TSimFaultKind::StatusWord) {
        const quint16 saved = m_statusWord;
        m_statusWord = static_cast<quint16>(fault.Value);
        reply.Answer = Answer(frame, silent);
        m_statusWord = saved;
    } else {
        reply.Answer = Answer(frame, silent);
    }
    reply.Send = !broadcast && !silent;
    return reply;
}

void TSimTransducer::Send(QByteArray answer, const TSimFault *fault, bool crc8, bool checksum)
{
    if (checksum)
        answer = crc8 ? AppendCrc8(answer) : AppendCrc16(answer);
    int gapMs = 0;
    if (fault) {
        switch (fault->Kind) {
        case TSimFaultKind::BadCrc:
            answer[answer.size() - 1] = static_cast<char>(~ByteAt(answer, answer.size() - 1));
            break;
        case TSimFaultKind::Truncate:
            answer.truncate(std::max(0, fault->Value));
            break;
        case TSimFaultKind::Overlong:
            for (int i = answer.size(); i < fault->Value; ++i)
                answer.append(static_cast<char>(i & 0xFF));
            break;
        case TSimFaultKind::ByteGaps:
            gapMs = fault->Value;
            break;
        default:
            break;
        }
    }
    int delayUs = 0, burstBytes = 0, burstGapMs = 0;
    {
        std::lock_guard lock(m_mutex);
        delayUs = m_byteDelayUs;
        burstBytes = gapMs > 0 ? 0 : m_burstBytes; // injected gaps go byte by byte
        burstGapMs = m_burstGapMs;
    }
    const int line = LineFd();
    if (line < 0)
        return; // the master has gone
    const bool socket = line == m_connection;
    using namespace std::chrono;
    const auto start = steady_clock::now();
    int sent = 0;
    while (sent < answer.size() && !m_stop) {
        int chunk = answer.size() - sent;
        if (burstBytes > 0) {
            // A burst leaves once its last byte is through the wire and the
            // adapter's timer has run out for each burst before it.
            chunk = std::min(chunk, burstBytes - sent % burstBytes);
            const auto due = start + microseconds(static_cast<long>(sent + chunk) * delayUs) +
                             milliseconds(static_cast<long>(sent / burstBytes) * burstGapMs);
            std::this_thread::sleep_until(due);
        } else if (delayUs > 0 || gapMs > 0) {
            // One byte at a time, each at its own moment on the emulated wire.
            const auto due = start + microseconds(static_cast<long>(sent) * delayUs) +
                             milliseconds(static_cast<long>(sent) * gapMs);
            std::this_thread::sleep_until(due);
            chunk = 1;
        }
        // A master that has gone must not raise SIGPIPE in the simulator.
        const ssize_t n = socket ? ::send(line, answer.constData() + sent, chunk, MSG_NOSIGNAL)
                                 : ::write(line, answer.constData() + sent, chunk);
        if (n > 0) {
            sent += static_cast<int>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{line, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            break;
        }
    }
}

} // namespace tals
