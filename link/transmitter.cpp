#include "link/transmitter.h"

#include "platform/ini_file.h"
#include "platform/paths.h"
#include "protocol/answer_length.h"
#include "protocol/frame.h"

#include <QDir>

#include <algorithm>

namespace tals {

namespace {

constexpr int kDefaultReadInterval = 50;
constexpr int kDefaultReadTotalConstant = 150;
constexpr int kDefaultReadTotalMultiplier = 2;
constexpr int kDefaultWriteTotalConstant = 100;
constexpr int kDefaultWriteTotalMultiplier = 2;
constexpr int kDefaultCustomRate = 9600;

// A setting stored as one of its texts; a missing key keeps the current value,
// a text that names no value gives the fallback.
template <class T>
T ReadChoice(const TIniFile &ini, const QString &section, const char *key, T current,
             QString (*toText)(T), bool (*fromText)(const QString &, T &), T fallback)
{
    T value = fallback;
    if (!fromText(ini.ReadString(section, QLatin1String(key), toText(current)), value))
        value = fallback;
    return value;
}

} // namespace

QString FrameEndToStr(TFrameEnd end)
{
    return end == TFrameEnd::feLength ? QStringLiteral("Length") : QStringLiteral("Gap");
}

bool StrToFrameEnd(const QString &text, TFrameEnd &end)
{
    for (TFrameEnd e : {TFrameEnd::feGap, TFrameEnd::feLength})
        if (text.trimmed().compare(FrameEndToStr(e), Qt::CaseInsensitive) == 0) {
            end = e;
            return true;
        }
    return false;
}

QStringList FrameEndTexts()
{
    return {FrameEndToStr(TFrameEnd::feGap), FrameEndToStr(TFrameEnd::feLength)};
}

TTransmitter::TTransmitter()
    : m_iniFileName(IniFilePath(QDir::currentPath(), QStringLiteral("ComPort.ini")))
{
    SetBufferSizes(1024, 1024);
}

TTransmitter::~TTransmitter()
{
    std::lock_guard lock(m_portLock);
    Disconnect();
}

void TTransmitter::LoadSettings()
{
    std::lock_guard lock(m_portLock);
    BeginUpdate();
    try {
        const TIniFile ini(m_iniFileName);
        const QString s = m_name;
        SetPort(ini.ReadString(s, QStringLiteral("Port"), Port()));

        const TBaudRate rate = ReadChoice(ini, s, "BaudRate", BaudRate(), &BaudRateToStr,
                                          &StrToBaudRate, TBaudRate::br9600);
        SetBaudRate(rate);
        if (rate == TBaudRate::brCustom) {
            const int custom =
                ini.ReadInteger(s, QStringLiteral("CustomBaudRate"), kDefaultCustomRate);
            // A rate of zero or less cannot be set on any line.
            SetCustomBaudRate(custom > 0 ? custom : kDefaultCustomRate);
        }

        SetDataBits(ReadChoice(ini, s, "DataBits", DataBits(), &DataBitsToStr, &StrToDataBits,
                               TDataBits::dbEight));
        SetStopBits(ReadChoice(ini, s, "StopBits", StopBits(), &StopBitsToStr, &StrToStopBits,
                               TStopBits::sbOneStopBit));
        SetParity(ReadChoice(ini, s, "Parity", Parity(), &ParityToStr, &StrToParity,
                             TParityBits::prNone));
        // Custom leaves the individual handshake flags as they are.
        SetFlowControl(ReadChoice(ini, s, "FlowControl", FlowControl(), &FlowControlToStr,
                                  &StrToFlowControl, TFlowControl::fcCustom));

        TComTimeouts t;
        t.ReadInterval = ini.ReadInteger(s, QStringLiteral("ReadInterval"), kDefaultReadInterval);
        t.ReadTotalConstant =
            ini.ReadInteger(s, QStringLiteral("ReadTotalConstant"), kDefaultReadTotalConstant);
        t.ReadTotalMultiplier =
            ini.ReadInteger(s, QStringLiteral("ReadTotalMultiplier"), kDefaultReadTotalMultiplier);
        t.WriteTotalConstant =
            ini.ReadInteger(s, QStringLiteral("WriteTotalConstant"), kDefaultWriteTotalConstant);
        t.WriteTotalMultiplier = ini.ReadInteger(s, QStringLiteral("WriteTotalMultiplier"),
                                                 kDefaultWriteTotalMultiplier);
        SetTimeouts(t);
        // A text that names neither rule keeps the gap, the safe default.
        SetFrameEnd(ReadChoice(ini, s, "FrameEnd", FrameEnd(), &FrameEndToStr, &StrToFrameEnd,
                               TFrameEnd::feGap));
        SetLocalEcho(ini.ReadInteger(s, QStringLiteral("LocalEcho"), 0) != 0);
        TRs485Settings rs;
        rs.Enabled = ini.ReadInteger(s, QStringLiteral("RS485"), 0) != 0;
        rs.RtsOnSend = ini.ReadInteger(s, QStringLiteral("RtsOnSend"), 1) != 0;
        rs.RtsAfterSend = ini.ReadInteger(s, QStringLiteral("RtsAfterSend"), 0) != 0;
        // A negative delay means none; the kernel limits long ones itself.
        rs.DelayBeforeSendMs =
            std::max(0, ini.ReadInteger(s, QStringLiteral("DelayBeforeSendMs"), 0));
        rs.DelayAfterSendMs =
            std::max(0, ini.ReadInteger(s, QStringLiteral("DelayAfterSendMs"), 0));
        SetRs485(rs);
        EndUpdate();
    } catch (const std::exception &e) {
        // Close the update (if the failure came before its end) and report.
        try {
            EndUpdate();
        } catch (...) {
        }
        throw ESerialError(CE_LoadSettings, 0, QString::fromStdString(e.what()));
    }
}

void TTransmitter::SaveSettings()
{
    std::lock_guard lock(m_portLock);
    TIniFile ini(m_iniFileName);
    const QString s = m_name;
    ini.WriteString(s, QStringLiteral("Port"), Port());
    ini.WriteString(s, QStringLiteral("BaudRate"), BaudRateToStr(BaudRate()));
    if (BaudRate() == TBaudRate::brCustom)
        ini.WriteInteger(s, QStringLiteral("CustomBaudRate"), CustomBaudRate());
    ini.WriteString(s, QStringLiteral("DataBits"), DataBitsToStr(DataBits()));
    ini.WriteString(s, QStringLiteral("StopBits"), StopBitsToStr(StopBits()));
    ini.WriteString(s, QStringLiteral("Parity"), ParityToStr(Parity()));
    ini.WriteString(s, QStringLiteral("FlowControl"), FlowControlToStr(FlowControl()));
    const TComTimeouts t = Timeouts();
    ini.WriteInteger(s, QStringLiteral("ReadInterval"), t.ReadInterval);
    ini.WriteInteger(s, QStringLiteral("ReadTotalConstant"), t.ReadTotalConstant);
    ini.WriteInteger(s, QStringLiteral("ReadTotalMultiplier"), t.ReadTotalMultiplier);
    ini.WriteInteger(s, QStringLiteral("WriteTotalConstant"), t.WriteTotalConstant);
    ini.WriteInteger(s, QStringLiteral("WriteTotalMultiplier"), t.WriteTotalMultiplier);
    ini.WriteString(s, QStringLiteral("FrameEnd"), FrameEndToStr(FrameEnd()));
    ini.WriteInteger(s, QStringLiteral("LocalEcho"), LocalEcho() ? 1 : 0);
    const TRs485Settings rs = Rs485();
    ini.WriteInteger(s, QStringLiteral("RS485"), rs.Enabled ? 1 : 0);
    ini.WriteInteger(s, QStringLiteral("RtsOnSend"), rs.RtsOnSend ? 1 : 0);
    ini.WriteInteger(s, QStringLiteral("RtsAfterSend"), rs.RtsAfterSend ? 1 : 0);
    ini.WriteInteger(s, QStringLiteral("DelayBeforeSendMs"), rs.DelayBeforeSendMs);
    ini.WriteInteger(s, QStringLiteral("DelayAfterSendMs"), rs.DelayAfterSendMs);
    ini.UpdateFile();
}

bool TTransmitter::ShowSetupDialog()
{
    if (!m_setupHook)
        return true;
    try {
        TPortSettings settings = Settings();
        if (m_setupHook(settings, EnumPorts()))
            ApplySettings(settings);
        return true;
    } catch (...) {
        return false;
    }
}

TPortSettings TTransmitter::Settings() const
{
    std::lock_guard lock(m_snapshotLock);
    return m_snapshot;
}

void TTransmitter::SettingsChanged()
{
    TPortSettings s;
    s.Port = Port();
    s.BaudRate = BaudRate();
    s.CustomBaudRate = CustomBaudRate();
    s.DataBits = DataBits();
    s.StopBits = StopBits();
    s.Parity = Parity();
    s.FlowControl = FlowControl();
    s.FrameEnd = m_frameEnd;
    s.LocalEcho = m_localEcho;
    s.Rs485 = Rs485();
    std::lock_guard lock(m_snapshotLock);
    m_snapshot = s;
}

void TTransmitter::ApplySettings(const TPortSettings &settings)
{
    std::lock_guard lock(m_portLock);
    const bool reopen = Connected() && settings.Port != Port();
    if (reopen)
        Disconnect();
    BeginUpdate();
    SetPort(settings.Port);
    SetBaudRate(settings.BaudRate);
    SetCustomBaudRate(settings.CustomBaudRate > 0 ? settings.CustomBaudRate : kDefaultCustomRate);
    SetDataBits(settings.DataBits);
    SetStopBits(settings.StopBits);
    SetParity(settings.Parity);
    SetFlowControl(settings.FlowControl);
    SetFrameEnd(settings.FrameEnd);
    SetLocalEcho(settings.LocalEcho);
    SetRs485(settings.Rs485);
    EndUpdate();
    if (reopen)
        Connect();
}

QString TPortOpenResult::Message() const
{
    QString text = QStringLiteral("Ошибка активации порта :") + Port;
    if (!Reason.isEmpty())
        text += QStringLiteral("\r\n") + Reason;
    return text;
}

TPortOpenResult TTransmitter::Open()
{
    TPortOpenResult result;
    std::lock_guard lock(m_portLock);
    result.Port = Port();
    try {
        Connect();
        result.Ok = true;
        result.Warning = Rs485Warning();
    } catch (const ESerialError &e) {
        result.Reason = e.Reason().isEmpty() ? e.Text() : e.Reason();
    } catch (const std::exception &e) {
        result.Reason = QString::fromStdString(e.what());
    }
    return result;
}

bool TTransmitter::Close()
{
    std::lock_guard lock(m_portLock);
    try {
        Disconnect();
        return true;
    } catch (...) {
        return false;
    }
}

bool TTransmitter::Exchange(const QByteArray &request, QByteArray &answer, int limit,
                            bool appendChecksum, TEchoFault *echo)
{
    // Even parity is set after the purge, and the queues are purged again.
    return Transfer(appendChecksum ? AppendCrc16(request) : request, answer, limit,
                    {TParityBits::prEven, false, true, true}, echo);
}

bool TTransmitter::ExchangeZelvin(const QByteArray &request, QByteArray &answer, int limit,
                                  bool appendChecksum, TEchoFault *echo)
{
    // The meter: no parity, set before the purge; no purge after the read.
    return Transfer(appendChecksum ? AppendCrc8(request) : request, answer, limit,
                    {TParityBits::prNone, true, false, false}, echo);
}

bool TTransmitter::Transfer(const QByteArray &frame, QByteArray &answer, int limit,
                            const TTransferSteps &steps, TEchoFault *echo)
{
    TEchoFault fault = TEchoFault::None;
    {
        std::lock_guard lock(m_portLock);
        answer.clear();
        if (steps.ParityBeforePurge)
            SetParity(steps.Parity);
        Purge();
        if (!steps.ParityBeforePurge)
            SetParity(steps.Parity);
        Write(frame);
        const bool localEcho = m_localEcho;
        if (localEcho && !ReadLocalEcho(*this, frame)) {
            // What follows a wrong echo is no answer to judge; it is let in
            // until the line goes quiet, so that it cannot meet the next request.
            fault = TEchoFault::Mismatch;
            Read(limit);
            Purge();
        } else {
            if (steps.ByLength && m_frameEnd == TFrameEnd::feLength)
                answer = Read(limit, [&frame](const QByteArray &received) {
                    return CompleteAnswerLength(frame, received);
                });
            else
                answer = Read(limit);
            if (!localEcho && StartsWithEcho(frame, answer))
                fault = TEchoFault::InAnswer;
            if (steps.PurgeAfter)
                Purge();
        }
    }
    if (echo)
        *echo = fault;
    const bool answered = !answer.isEmpty();
    Notify(frame, answer, answered);
    return answered;
}

TFrameEnd TTransmitter::FrameEnd() const
{
    return m_frameEnd;
}

void TTransmitter::SetFrameEnd(TFrameEnd end)
{
    m_frameEnd = end;
    SettingsChanged();
}

void TTransmitter::SetLocalEcho(bool on)
{
    m_localEcho = on;
    SettingsChanged();
}

void TTransmitter::SetOnExchange(TExchangeHandler handler)
{
    std::lock_guard lock(m_handlerLock);
    m_onExchange = std::move(handler);
}

void TTransmitter::Notify(const QByteArray &request, const QByteArray &answer, bool answered)
{
    TExchangeHandler handler;
    {
        std::lock_guard lock(m_handlerLock);
        handler = m_onExchange;
    }
    if (handler)
        handler(this, request, answer, answered);
}

} // namespace tals
