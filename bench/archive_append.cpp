// Archive throughput: appends per second and the query time of one day at
// 1 Hz and of 30 such days, against the aims of the archive.

#include "storage/archive.h"

#include "platform/date_time.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>

using namespace tals;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this process, for a figure that other load on the machine
// does not inflate.
double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void Line(const char *what, double value, const char *unit, double aim, bool above)
{
    const bool met = above ? value >= aim : value <= aim;
    std::printf("%-46s %12.1f %-6s aim %s %10.1f  ratio %6.2f  %s\n", what, value, unit,
                above ? ">=" : "<=", aim, above ? value / aim : aim / value,
                met ? "met" : "NOT MET");
}

// The plain way for comparison: open, insert, close per record.
double PlainOpenInsertClose(const QString &folder, int count)
{
    const QByteArray path = QFile::encodeName(folder + "/Plain.db");
    sqlite3 *db = nullptr;
    sqlite3_open(path.constData(), &db);
    sqlite3_exec(db, "CREATE TABLE Plain (V REAL, DT REAL)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        sqlite3_open(path.constData(), &db);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO Plain (V, DT) VALUES (?1, ?2)", -1, &stmt, nullptr);
        sqlite3_bind_double(stmt, 1, i);
        sqlite3_bind_double(stmt, 2, i);
        sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
    return count / SecondsSince(start);
}

// A day at 1 Hz written in one transaction (the fill is not what is measured).
void FillDay(TArchive &archive, const QString &name, TDateTime day)
{
    const QString path = JoinPath(archive.DayFolder(day), name + ".db");
    archive.CreateArchiveTable(path);
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = "INSERT INTO \"" + name.toUtf8() + "\" (V, DT) VALUES (?1, ?2)";
    sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    for (int s = 0; s < 86400; ++s) {
        sqlite3_bind_double(stmt, 1, 1000 + s % 977);
        sqlite3_bind_double(stmt, 2, day + s / SecondsPerDay);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no scratch folder\n");
        return 1;
    }
    TArchive archive(scratch.path() + "/DATA");
    const TDateTime today = DateOf(Now()) + 0.5;

    std::printf("Archive benchmark (folder %s)\n\n", qPrintable(scratch.path()));

    const double plain = PlainOpenInsertClose(scratch.path(), 1000);
    std::printf("%-46s %12.1f /s (for comparison)\n", "plain open-insert-close per record", plain);

    // ArchiveAppendTable: trim, day folder, create when missing, insert.
    constexpr int TableAppends = 50000;
    auto start = Clock::now();
    for (int i = 0; i < TableAppends; ++i)
        archive.ArchiveAppendTable("Distance", QString(), today + i / MSecsPerDay, i);
    Line("ArchiveAppendTable, appends per second", TableAppends / SecondsSince(start), "/s", 5000,
         true);

    // A whole reading: the table row and the text line.
    constexpr int ReadingAppends = 20000;
    start = Clock::now();
    for (int i = 0; i < ReadingAppends; ++i)
        archive.Append("LevelBusy", 1234.5 + i, today + i / MSecsPerDay);
    Line("row and text line, appends per second", ReadingAppends / SecondsSince(start), "/s", 5000,
         true);
    archive.Close();

    // Queries: 30 days at 1 Hz in 30 day files.
    const TDateTime first = DateOf(Now()) - 40;
    for (int d = 0; d < 30; ++d)
        FillDay(archive, "LevelFree", first + d);

    long rows = 0;
    double sum = 0;
    auto count = [&](TDateTime, double v) {
        ++rows;
        sum += v;
    };
    // Best of three runs for one day (the file cache is warm after the fill).
    double best = 1e9, bestCpu = 1e9;
    for (int run = 0; run < 5; ++run) {
        rows = 0;
        start = Clock::now();
        const double cpu = CpuSeconds();
        archive.ArchiveQuery("LevelFree", first + 10, first + 10, first + 11, QString(), count);
        best = std::min(best, SecondsSince(start));
        bestCpu = std::min(bestCpu, CpuSeconds() - cpu);
    }
    Line("query of one day at 1 Hz (ms)", best * 1000, "ms", 20, false);
    std::printf("    processor time: %.1f ms\n", bestCpu * 1000);
    std::printf("    rows: %ld\n", rows);

    best = 1e9;
    bestCpu = 1e9;
    for (int run = 0; run < 3; ++run) {
        rows = 0;
        sum = 0;
        start = Clock::now();
        const double cpu = CpuSeconds();
        for (int d = 0; d < 30; ++d)
            archive.ArchiveQuery("LevelFree", first + d, first, first + 30, QString(), count);
        best = std::min(best, SecondsSince(start));
        bestCpu = std::min(bestCpu, CpuSeconds() - cpu);
    }
    Line("query of 30 days in 30 day files (ms)", best * 1000, "ms", 500, false);
    std::printf("    processor time: %.1f ms\n", bestCpu * 1000);
    std::printf("    rows: %ld (checksum %.0f)\n", rows, sum);
    return 0;
}
