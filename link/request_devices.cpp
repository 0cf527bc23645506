#include "link/request_devices.h"

#include "platform/date_time.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMetaObject>
#include <QThread>

namespace tals {

namespace {

constexpr int kAnswerLimit = 250;
constexpr int kMeterAnswerLimit = 70;
constexpr quint8 kMeterCode = 253; // the archive's code for the meter's reading
const QByteArray kMeterRequest("\x01\x00\x01\x00", 4);

// The device's own error answer: six bytes with 0xFA as function byte.
bool IsErrorAnswer(const QByteArray &answer)
{
    return answer.size() == 6 && ByteAt(answer, 1) == 0xFA;
}

struct TArchived
{
    quint8 Code;
    const char *Name;
    int Decimals;
};

// The readings each command refreshes, under their archive names.
constexpr TArchived kArchived[] = {
    {4, "Distance", 1},
    {4, "LevelBusy", 1},
    {4, "LevelFree", 1},
    {4, "TmpOfSensor", 0},
    {25, "TestDistance", 1},
    {25, "TestDistanceFlt", 1},
    {kMeterCode, "CurrentOutput", 2},
};

} // namespace

TRequestDevices::TRequestDevices() = default;

TRequestDevices::~TRequestDevices()
{
    StopLink();
}

void TRequestDevices::StartLink(TLinkDevice *device)
{
    m_device = device;
    m_uiContext = std::make_unique<QObject>();

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
        m_transmitter->Open();
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
        // decode its answer: keep serving such calls until the worker ends.
        while (!m_worker->wait(QDeadlineTimer(20)))
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
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
    m_uiContext.reset();
}

void TRequestDevices::HandOver(const std::function<void()> &fn)
{
    if (!m_uiContext || QThread::currentThread() == m_uiContext->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(m_uiContext.get(), fn, Qt::BlockingQueuedConnection);
}

int TRequestDevices::ExecuteCommand(quint8 code)
{
    return Execute(code, nullptr);
}

int TRequestDevices::Execute(quint8 code, int *linkState)
{
    try {
        TLinkDevice *device = m_device;
        TTransmitter *link = m_transmitter.get();
        if (!device || !link)
            return -1;
        TFrame request;
        try {
            if (!device->BuildRequest(code, request))
                return -1;
        } catch (...) {
            return -1;
        }
        QByteArray answer;
        try {
            link->Exchange(request, answer, kAnswerLimit, true);
        } catch (...) {
            return -1;
        }
        // The answer and the code travel with this call, so the decoding is
        // not disturbed by another command built in the meantime.
        const TBuffer bytes = FrameToBytes(answer);
        int errorCode = -1;
        int state = 0;
        HandOver([&] {
            try {
                device->ParseAnswer(bytes, code);
                errorCode = device->ErrorCode();
                state = device->LinkState();
            } catch (...) {
                errorCode = -1;
            }
        });
        if (linkState)
            *linkState = state;
        const int result = answer.isEmpty() || IsErrorAnswer(answer) ? -1 : errorCode;
        WriteJournal(AppendCrc16(request), answer);
        return result;
    } catch (...) {
        return -1;
    }
}

int TRequestDevices::ExecuteZelvin()
{
    return ExecuteMeter(nullptr);
}

int TRequestDevices::ExecuteMeter(int *linkState)
{
    try {
        TLinkDevice *device = m_device;
        TTransmitter *link = m_transmitter.get();
        if (!link)
            return -1;
        QByteArray answer;
        try {
            link->ExchangeZelvin(kMeterRequest, answer, kMeterAnswerLimit, true);
        } catch (...) {
            return -1;
        }
        const TBuffer bytes = FrameToBytes(answer);
        int state = 0;
        if (device)
            HandOver([&] {
                try {
                    device->ParseZelvinAnswer(bytes);
                    state = device->LinkState();
                } catch (...) {
                }
            });
        if (linkState)
            *linkState = state;
        WriteJournal(AppendCrc8(kMeterRequest), answer);
        return IsErrorAnswer(answer) ? -1 : 0;
    } catch (...) {
        return -1;
    }
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
        m_journal->WriteLine(QStringLiteral("[") + render(request) + QStringLiteral("] -> [") +
                             render(answer) + QStringLiteral("]"));
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

        if (devices[tag].Kind == 0) {
            for (int code = 0; code <= 253; ++code) {
                if (!pollSet.test(code))
                    continue;
                int state = 0;
                Execute(static_cast<quint8>(code), &state);
                if (state == 1)
                    ArchiveReadings(static_cast<quint8>(code));
            }
        } else {
            int state = 0;
            ExecuteMeter(&state);
            if (state == 1)
                ArchiveReadings(kMeterCode);
        }
        return true;
    } catch (...) {
        return false;
    }
}

void TRequestDevices::ArchiveReadings(quint8 code)
{
    TReadingArchive *archive = m_archive.load();
    TLinkDevice *device = m_device;
    if (!archive || !device)
        return;
    const TDateTime time = Now();
    for (const TArchived &a : kArchived) {
        if (a.Code != code)
            continue;
        double value = 0;
        if (!device->ReadingValue(QLatin1String(a.Name), value))
            continue;
        try {
            archive->Append(QLatin1String(a.Name), value, time, a.Decimals);
        } catch (...) {
        }
    }
}

void TRequestDevices::PollTick(const std::function<void()> &refreshAllWindows,
                               const std::function<void()> &stopPolling)
{
    if (!m_pollTimer)
        return;
    m_pollTimer->SetPaused(true);
    if (AnyDeviceEnabled()) {
        if (m_worker) {
            std::lock_guard lock(m_worker->RequestLock());
            m_worker->Resume();
        }
        if (refreshAllWindows)
            refreshAllWindows();
        m_pollTimer->SetPaused(false);
    } else if (stopPolling) {
        stopPolling();
    } else {
        m_pollTimer->Stop();
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
