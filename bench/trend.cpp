// The trend window over a month of 1 Hz readings: the time to open it on 30
// day files (2.59 million points) and the archive queries' share of it, the
// replot with everything or one hour in view, one live point added and shown,
// and the resident memory with the window open. Offscreen; one "key: value"
// line per figure.

#include "device/io_data.h"
#include "platform/date_time.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "storage/archive.h"
#include "storage/archive_range.h"
#include "storage/archive_table.h"
#include "ui/windows/form_graph.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

using namespace tals;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One day file of 1 Hz readings, written in one transaction.
bool WriteDay(const TArchive &archive, TDateTime day, const QString &name)
{
    const QString folder = archive.DayFolder(day);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".db");
    if (!TArchiveTable::Open(path, name, true))
        return false;
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    const QByteArray sql =
        QStringLiteral("INSERT INTO %1 (V, DT) VALUES (?1, ?2)").arg(QuoteSqlName(name)).toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
    for (int s = 0; s < 86400; ++s) {
        const double t = day + s / SecondsPerDay;
        const double v = 15000 + 2000 * std::sin(t * 6.0) + 50 * std::sin(s * 0.37);
        sqlite3_bind_double(insert, 1, v);
        sqlite3_bind_double(insert, 2, t);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
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

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    TSilentDialogs dialogs;
    InstallDialogService(&dialogs);

    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no scratch folder\n");
        return 1;
    }
    SetStartDir(scratch.path());
    SetProgramDir(scratch.path());
    TArchive archive(scratch.filePath(QStringLiteral("DATA")));
    const QString name = QStringLiteral("LevelBusy");
    const TDateTime today = DateOf(Now());
    // The thirty whole days before today: live points come after all of them.
    const TDateTime first = today - 30;
    const auto build = Clock::now();
    for (int d = 0; d < 30; ++d)
        if (!WriteDay(archive, first + d, name)) {
            std::fprintf(stderr, "could not write the day files\n");
            return 1;
        }
    std::fprintf(stderr, "30 day files written in %.0f ms\n", MsSince(build));

    std::atomic<long long> queryNs{0};
    TTrendContext context;
    const TArchiveDayQuery query = ArchiveDayQuery(archive);
    context.query = [&](const QString &n, TDateTime day, TDateTime from, TDateTime to) {
        const auto start = Clock::now();
        auto rows = query(n, day, from, to);
        queryNs +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        return rows;
    };
    context.programDir = scratch.path();

    TIODouble device;
    device.Description().Title = QStringLiteral("Уровень");
    device.Description().Dimension = QStringLiteral("мм");
    device.Description().SetRange(0, 30000);
    device.Description().Digits = 1;

    // From the request to a drawn chart.
    const auto open = Clock::now();
    TFormGraph *window =
        CreateTrendWindow(context, 1, name, device, QStringLiteral("График"), first, Now());
    window->resize(1200, 600);
    window->show();
    window->ReplotNow();
    QApplication::processEvents();
    const double openMs = MsSince(open);
    const long points = long(window->Series1()->data()->size());
    QCustomPlot *chart = window->Chart();

    window->ExecuteAction(QStringLiteral("actShowAllX"));
    chart->replot();
    const double allMs = AverageMs(20, [&] { chart->replot(); });

    window->ExecuteAction(QStringLiteral("actSetOneHour"));
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
    std::printf("trend_open_30d_query_ms: %.1f\n", queryNs.load() / 1e6);
    std::printf("trend_replot_all_ms: %.2f\n", allMs);
    std::printf("trend_replot_hour_ms: %.2f\n", hourMs);
    std::printf("trend_live_point_us: %.1f\n", liveMs * 1000);
    std::printf("trend_rss_mb: %.1f\n", rss);

    window->close();
    delete window;
    InstallDialogService(nullptr);
    return 0;
}
