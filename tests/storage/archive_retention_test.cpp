#include "storage/archive_retention.h"

#include "platform/date_time.h"
#include "platform/ini_file.h"
#include "storage/archive.h"
#include "storage/archive_settings.h"
#include "tests/common/test_support.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tals {
namespace {

using test::ScratchDir;

// A day folder with one archived file in it.
void MakeDay(const QString &root, const QDate &day)
{
    const QString folder = root + day.toString(QStringLiteral("/yyyy/MM/dd"));
    QDir().mkpath(folder);
    test::writeAll(folder + QStringLiteral("/Distance.txt"), "1 2\r\n");
}

struct TRetentionFixture : ::testing::Test
{
    ScratchDir dir;
    QString root = dir.file(QStringLiteral("DATA"));
    QStringList journal;
    const QDate today{2026, 3, 2};

    TArchiveRetention Make(TRetentionPolicy policy)
    {
        TArchiveRetention r(root, policy);
        r.SetJournal([this](const QString &line) { journal << line; });
        return r;
    }
};

TEST_F(TRetentionFixture, KeepDaysDeletesOlderFoldersAcrossMonthsAndYears)
{
    for (const QDate d :
         {QDate(2025, 12, 31), QDate(2026, 2, 27), QDate(2026, 2, 28), QDate(2026, 3, 1), today})
        MakeDay(root, d);
    QDir().mkpath(root + QStringLiteral("/2026/02/notaday")); // foreign folders are left alone
    TArchiveRetention r = Make({3, 0});
    const QStringList removed = r.Enforce(today);
    EXPECT_EQ(removed, QStringList({root + QStringLiteral("/2025/12/31"),
                                    root + QStringLiteral("/2026/02/27")}));
    EXPECT_EQ(r.DayFolders(), QList<QDate>({QDate(2026, 2, 28), QDate(2026, 3, 1), today}));
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/2025"))); // its last day went
    ASSERT_EQ(journal.size(), 2);
    EXPECT_TRUE(journal[0].contains(QStringLiteral("удалена папка дня")))
        << journal[0].toStdString();
    EXPECT_TRUE(journal[0].contains(QStringLiteral("2025/12/31")));
}

TEST_F(TRetentionFixture, LowFreeSpaceDeletesOldestFirstButNeverToday)
{
    const QList<QDate> days = {QDate(2026, 2, 26), QDate(2026, 2, 27), QDate(2026, 2, 28),
                               QDate(2026, 3, 1), today};
    for (const QDate &d : days)
        MakeDay(root, d);
    TArchiveRetention r = Make({0, 500});
    // Each deleted day frees 100 MB from 320 MB: two days bring it to 520.
    r.SetFreeSpaceFunction([&r](const QString &) {
        return qint64(320 + 100 * (5 - r.DayFolders().size())) * 1024 * 1024;
    });
    EXPECT_EQ(r.Enforce(today).size(), 2);
    EXPECT_EQ(r.DayFolders(), days.mid(2));

    // A disk that never frees up loses every old day, but today's stays.
    r.SetFreeSpaceFunction([](const QString &) { return qint64(1); });
    EXPECT_EQ(r.Enforce(today).size(), 2);
    EXPECT_EQ(r.DayFolders(), QList<QDate>({today}));
    EXPECT_TRUE(journal.last().contains(QStringLiteral("нужно не меньше 500 МБ")))
        << journal.last().toStdString();
}

TEST_F(TRetentionFixture, InactivePolicyAndUnknownFreeSpaceDeleteNothing)
{
    MakeDay(root, QDate(2020, 1, 1));
    MakeDay(root, today);
    EXPECT_TRUE(Make({0, 0}).Enforce(today).isEmpty());
    TArchiveRetention unknown = Make({0, 500});
    unknown.SetFreeSpaceFunction([](const QString &) { return qint64(-1); });
    EXPECT_TRUE(unknown.Enforce(today).isEmpty());
    EXPECT_EQ(unknown.DayFolders().size(), 2);
}

TEST_F(TRetentionFixture, ArchiveKeepsRecordingWhileRetentionDeletesOldDays)
{
    MakeDay(root, QDate(2026, 1, 1));
    TArchive archive(root);
    archive.SetFaultJournal([this](const QString &line) { journal << line; });
    auto retention = std::make_unique<TArchiveRetention>(root, TRetentionPolicy{0, 100});
    retention->SetJournal([this](const QString &line) { journal << line; });
    // The disk is full until the old day is gone.
    const QString old = root + QStringLiteral("/2026/01/01");
    retention->SetFreeSpaceFunction(
        [old](const QString &) { return QFileInfo::exists(old) ? qint64(0) : qint64(1) << 40; });
    archive.SetRetention(std::move(retention));

    const TDateTime now = EncodeDateTime(2026, 3, 2, 10, 0, 0, 0);
    EXPECT_TRUE(archive.Append(QStringLiteral("Distance"), 1234.5, now));
    EXPECT_TRUE(archive.Append(QStringLiteral("Distance"), 1234.6, now + 1.0 / 86400));
    EXPECT_EQ(archive.ArchiveQuery(QStringLiteral("Distance"), now, 0, 0).size(), 2u);
    EXPECT_FALSE(QFileInfo::exists(old));
    ASSERT_EQ(journal.size(), 1);
}

TEST(ArchiveSettingsRetention, KeysAreReadOnlyWhenPresentAndWrittenBack)
{
    ScratchDir dir;
    TArchiveSettings first = LoadArchiveSettings(dir.path());
    EXPECT_EQ(first.KeepDays, -1);
    EXPECT_EQ(first.MinFreeMB, -1);
    // Absent keys take the caller's default.
    EXPECT_EQ(RetentionPolicyOf(first, 0, 500).MinFreeMB, 500);
    EXPECT_FALSE(RetentionPolicyOf(first, 0, 0).Active());

    first.KeepDays = 30;
    first.MinFreeMB = 0;
    ASSERT_TRUE(SaveArchiveSettings(first, dir.path()));
    const TArchiveSettings again = LoadArchiveSettings(dir.path());
    EXPECT_EQ(again.KeepDays, 30);
    EXPECT_EQ(again.MinFreeMB, 0);
    const TRetentionPolicy policy = RetentionPolicyOf(again, 0, 500);
    EXPECT_EQ(policy.KeepDays, 30);
    EXPECT_EQ(policy.MinFreeMB, 0); // an explicit 0 switches the check off

    TIniFile ini(IniFilePath(dir.path(), QStringLiteral("bde.ini")));
    ini.WriteString(QStringLiteral("BDE"), QStringLiteral("KeepDays"), QStringLiteral("много"));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(LoadArchiveSettings(dir.path()).KeepDays, -1);
}

} // namespace
} // namespace tals
