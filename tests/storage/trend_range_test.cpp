#include "storage/archive.h"
#include "storage/archive_range.h"
#include "storage/mg_collection.h"
#include "storage/range_dt.h"
#include "storage/trend_csv.h"

#include "tests/common/test_support.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <mutex>

namespace tals {
namespace {

// A query that records its calls and answers from a fixed set of rows.
struct RecordingQuery
{
    struct Call
    {
        QString name;
        TDateTime day, from, to;
    };
    std::vector<Call> calls;
    std::vector<TArchiveRow> rows;
    std::mutex lock;

    TArchiveDayQuery Function()
    {
        return [this](const QString &name, TDateTime day, TDateTime from, TDateTime to) {
            std::lock_guard guard(lock);
            calls.push_back({name, day, from, to});
            std::vector<TArchiveRow> result;
            for (const TArchiveRow &r : rows)
                if (DateOf(r.DT) == DateOf(day) && r.DT >= from && r.DT <= to)
                    result.push_back(r);
            return result;
        };
    }
};

std::vector<TArchiveRangeReader::TDay> ReadAll(TArchiveRangeReader &reader)
{
    std::vector<TArchiveRangeReader::TDay> days;
    TArchiveRangeReader::TDay day;
    while (!reader.Done()) {
        if (reader.WaitTake(day, 50))
            days.push_back(std::move(day));
    }
    return days;
}

const TDateTime kDay = EncodeDate(2026, 12, 8);

TEST(ArchiveRange, OneQueryPerCalendarDayWithTheRangeBounds)
{
    struct Case
    {
        const char *what;
        TDateTime start, stop;
        int days;
    };
    const Case cases[] = {
        {"23:00 to 01:00 of the next day", kDay + 23.0 / 24, kDay + 1 + 1.0 / 24, 2},
        {"inside one day", kDay + 1.0 / 24, kDay + 5.0 / 24, 1},
        {"three calendar days", kDay + 0.5, kDay + 2.1, 3},
        {"reversed", kDay + 2, kDay, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        RecordingQuery query;
        TArchiveRangeReader reader(query.Function());
        reader.Start({QStringLiteral("LevelBusy")}, c.start, c.stop);
        const auto days = ReadAll(reader);
        ASSERT_EQ(int(query.calls.size()), c.days);
        ASSERT_EQ(int(days.size()), c.days);
        for (int e = 0; e < c.days; ++e) {
            EXPECT_EQ(DateOf(query.calls[e].day), DateOf(c.start) + e);
            EXPECT_EQ(query.calls[e].from, c.start);
            EXPECT_EQ(query.calls[e].to, c.stop);
            EXPECT_EQ(days[e].index, e);
            EXPECT_EQ(days[e].count, c.days);
        }
    }
}

TEST(ArchiveRange, ItemsComeInTurnAndTheRealArchiveGivesTheRowsOfTheRange)
{
    test::ScratchDir dir;
    TArchive archive(dir.path());
    // 22:00 .. 02:00 across midnight, one row every 30 minutes, for two names.
    for (int i = 0; i <= 8; ++i) {
        const TDateTime t = kDay + 22.0 / 24 + i / 48.0;
        ASSERT_TRUE(archive.Append(QStringLiteral("Distance"), 1000 + i, t));
        if (i % 2 == 0) {
            ASSERT_TRUE(archive.Append(QStringLiteral("LevelFree"), 500 + i, t));
        }
    }
    TArchiveRangeReader reader(ArchiveDayQuery(archive));
    // 22:45 .. 01:15 of the next day.
    const TDateTime start = kDay + 22.75 / 24, stop = kDay + 1 + 1.25 / 24;
    reader.Start(
        {QStringLiteral("Distance"), QStringLiteral("LevelFree"), QStringLiteral("Missing")}, start,
        stop);
    const auto days = ReadAll(reader);
    ASSERT_EQ(days.size(), 6u);
    std::vector<double> distance, free;
    for (const auto &d : days) {
        for (const TArchiveRow &r : d.rows) {
            EXPECT_GE(r.DT, start - 1e-9);
            EXPECT_LE(r.DT, stop + 1e-9);
            (d.item == 0 ? distance : free).push_back(r.V);
        }
        if (d.item == 2) {
            EXPECT_TRUE(d.rows.empty());
        }
    }
    EXPECT_EQ(distance, (std::vector<double>{1002, 1003, 1004, 1005, 1006}));
    EXPECT_EQ(free, (std::vector<double>{502, 504, 506}));
    EXPECT_EQ(days[0].item, 0);
    EXPECT_EQ(days[2].item, 1);
    EXPECT_EQ(days[4].item, 2);
}

TEST(RangeDT, EmptyDatesAndTimesTakeYesterdayTodayAndOneSecond)
{
    const TDateTime now = kDay + 14.5 / 24;
    TRangeDT range([now] { return now; });
    EXPECT_DOUBLE_EQ(range.Start(), now - 1);
    EXPECT_DOUBLE_EQ(range.Stop(), now);

    const TDateTime second = 1.0 / SecondsPerDay;
    range.SetStart(0);
    EXPECT_NEAR(range.Start(), kDay - 1 + second, 1e-9);
    range.SetStop(0);
    EXPECT_NEAR(range.Stop(), kDay + second, 1e-9);

    // A date without time of day gets 00:00:01; a full value is kept.
    range.SetStart(kDay - 3);
    EXPECT_NEAR(range.Start(), kDay - 3 + second, 1e-9);
    range.SetStop(kDay + 0.25);
    EXPECT_NEAR(range.Stop(), kDay + 0.25, 1e-9);

    // A reversed pair leaves the range as it was.
    range.SetRange(kDay + 1, kDay);
    EXPECT_NEAR(range.Start(), kDay - 3 + second, 1e-9);
    range.SetRange(kDay - 2 + 0.5, kDay - 1 + 0.5);
    EXPECT_NEAR(range.Start(), kDay - 2 + 0.5, 1e-9);
    EXPECT_NEAR(range.Stop(), kDay - 1 + 0.5, 1e-9);
}

TEST(TrendCsv, RowsAlignedOnTimeWithEmptyCellsUtf8WithBom)
{
    const TDateTime t0 = kDay + 10.0 / 24;
    const TDateTime s = 1.0 / SecondsPerDay;
    std::vector<TCsvSeries> series(2);
    series[0].title = QStringLiteral("Уровень, мм");
    series[0].rows = {{t0, 2500.5}, {t0 + s, 2501}, {t0 + 3 * s, -0.25}};
    series[1].title = QStringLiteral("Расстояние");
    series[1].rows = {{t0 + s, 100}, {t0 + 2 * s + 0.5 / MSecsPerDay * 250, 7e-5}};

    const QByteArray bytes = TrendCsv(series);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    const QStringList expected = {
        QStringLiteral("Время,\"Уровень, мм\",Расстояние"),
        QStringLiteral("2026-12-08T10:00:00,2500.5,"),
        QStringLiteral("2026-12-08T10:00:01,2501,100"),
        QStringLiteral("2026-12-08T10:00:02.125,,7e-05"),
        QStringLiteral("2026-12-08T10:00:03,-0.25,"),
        QString(),
    };
    EXPECT_EQ(lines, expected);

    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("trend.csv"));
    ASSERT_TRUE(WriteTrendCsv(path, series));
    EXPECT_EQ(test::readAll(path), bytes);
    EXPECT_FALSE(WriteTrendCsv(dir.file(QStringLiteral("no/such/folder/x.csv")), series));
}

TEST(MGCollection, ItemsFollowTheirSourcesWithTagsAndDetachWhenFreed)
{
    TIODouble level, distance;
    level.Description().Title = QStringLiteral("Уровень");
    level.Description().SetRange(0, 20000);
    TMGCollection items;
    items.Add(QStringLiteral("LevelBusy"), 0xFF0000, level);
    items.Add(QStringLiteral("Distance"), 0x0000FF, distance);
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item(1).Holder().Tag, 1);
    EXPECT_EQ(items.Item(0).Holder().Description().Title, QStringLiteral("Уровень"));
    EXPECT_EQ(items.Item(0).Holder().Description().Max(), 20000);
    EXPECT_TRUE(items.Item(0).Visible);

    int set = 0;
    items.Item(0).Holder().OnOutputSet = [&set](TIOData *) { ++set; };
    level.SetValue(TVariant(1234.5), kDay);
    EXPECT_EQ(set, 1);
    EXPECT_DOUBLE_EQ(items.Item(0).Holder().Output().ToDouble(), 1234.5);
    EXPECT_DOUBLE_EQ(items.Item(0).Holder().TimeStamp(), kDay);

    items.Clear();
    EXPECT_TRUE(level.Followers().empty());
    level.SetValue(TVariant(1.0)); // no follower left to reach
}

} // namespace
} // namespace tals
