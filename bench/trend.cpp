// The trend window over a year of 1 Hz readings (365 day files, 31.5 million
// rows, written once into a cache folder that later runs reuse) and over its
// last 30 days: the time to open it, the archive read's share, replots,
// the zoom from the year to one hour of raw points, one live point, the
// resident memory, and the command-line archive command over the year,
// hourly. Each part runs in a process of its own so that the memory figures
// do not mix. Offscreen; one "key: value" line per figure.

#include "cli/cli_run.h"
#include "device/io_data.h"
#include "platform/date_time.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "storage/archive.h"
#include "storage/archive_envelope.h"
#include "storage/archive_summary.h"
#include "storage/archive_table.h"
#include "ui/windows/form_graph.h"
#include "ui/windows/trend_chart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

using namespace tals;

namespace {

using Clock = std::chrono::steady_clock;

const QString kName = QStringLiteral("LevelBusy");
// The year of the cache: fixed dates, so that the cache never goes stale.
const TDateTime kFirstDay = EncodeDate(2025, 1, 1);
constexpr int kDays = 365;
// One reading of one second far above the rest.
const TDateTime kSpike = EncodeDateTime(2025, 7, 14, 3, 25, 17, 0);
constexpr double kSpikeValue = 29000;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Value(TDateTime t, int s)
{
    return 15000 + 2000 * std::sin(t * 6.0) + 50 * std::sin(s * 0.37);
}

// One day file of 1 Hz readings in one transaction, then its minute summary
// as the program builds it for a completed day.
bool WriteDay(const TArchive &archive, TDateTime day)
{
    const QString folder = archive.DayFolder(day);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + kName + QStringLiteral(".db");
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    if (!TArchiveTable::Open(path, kName, true))
        return false;
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    const QByteArray sql =
        QStringLiteral("INSERT INTO %1 (V, DT) VALUES (?1, ?2)").arg(QuoteSqlName(kName)).toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
    const qint64 spikeSecond = std::llround((kSpike - day) * SecondsPerDay);
    for (int s = 0; s < 86400; ++s) {
        const double t = day + s / SecondsPerDay;
        sqlite3_bind_double(insert, 1, s == spikeSecond ? kSpikeValue : Value(t, s));
        sqlite3_bind_double(insert, 2, t);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    std::vector<TMinuteSummary> minutes;
    return ok && DaySummary(path, kName, day, minutes);
}

// The cached year, written when missing: $TALS_BENCH_CACHE or
// <user cache folder>/tals35xi-bench/trend-365d-1hz-v2.
QString YearArchive()
{
    QString base = qEnvironmentVariable("TALS_BENCH_CACHE");
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
               QStringLiteral("/tals35xi-bench");
    const QString root = base + QStringLiteral("/trend-365d-1hz-v2");
    const QString done = root + QStringLiteral("/complete");
    if (QFile::exists(done))
        return root;
    const TArchive archive(root);
    const auto start = Clock::now();
    for (int d = 0; d < kDays; ++d) {
        if (!WriteDay(archive, kFirstDay + d))
            return {};
        if (d % 30 == 29)
            std::fprintf(stderr, "%d of %d day files written, %.0f s\n", d + 1, kDays,
                         MsSince(start) / 1000);
    }
    QFile marker(done);
    if (!marker.open(QIODevice::WriteOnly))
        return {};
    std::fprintf(stderr, "the year written in %.0f s into %s\n", MsSince(start) / 1000,
                 qPrintable(root));
    return root;
}

double ResidentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Messages go nowhere: a benchmark has no operator.
class TSilentDialogs : public TDialogService
{
public:
    void Message(const QString &, TDialogIcon, const QString &) override {}
    TDialogButton Question(const QString &, const QList<TDialogButton> &, TDialogButton d,
                           const QString &) override
    {
        return d;
    }
    bool InputText(const QString &, const QString &, QString &) override { return false; }
    QString OpenFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString SaveFileName(const QString &, const QString &, const QString &) override { return {}; }
};

template <class F> double AverageMs(int runs, F &&f)
{
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        f();
    return MsSince(start) / runs;
}

void Describe(TIODouble &device)
{
    device.Description().Title = QStringLiteral("Уровень");
    device.Description().Dimension = QStringLiteral("мм");
    device.Description().SetRange(0, 30000);
    device.Description().Digits = 1;
}

// Opens the window over [start, stop] and waits until it is drawn with the
// data of its view.
TFormGraph *OpenWindow(const TTrendContext &context, TIODouble &device, TDateTime start,
                       TDateTime stop)
{
    TFormGraph *window = CreateTrendWindow(context, 1, kName, device,
                                           QStringLiteral("Уровень — 01234"), start, stop);
    window->resize(1200, 600);
    window->show();
    window->WaitForView();
    window->ReplotNow();
    QApplication::processEvents();
    return window;
}

int Month(const TTrendContext &context, const TArchive &archive)
{
    const TDateTime first = kFirstDay + kDays - 30;
    const TDateTime stop = kFirstDay + kDays;
    TIODouble device;
    Describe(device);

    const auto open = Clock::now();
    TFormGraph *window = OpenWindow(context, device, first, stop);
    const double openMs = MsSince(open);
    const long points = long(window->Series1()->data()->size());
    QCustomPlot *chart = window->Chart();

    // The archive's share: the same read of the whole range on its own.
    TEnvelopeRequest request;
    request.Name = kName;
    request.From = first;
    request.To = stop;
    request.Step = (stop - first) / std::max(800, chart->axisRect()->width());
    request.Now = Now();
    request.RawLimit = 10 * std::max(800, chart->axisRect()->width());
    const auto read = Clock::now();
    ReadEnvelope(archive, request);
    const double queryMs = MsSince(read);

    window->ExecuteAction(QStringLiteral("actShowAllX"));
    window->WaitForView();
    chart->replot();
    const double allMs = AverageMs(20, [&] { chart->replot(); });

    window->ExecuteAction(QStringLiteral("actSetOneHour"));
    window->WaitForView();
    chart->replot();
    const double hourMs = AverageMs(50, [&] { chart->replot(); });

    // A live point: handed in by the device holder, drawn at once.
    window->ExecuteAction(QStringLiteral("actScanEndOn"));
    double value = 15000;
    const int live = 500;
    const double liveMs = AverageMs(live, [&] {
        value += 0.5;
        device.SetValue(TVariant(value));
        window->ReplotNow();
    });
    const double rss = ResidentMb();

    std::printf("trend_points: %ld\n", points);
    std::printf("trend_open_30d_ms: %.1f\n", openMs);
    std::printf("trend_open_30d_query_ms: %.1f\n", queryMs);
    std::printf("trend_replot_all_ms: %.2f\n", allMs);
    std::printf("trend_replot_hour_ms: %.2f\n", hourMs);
    std::printf("trend_live_point_us: %.1f\n", liveMs * 1000);
    std::printf("trend_rss_mb: %.1f\n", rss);
    window->close();
    delete window;
    return 0;
}

int Year(const TTrendContext &context, const QString &root)
{
    TIODouble device;
    Describe(device);
    const auto open = Clock::now();
    TFormGraph *window = OpenWindow(context, device, kFirstDay, kFirstDay + kDays);
    const double openMs = MsSince(open);
    const double rss = ResidentMb();
    QCustomPlot *chart = window->Chart();

    // The year in view: the spike must be in the envelope.
    window->ExecuteAction(QStringLiteral("actShowAllX"));
    window->WaitForView();
    chart->replot();
    const double replotMs = AverageMs(20, [&] { chart->replot(); });
    int spike = 0;
    for (const TCsvSeries &s : window->VisibleSeries())
        for (const TArchiveRow &r : s.rows)
            if (r.V >= kSpikeValue)
                spike = 1;

    // Wheel-like zoom from the year straight to the hour of the spike.
    const double centre = ChartKey(kSpike);
    const auto zoom = Clock::now();
    chart->xAxis->setRange(centre - 1800, centre + 1800);
    window->WaitForView();
    window->ReplotNow();
    const double zoomMs = MsSince(zoom);
    const bool raw = window->ShowsRaw(0);

    // The command line over the year, hourly.
    QString sink;
    QTextStream out(&sink), err(&sink);
    const auto cli = Clock::now();
    const int status = cli::RunCli(
        {QStringLiteral("tals35xi-cli"), QStringLiteral("archive"), QStringLiteral("--archive"),
         root, QStringLiteral("--name"), kName, QStringLiteral("--from"),
         QStringLiteral("2025-01-01 00:00:00"), QStringLiteral("--to"),
         QStringLiteral("2025-12-31 23:59:59"), QStringLiteral("--step"), QStringLiteral("3600")},
        out, err);
    out.flush();
    const double cliMs = MsSince(cli);
    const long cliRows = long(sink.count(QLatin1Char('\n'))) - 1;

    std::printf("trend_open_365d_ms: %.1f\n", openMs);
    std::printf("trend_rss_365d_mb: %.1f\n", rss);
    std::printf("trend_replot_365d_ms: %.2f\n", replotMs);
    std::printf("trend_zoom_365d_to_hour_ms: %.1f\n", zoomMs);
    std::printf("trend_zoom_365d_hour_raw: %d\n", raw ? 1 : 0);
    std::printf("trend_spike_visible: %d\n", spike);
    std::printf("archive_cli_365d_step3600_ms: %.1f\n", cliMs);
    std::printf("archive_cli_365d_step3600_rows: %ld\n", status == 0 ? cliRows : -1L);
    window->close();
    delete window;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QString part = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString root = YearArchive();
    if (root.isEmpty()) {
        std::fprintf(stderr, "could not write the year of day files\n");
        return 1;
    }
    if (part.isEmpty()) {
        // Each part in a fresh process.
        for (const char *p : {"--month", "--year"}) {
            std::fflush(stdout);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QLatin1String(p)});
            if (!child.waitForFinished(-1) || child.exitCode() != 0)
                return 1;
        }
        return 0;
    }

    TSilentDialogs dialogs;
    InstallDialogService(&dialogs);
    QTemporaryDir scratch;
    SetStartDir(scratch.path());
    SetProgramDir(scratch.path());
    const TArchive archive(root);
    TTrendContext context;
    context.archive = &archive;
    context.programDir = scratch.path();
    const int status =
        part == QLatin1String("--year") ? Year(context, root) : Month(context, archive);
    std::fflush(stdout);
    InstallDialogService(nullptr);
    return status;
}
