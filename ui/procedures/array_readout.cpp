#include "ui/procedures/array_readout.h"

#include "device/answer_parser.h"
#include "device/command_table.h"
#include "device/tals352.h"
#include "platform/codepage.h"
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

const char *const kWriteControl = "Записать управляющую команду ведущего";
const char *const kReadConfirm = "Считать подтверждение управляющей команды";

QString Utf8(const char *text)
{
    return QString::fromUtf8(text);
}

QString Failed(const char *command)
{
    return QStringLiteral("Не выполнена команда: ") + Utf8(command);
}

QString Number(double value)
{
    return FormatFloat(QStringLiteral("%20.5f"), value);
}

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
    m_signalCounter = 0;
    m_spectrumCounter = 0;
    m_signalSeries = Now();
    m_spectrumSeries = m_signalSeries;
}

bool TDeviceArrayReadout::ExecuteWithRetries(quint8 code, const QString &text)
{
    if (m_host.ExecuteWithRetries)
        return m_host.ExecuteWithRetries(code, text, kAttempts);
    m_app.Modes().StopRequested = false;
    TUserInput &input = m_app.Input();
    for (int k = 1; k <= kAttempts; ++k) {
        input.ShowProgress(QStringLiteral("Повтор команды ") + text, k, kAttempts);
        if (m_app.Link().ExecuteCommand(code) == 0) {
            input.CloseProgress();
            return true;
        }
    }
    input.CloseProgress();
    return false;
}

void TDeviceArrayReadout::RunAction(const QString &name)
{
    if (m_host.ExecuteAction)
        m_host.ExecuteAction(name);
}

bool TDeviceArrayReadout::ReadBlocks(int blocks, const QString &progressText,
                                     TArrayReadResult &result)
{
    Ttals352 &model = *m_app.Model();
    TUserInput &input = m_app.Input();
    for (int k = 1; k <= blocks; ++k) {
        input.ShowProgress(progressText, k, blocks);
        model.ArrayBlockIndex = quint16(k);
        bool read = false;
        for (int attempt = 0; attempt < kAttempts && !read; ++attempt)
            read = m_app.Link().ExecuteCommand(cmd::ReadArrayBlock) == 0;
        if (!read || m_app.Modes().StopRequested) {
            result = {4, QStringLiteral("Чтение массива прервано: Превышено число попыток")};
            input.CloseProgress();
            return false;
        }
    }
    input.CloseProgress();
    return true;
}

TArrayReadResult TDeviceArrayReadout::ReadDeviceArray()
{
    TArrayReadResult result{0, QStringLiteral("Начало чтения массива")};
    m_app.Modes().StopRequested = false;
    Ttals352 *model = m_app.Model();
    if (!model)
        return {666, QStringLiteral("Чтение массива не завершено")};
    try {
        if (!ExecuteWithRetries(cmd::WriteControlCommand, Utf8(kWriteControl)))
            return {2, Failed(kWriteControl)};

        // Rounds follow each other at once until the device confirms.
        for (int round = 0; round < kConfirmRounds && !model->IsArrayReady(); ++round)
            if (!ExecuteWithRetries(cmd::ReadArrayState, Utf8(kReadConfirm)))
                result = {2, Failed(kReadConfirm)};
        if (!model->IsArrayReady())
            return {3, QStringLiteral("Нет подтверждения готовности массива")};

        switch (model->ControlCommandAnswer()) {
        case 1:
            model->ClearSignal();
            if (!ReadBlocks(kSignalBlocks, QStringLiteral("Чтение массива сигнала"), result))
                return result; // the control command stays as written
            result = {0, QStringLiteral("Завершено чтение массива сигнала ")};
            break;
        case 2:
            model->ClearSpectrum();
            if (!ReadBlocks(kSpectrumBlocks, QStringLiteral("Чтение массива спектра"), result))
                return result;
            result = {0, QStringLiteral("Завершено чтение массива спектра")};
            break;
        case 4:
            // The residual, offered beside the two arrays of the operator commands.
            model->ClearResidual();
            if (!ReadBlocks(kSpectrumBlocks, QStringLiteral("Чтение массива невязки"), result))
                return result;
            result = {0, QStringLiteral("Завершено чтение массива невязки")};
            break;
        default:
            break; // nothing to read
        }

        model->SetControlCommand(0);
        if (!ExecuteWithRetries(cmd::WriteControlCommand, Utf8(kWriteControl)))
            result = {2, Failed(kWriteControl)};
    } catch (...) {
        m_app.Input().CloseProgress();
        result = {666, QStringLiteral("Чтение массива не завершено")};
    }
    return result;
}

void TDeviceArrayReadout::ReadSignal(bool interactive)
{
    if (!m_app.Model())
        return;
    m_app.Model()->SetControlCommand(1);
    const TArrayReadResult result = ReadDeviceArray();
    // A failed readout still leaves a dump of what the array holds.
    DumpSignal(interactive);
    if (!interactive)
        return;
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
    Dialogs().Message(result.Text, TDialogIcon::Information);
    RunAction(QStringLiteral("actSpectrumShow"));
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
    Ttals352 &model = *m_app.Model();
    QStringList lines;
    lines.reserve(Ttals352::kSignalSize + 3);
    lines << QStringLiteral("Заводской номер ") + QString::number(model.PlantNumber());
    lines << model.Distance().FormatValue(true, true);
    lines << QStringLiteral("Точка Значение");
    for (int n = 1; n <= Ttals352::kSignalSize; ++n)
        lines << PadLeft(QString::number(n), 5) +
                     PadLeft(QString::number(model.SignalArray[std::size_t(n - 1)]), 9);
    return lines;
}

QStringList TDeviceArrayReadout::SpectrumDumpLines() const
{
    Ttals352 &model = *m_app.Model();
    const double maximum = model.SpectrumMax();
    QStringList lines;
    lines << QStringLiteral("Точка            Значение            Значение Макс") + Number(maximum);
    if (maximum == 0)
        return lines;
    for (int n = 1; n <= Ttals352::kSpectrumSize; ++n) {
        const double value = model.SpectrumArray[std::size_t(n - 1)];
        // The logarithm of 0 has no finite value: a text no reader takes for a number.
        QString decibels;
        if (value > 0)
            decibels = Number(10 * std::log10(value / maximum));
        else
            decibels = PadLeft(value == 0 ? QStringLiteral("-inf") : QStringLiteral("nan"), 20);
        lines << PadLeft(QString::number(n), 5) + Number(value) + decibels;
    }
    return lines;
}

QStringList TDeviceArrayReadout::DeviceReportLines() const
{
    Ttals352 &model = *m_app.Model();
    const QString stars(65, QLatin1Char('*'));
    auto line = [](const char *label, const QString &value) {
        return Utf8(label).leftJustified(32, QLatin1Char(' ')) + PadLeft(value, 30);
    };
    auto integer = [](double v) { return QString::number(qint64(v)); };
    auto real = [](double v) { return FloatToStrF(v, ffNumber, 9, 0); };
    return {stars,
            QStringLiteral(" ТАЛС352И "),
            stars,
            line(" Системный адрес", integer(model.SystemAddress())),
            line(" Заводской номер", integer(model.PlantNumber())),
            line(" Аппаратная версия", integer(model.HardVersionNumber())),
            line(" Программная версия", integer(model.SoftVersionNumber())),
            line(" H max", real(model.Hmax())),
            line(" L max", real(model.Lmax())),
            line(" Коэффициент сглаживания", real(model.KKalman())),
            line(" Крутизна хар-ки преобр-ния", real(model.KrPer())),
            line(" Смещение нуля", real(model.SmPer())),
            stars};
}

} // namespace tals
