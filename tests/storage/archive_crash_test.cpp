// A process that appends to the archive is killed with SIGKILL; every table
// must stay intact and hold every append that was reported as stored.
//
// The child is this test program itself, run with a filter that selects the
// child case and the archive root in TALS_ARCHIVE_CRASH_ROOT. It writes one
// line "<name> <value>" to standard output after each successful append.

#include "storage/archive.h"

#include "platform/date_time.h"
#include "tests/common/test_support.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <unistd.h>

namespace tals {
namespace {

const char *const RootVariable = "TALS_ARCHIVE_CRASH_ROOT";
const char *const Names[] = {"Distance", "LevelBusy", "TmpOfSensor"};
constexpr int RowsPerDay = 1200;

TDateTime BaseDay()
{
    return EncodeDate(2026, 12, 8);
}

// Value v of thread t lies on day v / RowsPerDay, so the run crosses midnight often.
TDateTime RecordTime(int v)
{
    return BaseDay() + v / RowsPerDay + (v % RowsPerDay + 1) / SecondsPerDay;
}

void Report(std::mutex &lock, const char *name, int value)
{
    const QByteArray line = QByteArray(name) + ' ' + QByteArray::number(value) + '\n';
    std::lock_guard guard(lock);
    // One write per line, unbuffered: what the parent reads was stored.
    [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, line.constData(), line.size());
}

TEST(ArchiveCrashChild, AppendsUntilKilled)
{
    const QByteArray root = qgetenv(RootVariable);
    if (root.isEmpty())
        GTEST_SKIP() << "runs only as the child of ArchiveCrash";
    TArchive archive(QString::fromLocal8Bit(root));
    std::mutex lock;
    // Two threads, as polling and an operator command would append.
    auto appender = [&](int thread) {
        for (int v = thread;; v += 2) {
            const char *name = Names[v % 3];
            if (archive.Append(name, v, RecordTime(v)))
                Report(lock, name, v);
        }
    };
    std::thread second(appender, 1);
    appender(0);
    second.join();
}

QString IntegrityCheck(sqlite3 *db)
{
    sqlite3_stmt *stmt = nullptr;
    QString result = QStringLiteral("cannot run");
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return result;
}

TEST(ArchiveCrash, KilledWriterLeavesIntactTablesWithEveryReportedRow)
{
    test::ScratchDir root;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(RootVariable, root.path());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=ArchiveCrashChild.AppendsUntilKilled"});
    ASSERT_TRUE(child.waitForStarted(10000));

    // Let it cross a few day boundaries, then kill it in the middle of its work.
    QByteArray output;
    const int wanted = 4 * RowsPerDay + 333;
    while (output.count('\n') < wanted && child.state() == QProcess::Running) {
        child.waitForReadyRead(1000);
        output += child.readAllStandardOutput();
    }
    ASSERT_EQ(child.state(), QProcess::Running) << "the child ended by itself";
    child.kill(); // SIGKILL
    ASSERT_TRUE(child.waitForFinished(10000));
    output += child.readAllStandardOutput();
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    // What the child reported, by table file.
    std::map<QString, std::set<int>> reported;
    const QList<QByteArray> lines = output.split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) { // the last piece may be cut short
        // Lines of the test framework itself are skipped.
        const QList<QByteArray> parts = lines[i].split(' ');
        if (parts.size() != 2 || !std::count(std::begin(Names), std::end(Names), parts[0]))
            continue;
        const int v = parts[1].toInt();
        const QString file = TArchive(root.path()).DayFolder(RecordTime(v)) + '/' +
                             QString::fromLatin1(parts[0]) + ".db";
        reported[file].insert(v);
    }
    ASSERT_GE(reported.size(), 12u);

    // Every table file, reported or not, is intact.
    int files = 0;
    QDirIterator it(root.path(), {"*.db"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        ++files;
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE,
                                  nullptr),
                  SQLITE_OK);
        EXPECT_EQ(IntegrityCheck(db), "ok") << path.toStdString();

        std::set<int> stored;
        sqlite3_stmt *stmt = nullptr;
        const QByteArray sql = "SELECT V FROM \"" + QFileInfo(path).baseName().toUtf8() + "\"";
        ASSERT_EQ(sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr), SQLITE_OK);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            stored.insert(sqlite3_column_int(stmt, 0));
        sqlite3_finalize(stmt);
        sqlite3_close(db);

        int missing = 0;
        for (int v : reported[path])
            missing += stored.count(v) ? 0 : 1;
        EXPECT_EQ(missing, 0) << path.toStdString() << ": " << missing << " of "
                              << reported[path].size() << " reported rows are missing";
        reported.erase(path);
    }
    EXPECT_GE(files, 12);
    EXPECT_TRUE(reported.empty()) << "reported appends to a table that does not exist";
}

} // namespace
} // namespace tals
