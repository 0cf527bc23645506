// The archive on a damaged or full disk: every failure says in Russian what,
// where and why, a box at most once per reason and day, a journal line every
// time; text lines are whole or absent; archiving resumes by itself.

#include "storage/archive.h"

#include "platform/date_time.h"
#include "platform/error_text.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "tests/common/test_support.h"
#include "tests/storage/comma_format.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

namespace tals {
namespace {

using test::ScratchDir;

// A write call that fails like a disk that is full or forbidden: it stores
// the first `room` bytes of each call (a short write) and then fails.
struct TFailingWrite
{
    int error = ENOSPC;
    size_t room = 0;
    int calls = 0;

    TWriteFunction Function()
    {
        return [this](int fd, const void *data, size_t size) -> ssize_t {
            ++calls;
            if (room > 0) {
                const size_t n = std::min(room, size);
                room = 0;
                return ::write(fd, data, n);
            }
            errno = error;
            return -1;
        };
    }
};

class ArchiveFaultTest : public ::testing::Test
{
protected:
    ArchiveFaultTest() : archive(root.path())
    {
        archive.SetFaultJournal([this](const QString &line) { journal << line; });
        archive.SetFaultMessage([this](const QString &text) { shown << text; });
    }

    QString Day(const char *file) const { return root.file(QStringLiteral("2026/12/08/") + file); }

    test::CommaFormat ru;
    ScratchDir root;
    TArchive archive;
    QStringList journal;
    QStringList shown; // the operator's messages
    const TDateTime t = EncodeDateTime(2026, 12, 8, 14, 15, 30, 0);
};

TEST_F(ArchiveFaultTest, ShortWriteLeavesNoTornLineAndArchivingResumes)
{
    ASSERT_TRUE(archive.Append("Distance", 3584.7, t));
    const QByteArray before = test::readAll(Day("Distance.txt"));
    ASSERT_EQ(before, "08.12.2026 14:15:30 3584,7\r\n");

    // The disk fills up in the middle of the next line.
    TFailingWrite full{ENOSPC, 6};
    archive.SetWriteFunction(full.Function());
    archive.Append("Distance", 3584.8, t + 1 / SecondsPerDay);
    archive.Append("Distance", 3584.9, t + 2 / SecondsPerDay);
    EXPECT_EQ(test::readAll(Day("Distance.txt")), before);

    ASSERT_EQ(shown.size(), 1) << shown.join('|').toStdString();
    EXPECT_EQ(shown[0], "Архив не записан: текстовый файл архива\r" + Day("Distance.txt") +
                            "\rПричина: диск заполнен\r"
                            "Запись в архив возобновится сама, когда причина будет "
                            "устранена.");
    ASSERT_EQ(journal.size(), 2);
    EXPECT_EQ(journal[0],
              "Архив не записан: текстовый файл архива " + Day("Distance.txt") + ": диск заполнен");

    // Room again: the next line is written whole after the earlier ones.
    archive.SetWriteFunction({});
    archive.Append("Distance", 3585.0, t + 3 / SecondsPerDay);
    EXPECT_EQ(test::readAll(Day("Distance.txt")), before + "08.12.2026 14:15:33 3585,0\r\n");
    // The table kept every row meanwhile.
    EXPECT_EQ(archive.ArchiveQuery("Distance", t, 0, 0).size(), 4u);
}

TEST_F(ArchiveFaultTest, EachReasonIsShownOncePerDayAndJournalledEveryTime)
{
    TFailingWrite denied{EACCES};
    archive.SetWriteFunction(denied.Function());
    for (int i = 0; i < 3; ++i)
        for (const char *name : {"Distance", "LevelBusy", "LevelFree", "TmpOfSensor"})
            archive.Append(name, i, t + i / SecondsPerDay);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("Причина: нет прав доступа"));
    EXPECT_EQ(journal.size(), 12);

    // Another reason the same day is a box of its own.
    TFailingWrite full{ENOSPC};
    archive.SetWriteFunction(full.Function());
    archive.Append("Distance", 5, t + 5 / SecondsPerDay);
    archive.Append("Distance", 6, t + 6 / SecondsPerDay);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[1].contains("Причина: диск заполнен"));

    // The next day the reason is shown again, once.
    archive.Append("Distance", 7, t + 1);
    archive.Append("Distance", 8, t + 1);
    EXPECT_EQ(shown.size(), 3);
    EXPECT_EQ(journal.size(), 16);
}

TEST_F(ArchiveFaultTest, DefaultJournalIsTheFaultJournal)
{
    ScratchDir program;
    SetProgramDir(program.path());
    TArchive plain(root.path());
    TFailingWrite full{ENOSPC};
    plain.SetWriteFunction(full.Function());
    plain.Append("LevelBusy", 1, t);
    SetProgramDir(QString());
    const QStringList lines = ReadTextLines(
        JoinPath(program.path(), QStringLiteral("DATA/") +
                                     QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")) +
                                     QStringLiteral("/BlackBox.txt")));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith("Архив не записан: текстовый файл архива " +
                                  Day("LevelBusy.txt") + ": диск заполнен"))
        << lines[0].toStdString();
}

TEST_F(ArchiveFaultTest, FolderInTheWayIsNamedAndArchivingResumesWhenItIsGone)
{
    // A file where the month folder should be.
    test::writeAll(root.file("2026/12"), "x");
    EXPECT_FALSE(archive.Append("Distance", 1, t));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("Архив не записан: папка архива\r" + root.file("2026/12") +
                                    "\rПричина: на месте папки находится файл"))
        << shown[0].toStdString();
    // Table and text both failed, for the same reason: two lines, one box.
    EXPECT_EQ(journal.size(), 2);

    ASSERT_TRUE(QFile::remove(root.file("2026/12")));
    EXPECT_TRUE(archive.Append("Distance", 2, t));
    EXPECT_EQ(archive.ArchiveQuery("Distance", t, 0, 0).size(), 1u);
    EXPECT_EQ(ReadTextLines(Day("Distance.txt")).size(), 1);
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(ArchiveFaultTest, TableFileWhereAFolderStandsIsReported)
{
    ASSERT_TRUE(QDir().mkpath(Day("Distance.db")));
    EXPECT_FALSE(archive.Append("Distance", 1, t));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("Архив не записан: таблица архива\r" + Day("Distance.db") +
                                    "\rПричина: " + SystemErrorText(EISDIR)))
        << shown[0].toStdString();
}

// The file size limit of the process makes the kernel itself refuse or cut
// writes (EFBIG, short writes), for the table and the text file alike.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

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

TEST_F(ArchiveFaultTest, KernelSizeLimitCutsNothingAndLosesNoStoredRow)
{
    ASSERT_TRUE(archive.Append("Distance", 3584.7, t));
    const QByteArray before = test::readAll(Day("Distance.txt"));
    {
        // Room for a few bytes of the next line only.
        FileSizeLimit limit(rlim_t(before.size() + 10));
        EXPECT_FALSE(archive.Append("Distance", 3584.8, t + 1 / SecondsPerDay));
    }
    EXPECT_EQ(test::readAll(Day("Distance.txt")), before);
    // The table and the text file failed for the same reason: one box.
    ASSERT_EQ(shown.size(), 1) << shown.join('|').toStdString();
    EXPECT_TRUE(shown[0].startsWith("Архив не записан: таблица архива\r" + Day("Distance.db") +
                                    "\rПричина: " + SystemErrorText(EFBIG)))
        << shown[0].toStdString();
    ASSERT_EQ(journal.size(), 2);
    EXPECT_TRUE(journal[1].startsWith("Архив не записан: текстовый файл архива"));

    EXPECT_TRUE(archive.Append("Distance", 3585.0, t + 2 / SecondsPerDay));
    const auto rows = archive.ArchiveQuery("Distance", t, 0, 0);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_DOUBLE_EQ(rows[1].V, 3585.0);
    EXPECT_EQ(ReadTextLines(Day("Distance.txt")).size(), 2);
    archive.Close();
    EXPECT_EQ(IntegrityCheck(Day("Distance.db")), "ok");
}

TEST(TextFileAppend, LineIsWholeOrAbsent)
{
    ScratchDir dir;
    const QString path = dir.file("log.txt");
    test::writeAll(path, "first\r\n");
    struct TCase
    {
        int error;
        size_t room;
    };
    for (const TCase c : {TCase{ENOSPC, 0}, TCase{ENOSPC, 3}, TCase{EDQUOT, 9}, TCase{EIO, 1}}) {
        TFailingWrite write{c.error, c.room};
        EXPECT_EQ(AppendWhole(path, "second line\r\n", write.Function()), c.error);
        EXPECT_EQ(test::readAll(path), "first\r\n") << c.room;
    }
    EXPECT_EQ(AppendWhole(path, "second\r\n"), 0);
    EXPECT_EQ(test::readAll(path), "first\r\nsecond\r\n");
    // A folder where the file should be.
    EXPECT_EQ(AppendWhole(dir.path(), "x"), EISDIR);
}

} // namespace
} // namespace tals
