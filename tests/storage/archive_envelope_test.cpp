#include "storage/archive.h"
#include "storage/archive_envelope.h"
#include "storage/archive_summary.h"
#include "storage/archive_table.h"

#include "tests/common/archive_rows.h"
#include "tests/common/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <map>
#include <random>

namespace tals {
namespace {

constexpr double kSecond = 1.0 / SecondsPerDay;
const TDateTime kDay = EncodeDate(2026, 11, 20);
const QString kName = QStringLiteral("LevelBusy");

void WriteRows(const TArchive &archive, const QString &name, const std::vector<TArchiveRow> &rows)
{
    test::WriteArchiveRows(archive, name, rows);
}

// Readings every `every` seconds over `days` days from kDay, a slow wave with noise.
std::vector<TArchiveRow> Wave(int days, int every, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-5, 5);
    std::vector<TArchiveRow> rows;
    for (int s = 0; s < days * 86400; s += every) {
        const TDateTime t = kDay + s * kSecond;
        rows.push_back({t, 10000 + 1000 * std::sin(s / 5000.0) + noise(random)});
    }
    return rows;
}

class ArchiveEnvelopeTest : public ::testing::Test
{
protected:
    ArchiveEnvelopeTest() : archive(dir.file(QStringLiteral("DATA"))) {}

    TEnvelope Read(TDateTime from, TDateTime to, double step, bool exact = false,
                   qint64 rawLimit = 0)
    {
        TEnvelopeRequest r;
        r.Name = kName;
        r.From = from;
        r.To = to;
        r.Step = step;
        r.Now = now;
        r.Exact = exact;
        r.RawLimit = rawLimit;
        return ReadEnvelope(archive, r);
    }

    test::ScratchDir dir;
    TArchive archive;
    TDateTime now = kDay + 10; // every day of the tests is complete
};

TEST_F(ArchiveEnvelopeTest, DaySummaryEqualsTheRawRowsAndLeavesTheReadingsTableAlone)
{
    std::vector<TArchiveRow> rows = Wave(1, 7);
    rows.push_back({kDay + 0.5 + 30 * kSecond, 99999}); // a spike inside 12:00
    std::sort(rows.begin(), rows.end(), [](auto &a, auto &b) { return a.DT < b.DT; });
    WriteRows(archive, kName, rows);
    const QString path = archive.TablePath(kName, kDay);
    const std::vector<TArchiveRow> before = archive.ArchiveQuery(kName, kDay, 0, 0);
    ASSERT_EQ(before.size(), rows.size());

    std::vector<TMinuteSummary> minutes;
    ASSERT_TRUE(DaySummary(path, kName, kDay, minutes));
    EXPECT_TRUE(HasDaySummary(path, kName));
    ASSERT_EQ(minutes.size(), 1440u);
    // The same figures per minute from the rows themselves.
    std::vector<TMinuteSummary> expected(1440);
    for (const TArchiveRow &r : rows) {
        TMinuteSummary &m = expected[std::size_t(MinuteOfDay(r.DT, kDay))];
        if (m.Count == 0)
            m = {r.DT, r.DT, r.V, r.V, 0, 0};
        m.Last = r.DT;
        m.Min = std::min(m.Min, r.V);
        m.Max = std::max(m.Max, r.V);
        m.Sum += r.V;
        ++m.Count;
    }
    for (std::size_t i = 0; i < 1440; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(minutes[i].Count, expected[i].Count);
        EXPECT_EQ(minutes[i].Min, expected[i].Min);
        EXPECT_EQ(minutes[i].Max, expected[i].Max);
        EXPECT_NEAR(minutes[i].Sum / minutes[i].Count, expected[i].Sum / expected[i].Count, 1e-9);
        EXPECT_EQ(minutes[i].First, expected[i].First);
        EXPECT_EQ(minutes[i].Last, expected[i].Last);
    }
    EXPECT_EQ(minutes[720].Max, 99999);

    // Read back from the file the second time, same figures.
    std::vector<TMinuteSummary> again;
    ASSERT_TRUE(DaySummary(path, kName, kDay, again));
    EXPECT_EQ(again.size(), minutes.size());
    EXPECT_EQ(again[720].Max, 99999);
    // The readings table and its rows are as they were.
    EXPECT_EQ(ArchiveFileKind(path, kName), TArchiveFileKind::Archive);
    const std::vector<TArchiveRow> after = archive.ArchiveQuery(kName, kDay, 0, 0);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.back().V, before.back().V);

    // A row added to the day later makes the summary out of date: rebuilt.
    ASSERT_TRUE(archive.ArchiveAppendTable(kName, QString(), kDay + 0.25, -500));
    archive.Close();
    EXPECT_FALSE(HasDaySummary(path, kName));
    ASSERT_TRUE(DaySummary(path, kName, kDay, minutes));
    EXPECT_EQ(minutes[360].Min, -500);
    EXPECT_TRUE(HasDaySummary(path, kName));
}

TEST_F(ArchiveEnvelopeTest, TheEnvelopeOfARangeHoldsEverySpike)
{
    std::vector<TArchiveRow> rows = Wave(3, 5);
    // One-reading spikes up and down at odd moments.
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> at(0, rows.size() - 1);
    std::vector<TArchiveRow> spikes;
    for (int i = 0; i < 12; ++i) {
        TArchiveRow &r = rows[at(random)];
        r.V = i % 2 ? 25000.0 + i : -3000.0 - i;
        spikes.push_back(r);
    }
    WriteRows(archive, kName, rows);

    // The last day is still being written: its rows come raw.
    now = kDay + 2 + 0.9;
    for (const int columns : {1000, 217, 40}) {
        SCOPED_TRACE(columns);
        const TDateTime from = kDay, to = kDay + 3;
        const TEnvelope e = Read(from, to, (to - from) / columns);
        ASSERT_FALSE(e.Raw);
        EXPECT_LE(e.Points.size(), std::size_t(columns));
        for (const TArchiveRow &s : spikes) {
            const auto hit = std::find_if(e.Points.begin(), e.Points.end(), [&](auto &p) {
                return p.First <= s.DT + 1e-9 && s.DT <= p.Last + 1e-9;
            });
            ASSERT_NE(hit, e.Points.end());
            EXPECT_TRUE(s.V > 20000 ? hit->Max == s.V : hit->Min == s.V) << s.V;
        }
        qint64 count = 0;
        for (const TEnvelopePoint &p : e.Points)
            count += p.Count;
        EXPECT_EQ(count, qint64(rows.size()));
    }
    // The two complete days now carry summaries, the day being written none.
    EXPECT_TRUE(HasDaySummary(archive.TablePath(kName, kDay), kName));
    EXPECT_TRUE(HasDaySummary(archive.TablePath(kName, kDay + 1), kName));
    EXPECT_FALSE(HasDaySummary(archive.TablePath(kName, kDay + 2), kName));
}

TEST_F(ArchiveEnvelopeTest, ADayBeingWrittenIsReadRaw)
{
    now = kDay + 0.75;
    std::vector<TArchiveRow> rows;
    for (int i = 0; i < 600; ++i)
        rows.push_back({kDay + 0.5 + i * kSecond, 100.0 + i});
    WriteRows(archive, kName, rows);
    const TEnvelope first = Read(kDay, now, 1.0 / 24);
    ASSERT_EQ(first.Points.size(), 1u);
    EXPECT_EQ(first.Points[0].Count, 600);

    // New readings of today are seen at once.
    ASSERT_TRUE(archive.ArchiveAppendTable(kName, QString(), kDay + 0.5 + 700 * kSecond, 5000));
    const TEnvelope second = Read(kDay, now, 1.0 / 24);
    ASSERT_EQ(second.Points.size(), 1u);
    EXPECT_EQ(second.Points[0].Count, 601);
    EXPECT_EQ(second.Points[0].Max, 5000);
    archive.Close();
    EXPECT_FALSE(HasDaySummary(archive.TablePath(kName, kDay), kName));

    // Few rows in a narrow view come back as the rows themselves.
    const TEnvelope raw = Read(kDay + 0.5, kDay + 0.5 + 60 * kSecond, 1 * kSecond, false, 2000);
    ASSERT_TRUE(raw.Raw);
    ASSERT_EQ(raw.Points.size(), 61u);
    EXPECT_EQ(raw.Points[10].Mean, 110.0);
    EXPECT_EQ(raw.Points[10].Start, rows[10].DT);
}

TEST_F(ArchiveEnvelopeTest, ExactStepsEqualTheRawRowsOfEachStep)
{
    WriteRows(archive, kName, Wave(2, 3));
    struct Case
    {
        const char *what;
        TDateTime from, to;
        int stepSeconds;
    };
    const Case cases[] = {
        {"hourly over both days", kDay, kDay + 2, 3600},
        {"hourly from an odd minute", kDay + 0.3 + 7.0 / 1440, kDay + 1.6, 3600},
        {"17 s, not whole minutes", kDay + 0.9, kDay + 1.1, 17},
        {"ten minutes from an odd second", kDay + 0.4 + 13 * kSecond, kDay + 1.2, 600},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const double step = c.stepSeconds * kSecond;
        const TEnvelope e = Read(c.from, c.to, step, true);
        std::map<qint64, TEnvelopePoint> expected;
        for (TDateTime day = kDay; day < kDay + 2; day += 1)
            for (const TArchiveRow &r : archive.ArchiveQuery(kName, day, c.from, c.to)) {
                const qint64 k = qint64(std::floor((r.DT - c.from) / step + 1e-9));
                TEnvelopePoint &p = expected[k];
                if (p.Count == 0)
                    p = {c.from + k * step, r.DT, r.DT, r.V, r.V, 0, 0};
                p.Min = std::min(p.Min, r.V);
                p.Max = std::max(p.Max, r.V);
                p.Mean += r.V;
                ++p.Count;
            }
        ASSERT_EQ(e.Points.size(), expected.size());
        std::size_t i = 0;
        for (const auto &[k, p] : expected) {
            const TEnvelopePoint &got = e.Points[i++];
            EXPECT_NEAR(got.Start, p.Start, 1e-9);
            EXPECT_EQ(got.Count, p.Count) << k;
            EXPECT_EQ(got.Min, p.Min);
            EXPECT_EQ(got.Max, p.Max);
            EXPECT_NEAR(got.Mean, p.Mean / p.Count, 1e-9);
        }
    }
}

TEST_F(ArchiveEnvelopeTest, ACancelledReadKeepsTheDaysReadSoFar)
{
    WriteRows(archive, kName, Wave(4, 60));
    std::atomic<bool> cancel{false};
    TEnvelopeRequest r;
    r.Name = kName;
    r.From = kDay;
    r.To = kDay + 4 - kSecond;
    r.Step = 1.0 / 24;
    r.Now = now;
    const TEnvelope e = ReadEnvelope(archive, r, &cancel, [&](int done, int) {
        if (done == 2)
            cancel = true;
    });
    EXPECT_TRUE(e.Cancelled);
    EXPECT_EQ(e.DaysRead, 2);
    EXPECT_EQ(e.Days, 4);
    ASSERT_EQ(e.Points.size(), 48u);
    EXPECT_LT(e.Points.back().Last, kDay + 2);
}

TEST_F(ArchiveEnvelopeTest, TheFirstRowOfADayBuildsTheSummaryOfTheDayBefore)
{
    for (int i = 0; i < 120; ++i)
        ASSERT_TRUE(archive.ArchiveAppendTable(kName, QString(), kDay + 0.99 + i * kSecond, i));
    EXPECT_FALSE(HasDaySummary(archive.TablePath(kName, kDay), kName));
    ASSERT_TRUE(archive.ArchiveAppendTable(kName, QString(), kDay + 1 + kSecond, 1000));
    EXPECT_TRUE(HasDaySummary(archive.TablePath(kName, kDay), kName));
    EXPECT_FALSE(HasDaySummary(archive.TablePath(kName, kDay + 1), kName));
    std::vector<TMinuteSummary> minutes;
    ASSERT_TRUE(DaySummary(archive.TablePath(kName, kDay), kName, kDay, minutes));
    ASSERT_EQ(minutes.size(), 3u); // 23:45:36 .. 23:47:35
    EXPECT_EQ(minutes[0].Count + minutes[1].Count + minutes[2].Count, 120);
    EXPECT_EQ(archive.ArchiveQuery(kName, kDay, 0, 0).size(), 120u);
}

} // namespace
} // namespace tals
