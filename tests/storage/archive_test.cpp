#include "storage/archive.h"
#include "storage/archive_settings.h"
#include "storage/archive_table.h"

#include "platform/codepage.h"
#include "platform/date_time.h"
#include "platform/format_settings.h"
#include "platform/ini_file.h"
#include "platform/text_file.h"
#include "tests/common/test_support.h"
#include "tests/storage/comma_format.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <set>
#include <thread>

#include <unistd.h>

namespace tals {
namespace {

using test::ScratchDir;

// Rows of a table file read directly, in insertion order.
std::vector<TArchiveRow> RawRows(const QString &path, const QString &table)
{
    std::vector<TArchiveRow> rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt *stmt = nullptr;
        const QByteArray sql =
            QStringLiteral("SELECT DT, V FROM \"%1\" ORDER BY rowid").arg(table).toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK)
            while (sqlite3_step(stmt) == SQLITE_ROW)
                rows.push_back({sqlite3_column_double(stmt, 0), sqlite3_column_double(stmt, 1)});
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return rows;
}

int ReadTextLinesCount(const QString &path)
{
    return int(ReadTextLines(path).size());
}

QString IntegrityCheck(const QString &path)
{
    sqlite3 *db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            result =
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

// ---------------------------------------------------------------- settings

TEST(ArchiveSettings, MissingFileIsCreatedWithDefaults)
{
    ScratchDir start;
    const TArchiveSettings s = LoadArchiveSettings(start.path());
    EXPECT_EQ(s.dbAlias, "Vardex");
    EXPECT_EQ(s.dbPath, start.path() + "/DATA");

    TIniFile ini(start.file("INI/bde.ini"));
    EXPECT_EQ(ini.ReadString("BDE", "dbAlias", ""), "Vardex");
    EXPECT_EQ(ini.ReadString("BDE", "dbPath", ""), start.path() + "/DATA");
    EXPECT_TRUE(test::readAll(start.file("INI/bde.ini")).contains("\r\n"));
}

TEST(ArchiveSettings, BlankPathIsReplacedAndWrittenBackGivenPathIsKept)
{
    struct TCase
    {
        QByteArray file;
        QString alias;
        QString path; // empty: <start>/DATA
        bool rewritten;
    };
    const TCase cases[] = {
        {"[BDE]\r\ndbAlias=Mine\r\ndbPath=   \r\n", "Mine", "", true},
        {"[bde]\r\nDBPATH=/srv/archive\r\n", "Vardex", "/srv/archive", false},
        {"[Other]\r\nx=1\r\n", "Vardex", "", true},
    };
    for (const TCase &c : cases) {
        ScratchDir start;
        // The INI folder is found whatever its case.
        test::writeAll(start.file("ini/bde.ini"), c.file);
        const TArchiveSettings s = LoadArchiveSettings(start.path());
        const QString expected = c.path.isEmpty() ? start.path() + "/DATA" : c.path;
        EXPECT_EQ(s.dbAlias, c.alias) << c.file.constData();
        EXPECT_EQ(s.dbPath, expected) << c.file.constData();
        const QByteArray after = test::readAll(start.file("ini/bde.ini"));
        EXPECT_EQ(after != c.file, c.rewritten) << after.constData();
        if (c.rewritten) {
            EXPECT_TRUE(after.contains(("dbPath=" + expected).toUtf8())) << after.constData();
            EXPECT_EQ(QDir(start.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                      QStringList{"ini"})
                << "a second INI folder was created";
        }
    }
}

// ----------------------------------------------------------------- archive

TEST(Archive, DayFolderIsRootYearMonthDay)
{
    TArchive archive("/data/root");
    EXPECT_EQ(archive.DayFolder(EncodeDateTime(2026, 12, 8, 23, 59, 59, 999)),
              "/data/root/2026/12/08");
    EXPECT_EQ(archive.DayFolder(EncodeDateTime(2027, 1, 1, 0, 0, 0, 0)), "/data/root/2027/01/01");
}

TEST(Archive, FirstRecordAfterMidnightStartsTheNewDay)
{
    test::CommaFormat ru;
    ScratchDir root;
    TArchive archive(root.path());
    const TDateTime before = EncodeDateTime(2026, 12, 8, 23, 59, 59, 0);
    const TDateTime after = EncodeDateTime(2026, 12, 9, 0, 0, 1, 0);
    ASSERT_TRUE(archive.Append("Distance", 1234.56, before));
    ASSERT_FALSE(QFileInfo::exists(root.file("2026/12/09")));
    ASSERT_TRUE(archive.Append("Distance", 1234.75, after));

    const auto rows = RawRows(root.file("2026/12/09/Distance.db"), "Distance");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(rows[0].V, 1234.75);
    EXPECT_DOUBLE_EQ(rows[0].DT, after);
    EXPECT_EQ(test::readAll(root.file("2026/12/09/Distance.txt")),
              QByteArray("09.12.2026 00:00:01 1234,8\r\n"));

    // The previous day keeps its own row, and the new day's row stays after
    // the kept files are closed.
    archive.Close();
    EXPECT_EQ(RawRows(root.file("2026/12/08/Distance.db"), "Distance").size(), 1u);
    EXPECT_EQ(archive.ArchiveQuery("Distance", after, 0, 0).size(), 1u);
}

TEST(Archive, TextLineRoundsToTheNamesDecimalsTableKeepsTheValue)
{
    test::CommaFormat ru;
    ScratchDir root;
    TArchive archive(root.path());
    const TDateTime t = EncodeDateTime(2026, 12, 8, 10, 15, 30, 0);
    const TDateTime midnight = EncodeDateTime(2026, 12, 8, 0, 0, 0, 0);
    ASSERT_TRUE(archive.Append("TmpOfSensor", 21.44, t));
    ASSERT_TRUE(archive.Append("CurrentOutput", 12.345678, t));
    ASSERT_TRUE(archive.Append(" LevelBusy ", 1500, midnight));

    EXPECT_EQ(test::readAll(root.file("2026/12/08/TmpOfSensor.txt")),
              QByteArray("08.12.2026 10:15:30 21\r\n"));
    EXPECT_EQ(test::readAll(root.file("2026/12/08/CurrentOutput.txt")),
              QByteArray("08.12.2026 10:15:30 12,35\r\n"));
    // Exactly midnight: the time is left out.
    EXPECT_EQ(test::readAll(root.file("2026/12/08/LevelBusy.txt")),
              QByteArray("08.12.2026 1500,0\r\n"));
    const auto rows = archive.ArchiveQuery("TmpOfSensor", t, 0, 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(rows[0].V, 21.44);
}

TEST(Archive, QueryGivesAscendingTimesWithinInclusiveBounds)
{
    ScratchDir root;
    TArchive archive(root.path());
    const TDateTime day = EncodeDate(2026, 12, 8);
    auto at = [day](int second) { return day + second / SecondsPerDay; };
    // Appended out of order, e.g. by two threads.
    for (int s : {50, 10, 40, 20, 30})
        ASSERT_TRUE(archive.ArchiveAppendTable("LevelFree", QString(), at(s), s * 1.5));

    struct TCase
    {
        TDateTime from, to;
        QString filter;
        std::vector<int> seconds;
    };
    const TCase cases[] = {
        {0, 0, "", {10, 20, 30, 40, 50}},  {at(20), at(40), "", {20, 30, 40}},
        {at(20), 0, "", {20, 30, 40, 50}}, {0, at(20), "", {10, 20}},
        {0, 0, "V > 50", {40, 50}},        {at(15), at(45), " V < 50 ", {20, 30}},
    };
    for (const TCase &c : cases) {
        std::vector<int> seconds;
        archive.ArchiveQuery("LevelFree", day + 0.5, c.from, c.to, c.filter,
                             [&](TDateTime dt, double v) {
                                 seconds.push_back(qRound((dt - day) * SecondsPerDay));
                                 EXPECT_DOUBLE_EQ(v, seconds.back() * 1.5);
                             });
        EXPECT_EQ(seconds, c.seconds) << c.filter.toStdString();
    }
}

TEST(Archive, QueryOfMissingTableOrBadFilterGivesNoRowsAndChangesNothing)
{
    ScratchDir root;
    TArchive archive(root.path());
    const TDateTime day = EncodeDateTime(2026, 12, 8, 12, 0, 0, 0);
    EXPECT_FALSE(archive.ArchiveQuery("Distance", day, 0, 0, QString(), [](TDateTime, double) {
        ADD_FAILURE() << "row from a missing table";
    }));
    EXPECT_FALSE(QFileInfo::exists(root.file("2026/12/08/Distance.db")));

    ASSERT_TRUE(archive.ArchiveAppendTable("Distance", QString(), day, 1));
    EXPECT_TRUE(archive.ArchiveQuery("Distance", day, 0, 0, "no_such_column > 1").empty());
    // A filter cannot run a second statement.
    EXPECT_TRUE(
        archive.ArchiveQuery("Distance", day, 0, 0, "1); DELETE FROM Distance; --").empty());
    EXPECT_TRUE(
        archive.ArchiveQuery("Distance", day, 0, 0, "1); DELETE FROM Distance; (1").empty());
    EXPECT_EQ(archive.ArchiveQuery("Distance", day, 0, 0).size(), 1u);
}

TEST(Archive, ForeignTableFileIsNeverChanged)
{
    QStringList shown; // the operator's messages
    ScratchDir root;
    TArchive archive(root.path());
    archive.SetFaultMessage([&shown](const QString &text) { shown << text; });
    const TDateTime t = EncodeDateTime(2026, 12, 8, 10, 0, 0, 0);
    // A table left by an older installation (not an SQLite file), and an
    // SQLite file that holds something else.
    QByteArray paradox(4096, '\0');
    paradox.replace(0, 8, QByteArray::fromHex("0200000000080000"));
    test::writeAll(root.file("2026/12/08/Distance.db"), paradox);
    {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(root.file("2026/12/08/LevelBusy.db")), &db),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE Other (x)", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    const QByteArray otherBefore = test::readAll(root.file("2026/12/08/LevelBusy.db"));

    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(archive.Append("Distance", 100 + i, t + i / SecondsPerDay));
        EXPECT_FALSE(archive.Append("LevelBusy", 100 + i, t + i / SecondsPerDay));
    }
    EXPECT_EQ(test::readAll(root.file("2026/12/08/Distance.db")), paradox);
    EXPECT_EQ(test::readAll(root.file("2026/12/08/LevelBusy.db")), otherBefore);
    EXPECT_FALSE(QFileInfo::exists(root.file("2026/12/08/Distance.db-wal")));
    EXPECT_TRUE(archive.ArchiveQuery("Distance", t, 0, 0).empty());
    EXPECT_TRUE(archive.ArchiveQuery("LevelBusy", t, 0, 0).empty());
    // The text lines are still written, and no message is shown.
    EXPECT_EQ(ReadTextLinesCount(root.file("2026/12/08/Distance.txt")), 3);
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    // Creating the table over it explicitly is refused too.
    EXPECT_FALSE(archive.CreateArchiveTable(root.file("2026/12/08/Distance.db")));
    EXPECT_EQ(test::readAll(root.file("2026/12/08/Distance.db")), paradox);
}

TEST(Archive, EmptyFileReceivesTheTable)
{
    ScratchDir root;
    TArchive archive(root.path());
    const TDateTime t = EncodeDateTime(2026, 12, 8, 10, 0, 0, 0);
    test::writeAll(root.file("2026/12/08/Distance.db"), QByteArray());
    ASSERT_TRUE(archive.ArchiveAppendTable("Distance", QString(), t, 7));
    EXPECT_EQ(archive.ArchiveQuery("Distance", t, 0, 0).size(), 1u);

    EXPECT_TRUE(archive.CreateArchiveTable(root.file("x/y/Level.db")));
    EXPECT_EQ(ArchiveFileKind(root.file("x/y/Level.db"), "Level"), TArchiveFileKind::Archive);
}

TEST(Archive, CreationFailureIsShownOnce)
{
    QStringList shown; // the operator's messages
    ScratchDir scratch;
    const TDateTime t = EncodeDateTime(2026, 12, 8, 10, 0, 0, 0);
    // A file stands where the day folder should be.
    test::writeAll(scratch.file("root/2026/12/08"), "not a folder");
    TArchive archive(scratch.file("root"));
    archive.SetFaultMessage([&shown](const QString &text) { shown << text; });
    QStringList journal;
    archive.SetFaultJournal([&journal](const QString &line) { journal << line; });
    EXPECT_FALSE(archive.ArchiveAppendTable("Distance", QString(), t, 1));
    EXPECT_FALSE(archive.ArchiveAppendTable("Distance", QString(), t, 2));
    ASSERT_EQ(shown.size(), 1);
    // What failed, where and why, in Russian.
    EXPECT_TRUE(shown[0].startsWith("Архив не записан: папка архива\r" +
                                    scratch.file("root/2026/12/08") +
                                    "\rПричина: на месте папки находится файл"))
        << shown[0].toStdString();
    EXPECT_EQ(journal.size(), 2);
    EXPECT_EQ(test::readAll(scratch.file("root/2026/12/08")), "not a folder");

    // From the polling worker the box waits for the user-interface thread
    // (the next day's folder is blocked the same way: a new day, a new box).
    test::writeAll(scratch.file("root/2026/12/09"), "not a folder");
    std::thread worker(
        [&] { EXPECT_FALSE(archive.ArchiveAppendTable("LevelBusy", QString(), t + 1, 1)); });
    worker.join();
    EXPECT_EQ(shown.size(), 1);
    QCoreApplication::processEvents();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[1].contains(scratch.file("root/2026/12/09")));
}

TEST(Archive, ConcurrentAppendsAreAllKept)
{
    ScratchDir root;
    TArchive archive(root.path());
    TArchive second(root.path()); // another connection to the same files
    const TDateTime day = EncodeDateTime(2026, 12, 8, 8, 0, 0, 0);
    constexpr int PerThread = 1500;
    std::atomic<int> failures{0};
    auto appender = [&](TArchive *a, int thread) {
        for (int i = 0; i < PerThread; ++i) {
            const double v = thread * PerThread + i;
            if (!a->Append(i % 2 ? "Distance" : "LevelBusy", v, day + v / MSecsPerDay))
                ++failures;
        }
    };
    std::vector<std::thread> threads;
    threads.emplace_back(appender, &archive, 0);
    threads.emplace_back(appender, &archive, 1);
    threads.emplace_back(appender, &second, 2);
    threads.emplace_back(appender, &second, 3);
    // Queries from another thread meanwhile see whole, ordered rows.
    std::atomic<bool> done{false};
    int queries = 0, badQueries = 0;
    std::thread reader([&] {
        while (!done) {
            TDateTime last = 0;
            bool ordered = true;
            const bool ok =
                archive.ArchiveQuery("Distance", day, 0, 0, QString(), [&](TDateTime dt, double) {
                    ordered = ordered && dt >= last;
                    last = dt;
                });
            // Until the table is created the query finds nothing.
            queries += ok ? 1 : 0;
            badQueries += ordered ? 0 : 1;
        }
    });
    for (auto &t : threads)
        t.join();
    done = true;
    reader.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(queries, 0);
    EXPECT_EQ(badQueries, 0);

    std::set<double> values;
    for (const char *name : {"Distance", "LevelBusy"}) {
        const auto rows = archive.ArchiveQuery(name, day, 0, 0);
        EXPECT_EQ(rows.size(), size_t(4 * PerThread / 2)) << name;
        for (size_t i = 1; i < rows.size(); ++i)
            EXPECT_LE(rows[i - 1].DT, rows[i].DT);
        for (const auto &r : rows)
            values.insert(r.V);
        EXPECT_EQ(IntegrityCheck(root.file(QStringLiteral("2026/12/08/%1.db").arg(name))), "ok");
        EXPECT_EQ(ReadTextLinesCount(root.file(QStringLiteral("2026/12/08/%1.txt").arg(name))),
                  4 * PerThread / 2);
    }
    EXPECT_EQ(values.size(), size_t(4 * PerThread));
}

TEST(Archive, TableFileRemovedWhileKeptIsCreatedAgain)
{
    ScratchDir root;
    TArchive archive(root.path());
    const TDateTime t = EncodeDateTime(2026, 12, 8, 10, 0, 0, 0);
    ASSERT_TRUE(archive.ArchiveAppendTable("Distance", QString(), t, 1));
    ASSERT_TRUE(QDir(root.file("2026")).removeRecursively());
    ASSERT_TRUE(archive.ArchiveAppendTable("Distance", QString(), t, 2));
    const auto rows = archive.ArchiveQuery("Distance", t, 0, 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].V, 2);
}

} // namespace
} // namespace tals
