#include "link/request_devices.h"

#include "device/answer_parser.h"
#include "device/command_table.h"
#include "platform/date_time.h"
#include "protocol/frame.h"

#include <QDir>
#include <QFileInfo>

namespace tals {

namespace {

constexpr int kMeterAnswerLimit = 70;
constexpr quint8 kTransducer = 0;
constexpr quint8 kMeter = 1;
const QByteArray kMeterRequest("\x01\x00\x01\x00", 4);

// The device's own error answer.
bool IsErrorAnswer(const QByteArray &answer)
{
    return answer.size() == 6 && ByteAt(answer, 1) == kFnErrorAnswer;
}

} // namespace

TRequestDevices::TRequestDevices() = default;

TRequestDevices::~TRequestDevices()
{
    StopLink();
}

TPortOpenResult TRequestDevices::StartLink(TLinkDevice *device,
                                           const std::function<void(TTransmitter &)> &configure)
{
    TPortOpenResult opened;
    m_device = device;
    m_handOver = std::make_unique<THandOver>();

    // Each step on its own, so that a failing one does not stop the next.
    try {
        m_pollTimer = std::make_unique<TCustomTimer>();
        m_pollTimer->setObjectName(QStringLiteral("ctReqDevices"));
        m_pollTimer->LoadFromIni();
    } catch (...) {
    }
    try {
        std::lock_guard lock(m_listLock);
        m_devices.clear();
        m_devices.push_back({0, 0, device ? device->Enabled() : false,
                             device ? device->Caption() : QStringLiteral("ТАЛС352И")});
        m_devices.push_back({1, 1, false, QStringLiteral("ЗЕЛВИН-512")});
    } catch (...) {
    }
    try {
        m_transmitter = std::make_unique<TTransmitter>();
        m_transmitter->SetName(QStringLiteral("Transmitter"));
        try {
            m_transmitter->LoadSettings();
        } catch (...) {
        }
        opened.Port = m_transmitter->Port();
        if (configure)
            configure(*m_transmitter);
        opened = m_transmitter->Open();
    } catch (const std::exception &e) {
        opened.Reason = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    try {
        m_worker = std::make_unique<TRequestThread>([this] { PollNextDevice(); });
        m_worker->start();
    } catch (...) {
    }
    try {
        m_journal = std::make_unique<TLog>();
        // The date is taken once: a run past midnight keeps the start day's file.
        m_journal->SetFileName(QDir::current().filePath(QStringLiteral("rd") + FileDate6(Now()) +
                                                        QStringLiteral(".txt")));
    } catch (...) {
    }
    return opened;
}

void TRequestDevices::StopLink()
{
    // No more ticks; the timer object itself goes once the worker is gone,
    // since a running step reads the device cursor kept in its tag.
    if (m_pollTimer)
        m_pollTimer->stop();
    if (m_worker) {
        m_worker->Terminate();
        // A step may be waiting for the user-interface thread (this one) to
        // build a request or decode an answer: keep serving such calls until
        // the worker ends.
        while (m_worker->isRunning() && !m_worker->WaitFinished(20))
            if (m_handOver)
                m_handOver->ServePending();
        m_worker.reset();
    }
    m_pollTimer.reset();
    m_journal.reset();
    if (m_transmitter) {
        m_transmitter->Close();
        m_transmitter.reset();
    }
    {
        std::lock_guard lock(m_listLock);
        m_devices.clear();
    }
    m_handOver.reset();
}

bool TRequestDevices::OnInterfaceThread() const
{
    return !m_handOver || m_handOver->OnOwnerThread();
}

TExchangeOutcome TRequestDevices::ExecuteCommand(quint8 code, bool polling)
{
    return Transact(kTransducer, code, nullptr, polling);
}

TExchangeOutcome TRequestDevices::ExecuteCommand(quint8 code, TReadings &readings, bool polling)
{
    return Transact(kTransducer, code, &readings, polling);
}

TExchangeOutcome TRequestDevices::ExecuteZelvin()
{
    return Transact(kMeter, kMeterReadingCode, nullptr, false);
}

bool TRequestDevices::EnsurePort(TTransmitter &link, bool polling)
{
    if (!m_portWatch.Lost())
        return true;
    if (!m_portWatch.ReopenDue(polling) || !link.Open())
        return false;
    if (m_portWatch.MarkRecovered())
        ReportPortEvent({false, link.Port(), QString()});
    return true;
}

void TRequestDevices::PortLostNow(TTransmitter &link, const QString &reason)
{
    link.Close();
    if (m_portWatch.MarkLost(reason))
        ReportPortEvent({true, link.Port(), reason});
}

void TRequestDevices::ReportPortEvent(const TPortEvent &event)
{
    try {
        TLog journal(m_faultJournalFile.isEmpty() ? BlackBoxPath() : m_faultJournalFile);
        journal.WriteLine(event.Lost ? PortLostJournalText(event.Port, event.Reason)
                                     : PortRecoveredJournalText(event.Port));
    } catch (...) {
    }
    TPortEventHandler handler;
    {
        std::lock_guard lock(m_portEventLock);
        handler = m_portEvents;
    }
    if (handler)
        handler(event);
}

void TRequestDevices::SetPortEventHandler(TPortEventHandler handler)
{
    std::lock_guard lock(m_portEventLock);
    m_portEvents = std::move(handler);
}

void TRequestDevices::SetFaultJournalFile(const QString &path)
{
    std::lock_guard lock(m_portEventLock);
    m_faultJournalFile = path;
}

TExchangeOutcome TRequestDevices::Transact(quint8 kind, quint8 code, TReadings *readings,
                                           bool polling)
{
    TExchangeOutcome outcome;
    try {
        if (readings)
            *readings = TReadings();
        TLinkDevice *device = m_device;
        TTransmitter *link = m_transmitter.get();
        if (!link || (kind == kTransducer && !device)) {
            outcome.Reason = QStringLiteral("Порт не открыт");
            return outcome;
        }
        // The request is made where the model lives and travels by value.
        TFrame request = kMeterRequest;
        if (kind == kTransducer) {
            Ttals352::TRequest built;
            m_handOver->Run([&] { built = device->BuildRequest(code); });
            if (!built.Ok) {
                outcome.Reason = built.ErrorText;
                return outcome;
            }
            request = built.Frame;
            outcome.Warning = built.Warning;
        }
        if (!EnsurePort(*link, polling)) {
            outcome.Reason = m_portWatch.Reason();
            return outcome;
        }
        QByteArray answer;
        TEchoFault echo = TEchoFault::None;
        try {
            if (kind == kTransducer)
                link->Exchange(request, answer, kAnswerLimit, true, &echo);
            else
                link->ExchangeZelvin(request, answer, kMeterAnswerLimit, true, &echo);
        } catch (const ESerialError &e) {
            if (IsPortLoss(e))
                PortLostNow(*link, tals::PortLossReason(e));
            outcome.Reason = e.Reason().isEmpty() ? e.Text() : e.Reason();
            return outcome;
        } catch (const std::exception &e) {
            outcome.Reason = QString::fromLocal8Bit(e.what());
            return outcome;
        } catch (...) {
            return outcome;
        }
        // A device gone quietly leaves its path behind only for a while.
        if (answer.isEmpty() && !PortPathPresent(link->Port()))
            PortLostNow(
                *link,
                QStringLiteral("устройство %1 исчезло").arg(TComPort::DevicePath(link->Port())));
        // The request, answer and code travel with this call, so the decoding
        // is not disturbed by another command built in the meantime.
        const TBuffer bytes = FrameToBytes(answer);
        TDecoded decoded;
        if (device)
            m_handOver->Run([&] {
                if (echo != TEchoFault::None)
                    decoded = device->ParseLineFailure(EchoFaultText(echo));
                else if (kind == kTransducer)
                    decoded = device->ParseAnswer(request, bytes, code);
                else
                    decoded = device->ParseZelvinAnswer(bytes);
            });
        if (readings)
            *readings = decoded.Readings;
        if (OnInterfaceThread()) {
            m_lastCode = code;
            m_lastReadings = decoded.Readings;
        }
        const QString warning = outcome.Warning;
        if (device)
            outcome = decoded.Outcome;
        outcome.Warning = warning;
        int result = IsErrorAnswer(answer) || echo != TEchoFault::None ? -1 : 0;
        if (kind == kTransducer && result == 0)
            result = answer.isEmpty() ? -1 : decoded.ErrorCode;
        if (answer.isEmpty())
            outcome.Status = TExchangeStatus::NoAnswer;
        else if (IsErrorAnswer(answer))
            outcome.Status = TExchangeStatus::Refused; // the device's own error answer
        if (echo != TEchoFault::None) {
            outcome.Status =
                answer.isEmpty() ? TExchangeStatus::NoAnswer : TExchangeStatus::BadAnswer;
            outcome.Reason = EchoFaultText(echo);
        }
        outcome.Result = result;
        WriteJournal(kind == kTransducer ? AppendCrc16(request) : AppendCrc8(request), answer);
        return outcome;
    } catch (...) {
        outcome.Result = -1;
        return outcome;
    }
}

QString TRequestDevices::JournalFullText()
{
    return QStringLiteral("Журнал обмена заполнен, записи за этот день прекращены");
}

void TRequestDevices::WriteJournal(const QByteArray &request, const QByteArray &answer)
{
    try {
        const int radix = m_journalRadix.load();
        if (!m_journal || (radix != 10 && radix != 16))
            return;
        auto render = [radix](const QByteArray &frame) {
            return radix == 10 ? FrameToDecimal(frame, true) : FrameToHex(frame);
        };
        const QString line = QStringLiteral("[") + render(request) + QStringLiteral("] -> [") +
                             render(answer) + QStringLiteral("]");
        // A babbling line must not fill the disk: past the limit one line
        // says so and the rest of the day's exchanges are not journaled.
        std::lock_guard lock(m_journalLock);
        if (m_journalFull)
            return;
        if (QFileInfo(m_journal->FileName()).size() >= m_journalLimit.load()) {
            m_journalFull = true;
            m_journal->WriteLine(JournalFullText());
            return;
        }
        m_journal->WriteLine(line);
    } catch (...) {
    }
}

bool TRequestDevices::AnyDeviceEnabled() const
{
    std::lock_guard lock(m_listLock);
    for (const TListDevice &d : m_devices)
        if (d.Enabled)
            return true;
    return false;
}

bool TRequestDevices::PollNextDevice()
{
    try {
        std::vector<TListDevice> devices;
        TPollSet pollSet;
        {
            std::lock_guard lock(m_listLock);
            devices = m_devices;
            pollSet = m_pollSet;
        }
        const int count = static_cast<int>(devices.size());
        bool any = false;
        for (const TListDevice &d : devices)
            any = any || d.Enabled;
        if (!any || !m_pollTimer)
            return false; // the tick stops polling instead
        // The cursor moves on before the choice, so after start-up (tag 0)
        // the first step with both devices enabled serves the second one.
        int tag = m_pollTimer->Tag();
        do {
            tag = tag < count - 1 ? tag + 1 : 0;
        } while (!devices[tag].Enabled);
        m_pollTimer->SetTag(tag);

        // Only readings decoded from the answer of this very poll are archived.
        TReadings readings;
        if (devices[tag].Kind == kTransducer) {
            for (int code = 0; code <= kLastCommandCode; ++code) {
                if (!pollSet.test(code))
                    continue;
                Transact(kTransducer, static_cast<quint8>(code), &readings, true);
                ArchiveReadings(code, readings);
            }
        } else {
            Transact(kMeter, kMeterReadingCode, &readings, true);
            ArchiveReadings(kMeterReadingCode, readings);
        }
        return true;
    } catch (...) {
        return false;
    }
}

void TRequestDevices::ArchiveReadings(quint8 code)
{
    // The user-interface thread's last command; the worker archives its own.
    if (!OnInterfaceThread() || m_lastCode != code)
        return;
    const TReadings readings = m_lastReadings;
    m_lastReadings = TReadings();
    ArchiveReadings(code, readings);
}

void TRequestDevices::ArchiveReadings(int code, const TReadings &readings)
{
    TReadingArchive *archive = m_archive.load();
    if (!archive || !readings.Any())
        return;
    for (const TReadingInfo &r : ReadingTable()) {
        const std::optional<double> &value = readings.Value(r.Id);
        if (r.Command != code || !value)
            continue;
        try {
            archive->Append(QLatin1String(r.Name), *value, readings.Time, r.Decimals);
        } catch (...) {
        }
    }
}

void TRequestDevices::SetPolled(quint8 code, bool polled)
{
    std::lock_guard lock(m_listLock);
    m_pollSet.set(code, polled);
}

bool TRequestDevices::IsPolled(quint8 code) const
{
    std::lock_guard lock(m_listLock);
    return m_pollSet.test(code);
}

TPollSet TRequestDevices::PollSet() const
{
    std::lock_guard lock(m_listLock);
    return m_pollSet;
}

void TRequestDevices::SetPollSet(const TPollSet &set)
{
    std::lock_guard lock(m_listLock);
    m_pollSet = set;
}

QList<TListDevice> TRequestDevices::Devices() const
{
    std::lock_guard lock(m_listLock);
    return QList<TListDevice>(m_devices.begin(), m_devices.end());
}

void TRequestDevices::SetDeviceEnabled(int index, bool enabled)
{
    std::lock_guard lock(m_listLock);
    if (index >= 0 && index < static_cast<int>(m_devices.size()))
        m_devices[index].Enabled = enabled;
}

} // namespace tals
