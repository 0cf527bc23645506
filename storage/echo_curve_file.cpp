#include "storage/echo_curve_file.h"

#include "device/tals352.h"
#include "platform/codepage.h"
#include "platform/format_settings.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "protocol/frame.h"
#include "storage/parameter_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace tals {

namespace {

const char *const kTitle = "Опорная кривая спектра";
const char *const kPlant = "Заводской номер: ";
const char *const kTime = "Время: ";
const char *const kKrPer = "Крутизна KrPer: ";
const char *const kFreqDev = "Девиация FreqDev, МГц: ";
const char *const kDpg = "Проницаемость газа DPG: ";
const char *const kDistance = "Расстояние, мм: ";
const char *const kPointsHead = "Точка            Значение            Значение Макс";
// The longest a signal readout and a spectrum readout of one tick take together.
constexpr int kSignalBeforeSpectrumS = 30;
const QString kTimePattern = QStringLiteral("dd.MM.yyyy HH:mm:ss");

QString Number(double value)
{
    return FormatFloat(QStringLiteral("%20.5f"), value);
}

// A real written with either decimal separator and no thousands separator.
bool ParseReal(QString text, double &value)
{
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

// The lines of a text file; empty with ok false when it cannot be read.
QStringList ReadLines(const QString &path, bool &ok)
{
    QFile file(path);
    ok = file.open(QIODevice::ReadOnly);
    if (!ok)
        return {};
    QString text = FromCp1251(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The 512 point lines from lines[first]: "n value dB", n counting from 1.
bool ParsePoints(const QStringList &lines, int first, std::vector<double> &values)
{
    if (lines.size() - first != Ttals352::kSpectrumSize)
        return false;
    values.assign(std::size_t(Ttals352::kSpectrumSize), 0);
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (int n = 1; n <= Ttals352::kSpectrumSize; ++n) {
        const QStringList parts = lines[first + n - 1].split(blanks, Qt::SkipEmptyParts);
        double value = 0;
        if (parts.size() != 3 || parts[0] != QString::number(n) || !ParseReal(parts[1], value))
            return false;
        values[std::size_t(n - 1)] = value;
    }
    return true;
}

QString Damaged(const QString &what, const QString &path)
{
    return what + QStringLiteral(" повреждён:\r") + path;
}

// The value after a label "Расстояние: " of the signal dump's second line,
// written in the number format of the settings in force ("5 000,0, мм").
double SignalDumpDistance(const QString &path)
{
    bool ok = false;
    const QStringList lines = ReadLines(path, ok);
    if (!ok || lines.size() < 2)
        return qQNaN();
    QString text = lines[1];
    const int colon = text.indexOf(QStringLiteral(": "));
    if (colon < 0)
        return qQNaN();
    text = text.mid(colon + 2);
    const int unit = text.lastIndexOf(QStringLiteral(", "));
    if (unit > 0)
        text = text.left(unit);
    const QChar thousands = FormatSettings().ThousandSeparator;
    if (!thousands.isNull())
        text.remove(thousands);
    text.remove(QLatin1Char(' ')).remove(QChar(0x00A0));
    double value = qQNaN();
    if (!TryStrToFloat(text, value) && !ParseReal(text, value))
        return qQNaN();
    return value;
}

} // namespace

QString ReferenceFileName(quint16 plantNumber)
{
    return QStringLiteral("PN%1-Reference.txt").arg(plantNumber, 5, 10, QLatin1Char('0'));
}

QString ReferenceFilePath(int deviceTypeNumber, quint16 plantNumber)
{
    return FindPathNoCase(
        JoinPath(ParameterFolder(deviceTypeNumber), ReferenceFileName(plantNumber)));
}

QStringList ReferenceCurveLines(const TEchoCurve &curve)
{
    const double maximum = curve.Maximum();
    QStringList lines;
    lines << QString::fromUtf8(kTitle);
    lines << QString::fromUtf8(kPlant) + QString::number(curve.PlantNumber);
    lines << QString::fromUtf8(kTime) + ToQDateTime(curve.Time).toString(kTimePattern);
    lines << QString::fromUtf8(kKrPer) + FloatToStr(curve.Scale.KrPer);
    lines << QString::fromUtf8(kFreqDev) + FloatToStr(curve.Scale.FreqDev);
    lines << QString::fromUtf8(kDpg) + FloatToStr(curve.Scale.DPG);
    lines << QString::fromUtf8(kDistance) +
                 (std::isfinite(curve.Distance) ? FloatToStr(curve.Distance) : QString());
    lines << QString::fromUtf8(kPointsHead) + Number(maximum);
    const std::vector<double> decibels = curve.Decibels();
    for (std::size_t i = 0; i < curve.Values.size(); ++i) {
        const QString db =
            std::isfinite(decibels[i]) ? Number(decibels[i]) : PadLeft(QStringLiteral("-inf"), 20);
        lines << PadLeft(QString::number(i + 1), 5) + Number(curve.Values[i]) + db;
    }
    return lines;
}

QString WriteReferenceCurve(const QString &path, const TEchoCurve &curve)
{
    const QString failed = QStringLiteral("Не удалось записать опорную кривую:\r") + path;
    if (int(curve.Values.size()) != Ttals352::kSpectrumSize || !(curve.Maximum() > 0))
        return QStringLiteral("Спектр пуст: опорная кривая не записана");
    if (!ForceDirectories(QFileInfo(path).absolutePath()))
        return failed;
    QByteArray bytes;
    for (const QString &line : ReferenceCurveLines(curve))
        bytes += ToCp1251(line) + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return failed;
    return {};
}

TCurveRead ReadReferenceCurve(const QString &path)
{
    TCurveRead read;
    const QString what = QStringLiteral("Файл опорной кривой");
    if (!QFileInfo(path).isFile()) {
        read.Problem = QStringLiteral("Нет опорной кривой:\r") + path;
        return read;
    }
    bool ok = false;
    const QStringList lines = ReadLines(path, ok);
    if (!ok) {
        read.Problem = QStringLiteral("Не удалось прочитать файл опорной кривой:\r") + path;
        return read;
    }
    // The header: the title, then one labelled value per line.
    auto value = [&lines](int i, const char *label, QString &out) {
        const QString l = QString::fromUtf8(label);
        if (i >= lines.size() || !lines[i].startsWith(l))
            return false;
        out = lines[i].mid(l.size());
        return true;
    };
    TEchoCurve &c = read.Curve;
    QString plant, time, krPer, freqDev, dpg, distance, head;
    bool good = lines.size() > 8 && lines[0] == QString::fromUtf8(kTitle) &&
                value(1, kPlant, plant) && value(2, kTime, time) && value(3, kKrPer, krPer) &&
                value(4, kFreqDev, freqDev) && value(5, kDpg, dpg) &&
                value(6, kDistance, distance) && value(7, kPointsHead, head);
    if (good) {
        const uint number = plant.trimmed().toUInt(&good);
        good = good && number <= 0xFFFF;
        c.PlantNumber = quint16(number);
        const QDateTime dt = QDateTime::fromString(time.trimmed(), kTimePattern);
        good = good && dt.isValid();
        c.Time = good ? FromQDateTime(dt) : 0;
        good = good && ParseReal(krPer, c.Scale.KrPer) && ParseReal(freqDev, c.Scale.FreqDev) &&
               ParseReal(dpg, c.Scale.DPG);
        if (good && !distance.trimmed().isEmpty())
            good = ParseReal(distance, c.Distance);
        good = good && ParsePoints(lines, 8, c.Values) && c.Maximum() > 0;
    }
    if (!good) {
        read.Curve = {};
        read.Problem = Damaged(what, path);
    }
    return read;
}

TCurveRead ReadSpectrumDump(const QString &path, const TSweepScale &scale)
{
    TCurveRead read;
    bool ok = false;
    const QStringList lines = ReadLines(path, ok);
    if (!ok || lines.isEmpty() || !lines[0].startsWith(QString::fromUtf8(kPointsHead)) ||
        !ParsePoints(lines, 1, read.Curve.Values)) {
        read.Curve = {};
        read.Problem = Damaged(QStringLiteral("Файл спектра"), path);
        return read;
    }
    read.Curve.Scale = scale;
    read.Curve.Time = FromQDateTime(QFileInfo(path).lastModified());
    return read;
}

std::vector<TEchoCurve> ReadSpectrumDumpSeries(const QString &folder, const TSweepScale &scale)
{
    static const QRegularExpression name(
        QStringLiteral("^spectrum_(\\d{8}_\\d{6})_(\\d{4})\\.txt$"),
        QRegularExpression::CaseInsensitiveOption);
    struct TEntry
    {
        QString series;
        int number;
        QString path;
        QString signalName;
    };
    std::vector<TEntry> entries;
    const QDir dir(FindPathNoCase(folder));
    const QStringList files = dir.entryList(QDir::Files);
    for (const QString &file : files) {
        const QRegularExpressionMatch m = name.match(file);
        if (!m.hasMatch() || m.captured(2).toInt() == 0) // 0000 is the device report
            continue;
        entries.push_back({m.captured(1), m.captured(2).toInt(), dir.filePath(file),
                           QStringLiteral("Signal_") + m.captured(1) + QLatin1Char('_') +
                               m.captured(2) + QStringLiteral(".txt")});
    }
    std::sort(entries.begin(), entries.end(), [](const TEntry &a, const TEntry &b) {
        return a.series != b.series ? a.series < b.series : a.number < b.number;
    });
    std::vector<TEchoCurve> curves;
    for (const TEntry &e : entries) {
        TCurveRead read = ReadSpectrumDump(e.path, scale);
        if (!read.Ok())
            continue;
        // The automatic reading dumps the signal just before the spectrum, with
        // the same series and number; a signal dump of another moment (the
        // counters part after a failed spectrum readout) is not taken.
        const QFileInfo signal(FindPathNoCase(dir.filePath(e.signalName)));
        const QDateTime spectrumTime = QFileInfo(e.path).lastModified();
        if (signal.isFile() && signal.lastModified() <= spectrumTime &&
            signal.lastModified().secsTo(spectrumTime) <= kSignalBeforeSpectrumS)
            read.Curve.Distance = SignalDumpDistance(signal.filePath());
        curves.push_back(std::move(read.Curve));
    }
    return curves;
}

} // namespace tals
