#include "ui/procedures/array_readout.h"

#include "device/answer_parser.h"
#include "device/array_dumps.h"
#include "device/echo_curve.h"
#include "device/spectrum_recording.h"
#include "device/tals352.h"
#include "platform/codepage.h"
#include "platform/date_time.h"
#include "platform/dialogs.h"
#include "platform/log.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "protocol/frame.h"
#include "storage/archive.h"
#include "ui/application/application.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <exception>

namespace tals {

namespace {

// Appends the lines, each ended by CR LF, in one write; creates the file when missing.
bool AppendLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += ToCp1251(line);
        bytes += "\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool ok = file.write(bytes) == bytes.size();
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

} // namespace

TDeviceArrayReadout::TDeviceArrayReadout(TApplication &app) : m_app(app)
{
    ResetSeries();
}

void TDeviceArrayReadout::ResetSeries()
{
    // The dump names carry the series to the second: a series begun within
    // the second of one that has dumps would append to its files, so it
    // starts on the next second instead.
    const auto wholeSeconds = [](TDateTime t) { return std::llround(t * MSecsPerDay) / 1000; };
    TDateTime series = Now();
    const bool dumped = m_signalCounter > 0 || m_spectrumCounter > 0;
    if (dumped && wholeSeconds(series) <= wholeSeconds(m_signalSeries))
        series = double(wholeSeconds(m_signalSeries) + 1) / SecondsPerDay;
    m_signalCounter = 0;
    m_spectrumCounter = 0;
    m_signalSeries = series;
    m_spectrumSeries = series;
}

void TDeviceArrayReadout::RunAction(const QString &name)
{
    if (m_host.ExecuteAction)
        m_host.ExecuteAction(name);
}

TArrayReadResult TDeviceArrayReadout::ReadDeviceArray()
{
    Ttals352 *model = m_app.Model();
    if (!model)
        return {666, QStringLiteral("Чтение массива не завершено")};
    TArrayReader reader(*model, m_app.Modes(),
                        [this](quint8 code) { return m_app.Link().ExecuteCommand(code).Result; });
    if (m_host.ExecuteWithRetries)
        reader.SetRetry(m_host.ExecuteWithRetries);
    TUserInput &input = m_app.Input();
    reader.SetProgress([&input](const QString &text, int position,
                                int count) { input.ShowProgress(text, position, count); },
                       [&input] { input.CloseProgress(); });
    return reader.Read();
}

void TDeviceArrayReadout::ReadSignal(bool interactive)
{
    if (!m_app.Model())
        return;
    m_app.Model()->SetControlCommand(1);
    const TArrayReadResult result = ReadDeviceArray();
    // A failed readout still leaves a dump of what the array holds.
    DumpSignal(interactive);
    if (!interactive) {
        // The periodic readout also reads the spectrum while it is recorded.
        if (m_app.SpectrumRecording().Active())
            ReadRecordedSpectrum();
        return;
    }
    RunAction(QStringLiteral("actSignalShow"));
    Dialogs().Message(result.Text,
                      result.Status == 0 ? TDialogIcon::Information : TDialogIcon::Warning);
    if (result.Status == 0)
        RunAction(QStringLiteral("actSignalShow"));
}

void TDeviceArrayReadout::ReadSpectrum()
{
    if (!m_app.Model())
        return;
    m_app.Model()->SetControlCommand(2);
    const TArrayReadResult result = ReadDeviceArray();
    if (result.Status != 0) {
        Dialogs().Message(result.Text, TDialogIcon::Warning);
        return;
    }
    DumpSpectrum(true);
    m_app.SpectrumRecording().Add(EchoCurveOf(*m_app.Model(), Now()));
    Dialogs().Message(result.Text, TDialogIcon::Information);
    RunAction(QStringLiteral("actSpectrumShow"));
}

void TDeviceArrayReadout::ReadRecordedSpectrum()
{
    m_app.Model()->SetControlCommand(2);
    if (ReadDeviceArray().Status != 0)
        return; // no dump and no curve, as for a failed interactive readout
    DumpSpectrum(false);
    m_app.SpectrumRecording().Add(EchoCurveOf(*m_app.Model(), Now()));
}

void TDeviceArrayReadout::ReadResidual()
{
    if (!m_app.Model())
        return;
    m_app.Model()->SetControlCommand(4);
    const TArrayReadResult result = ReadDeviceArray();
    Dialogs().Message(result.Text,
                      result.Status == 0 ? TDialogIcon::Information : TDialogIcon::Warning);
    if (result.Status == 0)
        RunAction(QStringLiteral("actNevyzkaShow"));
}

// ---- dumps ----

QString TDeviceArrayReadout::DumpPath(const QString &prefix, TDateTime series, int counter) const
{
    const TDateTime now = Now();
    const QString root = m_app.Archive() ? m_app.Archive()->Root() : StartDir();
    const QString folder =
        m_app.Archive() ? m_app.Archive()->DayFolder(now) : JoinPath(root, FileDate8(now));
    const QString name =
        prefix + FileDate8(now) + QLatin1Char('_') + FileTime6(series) + QLatin1Char('_') +
        QStringLiteral("%1").arg(counter, 4, 10, QLatin1Char('0')) + QStringLiteral(".txt");
    return JoinPath(FindPathNoCase(folder), name);
}

void TDeviceArrayReadout::ReportDumpFailure(const QString &path, bool interactive)
{
    const QString text = QStringLiteral("Не удалось записать файл массива\r") + path;
    if (interactive)
        Dialogs().Message(text, TDialogIcon::Warning);
    else
        TLog(BlackBoxPath()).Add(QStringLiteral("Не удалось записать файл массива ") + path);
}

QString TDeviceArrayReadout::WriteDump(const QString &prefix, TDateTime series, int counter,
                                       const QStringList &lines, bool interactive)
{
    const QString path = DumpPath(prefix, series, counter);
    bool ok = ForceDirectories(QFileInfo(path).absolutePath());
    if (ok && counter == 1) {
        // The device report opens each series, created anew.
        const QString report = DumpPath(prefix, series, 0);
        QFile::remove(report);
        ok = AppendLines(report, DeviceReportLines());
    }
    ok = ok && AppendLines(path, lines);
    if (!ok) {
        ReportDumpFailure(path, interactive);
        return {};
    }
    return path;
}

QString TDeviceArrayReadout::DumpSignal(bool interactive)
{
    if (!m_app.Model())
        return {};
    ++m_signalCounter;
    return WriteDump(QStringLiteral("Signal_"), m_signalSeries, m_signalCounter, SignalDumpLines(),
                     interactive);
}

QString TDeviceArrayReadout::DumpSpectrum(bool interactive)
{
    if (!m_app.Model())
        return {};
    ++m_spectrumCounter;
    return WriteDump(QStringLiteral("Spectrum_"), m_spectrumSeries, m_spectrumCounter,
                     SpectrumDumpLines(), interactive);
}

QStringList TDeviceArrayReadout::SignalDumpLines() const
{
    return tals::SignalDumpLines(*m_app.Model());
}

QStringList TDeviceArrayReadout::SpectrumDumpLines() const
{
    return tals::SpectrumDumpLines(*m_app.Model());
}

QStringList TDeviceArrayReadout::DeviceReportLines() const
{
    return tals::DeviceReportLines(*m_app.Model());
}

} // namespace tals
