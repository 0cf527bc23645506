#include "cli/cli_session.h"

#include "cli/cli_options.h"
#include "device/command_table.h"
#include "device/tals352.h"
#include "link/port_watch.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "link/transmitter.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"

#include <QDir>

namespace tals::cli {

void ApplyPortOptions(TTransmitter &transmitter, const QString &port, int baud)
{
    transmitter.SetPort(port);
    if (baud <= 0)
        return;
    TBaudRate rate = TBaudRate::brCustom;
    if (StrToBaudRate(QString::number(baud), rate) && rate != TBaudRate::brCustom) {
        transmitter.SetBaudRate(rate);
    } else {
        transmitter.SetBaudRate(TBaudRate::brCustom);
        transmitter.SetCustomBaudRate(baud);
    }
}

TCliSession::TCliSession(const TCliOptions &options) : m_options(options) {}

TCliSession::~TCliSession()
{
    if (m_scheduler)
        m_scheduler->StopLink();
    m_scheduler.reset();
    if (m_simulator)
        m_simulator->Stop();
}

std::unique_ptr<TSimTransducer> StartSimulatedLine(const QList<int> &addresses, QString &error)
{
    auto simulator = std::make_unique<TSimTransducer>();
    QString why;
    if (!simulator->Start(&why)) {
        error = QStringLiteral("Имитатор прибора не запущен: ") + why;
        return nullptr;
    }
    simulator->SetDeviceCount(int(addresses.size()));
    for (int i = 0; i < addresses.size(); ++i)
        simulator->Device(i).SetAddress(quint8(addresses[i]));
    return simulator;
}

bool TCliSession::Open(QString &error)
{
    QString port = m_options.Port;
    if (m_options.Simulate) {
        m_simulator = StartSimulatedLine({m_options.Address}, error);
        if (!m_simulator)
            return false;
        port = m_simulator->PortPath();
    }

    m_model = std::make_unique<Ttals352>(m_modes);
    m_model->SetErrorMax(1);
    m_model->SetSystemAddress(quint8(m_options.Address));
    m_link = std::make_unique<TTals352Link>(*m_model);

    // As in the program, ComPort.ini and the exchange journal belong to the
    // start directory; the tool's own working directory stays as it was for
    // the files named on its command line.
    m_scheduler = std::make_unique<TRequestDevices>();
    const QString previous = QDir::currentPath();
    ForceDirectories(StartDir());
    QDir::setCurrent(StartDir());
    // The tool's port and speed replace ComPort.ini's before the first open,
    // so the port ComPort.ini names is never touched.
    QString setupError;
    const TPortOpenResult opened =
        m_scheduler->StartLink(m_link.get(), [&](TTransmitter &transmitter) {
            try {
                ApplyPortOptions(transmitter, port, m_options.Baud);
            } catch (const std::exception &e) {
                setupError =
                    QStringLiteral("Порт %1: %2").arg(port, QString::fromLocal8Bit(e.what()));
                throw;
            }
        });
    QDir::setCurrent(previous);
    if (TCustomTimer *timer = m_scheduler->PollTimer())
        timer->stop(); // the tool polls by itself

    if (!setupError.isEmpty()) {
        error = setupError;
        return false;
    }
    TTransmitter *transmitter = m_scheduler->Transmitter();
    if (!transmitter) {
        error = QStringLiteral("Последовательный порт не создан");
        return false;
    }
    if (!opened || !transmitter->Connected()) {
        error = opened.Message().replace(QLatin1Char('\r'), QLatin1Char(' ')).simplified();
        return false;
    }
    m_openWarning = opened.Warning;
    return true;
}

TExchangeOutcome TCliSession::Execute(quint8 code, bool polling)
{
    m_last = m_scheduler ? m_scheduler->ExecuteCommand(code, polling) : TExchangeOutcome();
    return m_last;
}

bool TCliSession::ExecuteWithRetries(quint8 code, int attempts)
{
    for (int k = 1; k <= attempts; ++k)
        if (Execute(code).Ok())
            return true;
    return false;
}

QString TCliSession::LastFailure() const
{
    if (m_last.Ok())
        return QString();
    if (m_scheduler && m_scheduler->PortLost())
        return PortLostText() + QStringLiteral(": ") + m_scheduler->PortLossReason();
    const QString text = m_model ? m_model->ErrorText() : QString();
    if (m_last.Result == -1 && (text.isEmpty() || m_model->ErrorCode() == 0))
        return QStringLiteral("Нет ответа от устройства");
    return text;
}

bool TCliSession::OpenFullAccess()
{
    m_model->OpenFullAccess();
    return ExecuteWithRetries(cmd::WritePassword);
}

bool TCliSession::CloseFullAccess()
{
    m_model->CloseFullAccess();
    return ExecuteWithRetries(cmd::WritePassword);
}

} // namespace tals::cli
