#include "cli/archive_command.h"

#include "cli/cli_options.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "storage/archive.h"
#include "storage/archive_envelope.h"
#include "storage/trend_csv.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace tals::cli {

namespace {

// "YYYY-MM-DD hh:mm:ss" (or with "T"), local time.
bool ParseTime(const QString &text, TDateTime &dt)
{
    for (const char *format :
         {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd"}) {
        const QDateTime q = QDateTime::fromString(text, QLatin1String(format));
        if (q.isValid()) {
            dt = FromQDateTime(q);
            return true;
        }
    }
    return false;
}

// The archive root as the program finds it: dbPath of INI/bde.ini under the
// start directory, or <start directory>/DATA; the file is only read.
QString ArchiveRoot(const TCliOptions &options)
{
    if (!options.ArchiveDir.isEmpty())
        return options.ArchiveDir;
    const QString path = StartIniPath(QStringLiteral("bde.ini"));
    const QString root =
        TIniFile(path).ReadString(QStringLiteral("BDE"), QStringLiteral("dbPath"), QString());
    return root.trimmed().isEmpty() ? JoinPath(StartDir(), QStringLiteral("DATA")) : root;
}

QString Number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

QString Time(TDateTime dt)
{
    QString text = IsoDateTime(dt);
    text[10] = QLatin1Char(' ');
    return text;
}

} // namespace

int PrintArchive(const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    const QString name = ArchiveName(options.Name);
    if (name.isEmpty()) {
        err << "tals35xi-cli: " << QStringLiteral("Неизвестная величина архива: ") << options.Name
            << '\n';
        return kExitUsage;
    }
    TEnvelopeRequest request;
    request.Name = name;
    if (!ParseTime(options.FromText, request.From) || !ParseTime(options.ToText, request.To) ||
        request.To < request.From) {
        err << "tals35xi-cli: "
            << QStringLiteral("Неверный диапазон: нужно --from \"ГГГГ-ММ-ДД чч:мм:сс\" не позже "
                              "--to")
            << '\n';
        return kExitUsage;
    }
    request.Step = options.Step / SecondsPerDay;
    request.Now = Now();
    request.Exact = true;

    const TArchive archive(ArchiveRoot(options));
    const TEnvelope envelope = ReadEnvelope(archive, request);
    const bool steps = options.Step > 0;
    if (!options.Json)
        out << (steps ? "time,min,max,mean,count\n" : "time,value\n");
    for (const TEnvelopePoint &p : envelope.Points) {
        if (options.Json) {
            QJsonObject o{{QStringLiteral("time"), Time(p.Start)}};
            if (steps) {
                o.insert(QStringLiteral("min"), p.Min);
                o.insert(QStringLiteral("max"), p.Max);
                o.insert(QStringLiteral("mean"), p.Mean);
                o.insert(QStringLiteral("count"), p.Count);
            } else {
                o.insert(QStringLiteral("value"), p.Mean);
            }
            out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << '\n';
        } else if (steps) {
            out << Time(p.Start) << ',' << Number(p.Min) << ',' << Number(p.Max) << ','
                << Number(p.Mean) << ',' << p.Count << '\n';
        } else {
            out << Time(p.Start) << ',' << Number(p.Mean) << '\n';
        }
    }
    return kExitOk;
}

} // namespace tals::cli
