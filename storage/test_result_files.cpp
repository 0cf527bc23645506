#include "storage/test_result_files.h"

#include "platform/error_text.h"
#include "platform/number_format.h"
#include "platform/paths.h"

#include <cmath>

namespace tals {

namespace {

constexpr int kMaxDescriptionLength = 100;
// A name's limit in bytes, less what the temporary file of a safe write adds
// (a leading dot and ".XXXXXX"), less "TestTube" and ".txt".
constexpr int kMaxNameBytes = 255 - 8;
constexpr int kMaxDescriptionBytes = kMaxNameBytes - 12;

bool AllFinite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

QString InFolder(const QString &programDir, const QString &name)
{
    return FindPathNoCase(JoinPath(programDir, name));
}

} // namespace

QStringList TestDistancesLines(const std::vector<TDistanceErrorRow> &rows)
{
    QStringList lines{QStringLiteral("Расстояние*Погрешность*Погрешность"),
                      QStringLiteral("          *без матем. *с матем.   "),
                      QStringLiteral("          *обработки  *обработкой ")};
    for (const TDistanceErrorRow &r : rows) {
        if (!AllFinite({r.Distance, r.Raw, r.Filtered}))
            continue;
        lines << FormatFloat(QStringLiteral("%10.3f"), r.Distance) + QLatin1Char('*') +
                     FormatFloat(QStringLiteral("%11.3f"), r.Raw) + QLatin1Char('*') +
                     FormatFloat(QStringLiteral("%11.3f"), r.Filtered);
    }
    return lines;
}

QString TestDistancesPath(const QString &programDir)
{
    return InFolder(programDir, QStringLiteral("TestDistances.txt"));
}

QString SafeFileNamePart(const QString &text)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c.isSurrogate() ||
            refused.contains(c))
            safe += QLatin1Char('_');
        else
            safe += c;
    }
    safe = safe.trimmed();
    if (safe.size() > kMaxDescriptionLength)
        safe.truncate(kMaxDescriptionLength);
    // File names are UTF-8 bytes: cut at a whole character within the limit.
    while (safe.toUtf8().size() > kMaxDescriptionBytes)
        safe.chop(1);
    while (safe.endsWith(QLatin1Char('.')) || safe.endsWith(QLatin1Char(' ')))
        safe.chop(1);
    return safe;
}

QString FileNotWrittenText(const QString &path, int error)
{
    return QStringLiteral("Файл не записан\r%1\r%2").arg(path, SystemErrorText(error));
}

QString TestTubePath(const QString &programDir, const QString &description)
{
    return InFolder(programDir, QStringLiteral("TestTube") + SafeFileNamePart(description) +
                                    QStringLiteral(".txt"));
}

QStringList TestTubeLines(const std::vector<TTubePoint> &measured,
                          const std::vector<TTubePoint> &errors)
{
    QStringList lines{QStringLiteral("Установлено*Измерено   *Погрешность")};
    for (std::size_t i = 0; i < measured.size(); ++i) {
        const TTubePoint &p = measured[i];
        const double error = i < errors.size() ? errors[i].Y : NAN;
        if (!AllFinite({p.X, p.Y, error}))
            continue;
        lines << FormatFloat(QStringLiteral("%11.3f"), p.X) + QLatin1Char('*') +
                     FormatFloat(QStringLiteral("%11.3f"), p.Y) + QLatin1Char('*') +
                     FormatFloat(QStringLiteral("%11.3f"), error);
    }
    return lines;
}

} // namespace tals
