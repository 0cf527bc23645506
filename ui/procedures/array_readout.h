#pragma once

// The readout of the transducer's diagnostic arrays (the raw signal and the
// spectrum) through the control command, its confirmation and the block reads,
// and the text dumps of the arrays read, in the archive's folder of the day.

#include "link/array_reader.h"
#include "platform/date_time.h"
#include "ui/application/main_services.h"

#include <QString>
#include <QStringList>

namespace tals {

class TApplication;

class TDeviceArrayReadout : public TArrayReadout
{
public:
    // The model, link, input, modes and archive are taken from the started
    // application at each readout.
    explicit TDeviceArrayReadout(TApplication &app);

    void SetHost(TArrayReadoutHost host) override { m_host = std::move(host); }
    void ResetSeries() override;
    void ReadSignal(bool interactive) override;
    void ReadSpectrum() override;
    void ReadResidual() override;

    // The protocol for the array named by the model's ControlCommand.
    TArrayReadResult ReadDeviceArray();

    // Dump series state.
    int SignalDumpCounter() const { return m_signalCounter; }
    int SpectrumDumpCounter() const { return m_spectrumCounter; }
    TDateTime SignalSeriesTime() const { return m_signalSeries; }
    TDateTime SpectrumSeriesTime() const { return m_spectrumSeries; }

    // The dumps of the arrays now in the model; the path written, or empty
    // when writing failed (reported by a message when interactive, in the
    // fault journal otherwise).
    QString DumpSignal(bool interactive);
    QString DumpSpectrum(bool interactive);

    // File contents, exposed for the tests.
    QStringList SignalDumpLines() const;
    QStringList SpectrumDumpLines() const;
    QStringList DeviceReportLines() const;

private:
    void RunAction(const QString &name);
    // The spectrum of the periodic readout: dumped and recorded, reported to no one.
    void ReadRecordedSpectrum();
    QString DumpPath(const QString &prefix, TDateTime series, int counter) const;
    QString WriteDump(const QString &prefix, TDateTime series, int counter,
                      const QStringList &lines, bool interactive);
    void ReportDumpFailure(const QString &path, bool interactive);

    TApplication &m_app;
    TArrayReadoutHost m_host;
    int m_signalCounter = 0;
    int m_spectrumCounter = 0;
    TDateTime m_signalSeries = 0;
    TDateTime m_spectrumSeries = 0;
};

} // namespace tals
