#include "storage/archive.h"
#include "tests/cli/cli_fixture.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace tals::test {
namespace {

const TDateTime kDay = EncodeDate(2026, 11, 2);

// Two days of readings every 30 s in the archive under DATA of the start
// directory, as the program would have written them.
class CliArchiveTest : public CliFixture
{
protected:
    CliArchiveTest() : archive(dir.file(QStringLiteral("DATA")))
    {
        for (int s = 0; s < 2 * 86400; s += 30)
            rows.push_back({kDay + s / SecondsPerDay, 500 + std::fmod(s * 0.37, 97.0)});
        for (const TArchiveRow &r : rows)
            archive.ArchiveAppendTable(QStringLiteral("Distance"), QString(), r.DT, r.V);
        archive.Close();
    }

    TArchive archive;
    std::vector<TArchiveRow> rows;
};

TEST_F(CliArchiveTest, RawRowsOfARangeAreTheArchivesRows)
{
    const TCliResult r = Run({"archive", "--name", "distance", "--from", "2026-11-02 23:00:00",
                              "--to", "2026-11-03 01:00:00"});
    ASSERT_EQ(r.Status, 0) << r;
    const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], QStringLiteral("time,value"));
    std::vector<TArchiveRow> expected;
    for (const TDateTime day : {kDay, kDay + 1})
        for (const TArchiveRow &row : archive.ArchiveQuery(QStringLiteral("Distance"), day,
                                                           kDay + 23.0 / 24, kDay + 1 + 1.0 / 24))
            expected.push_back(row);
    ASSERT_EQ(lines.size(), qsizetype(expected.size()) + 1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QStringList fields = lines[qsizetype(i) + 1].split(',');
        ASSERT_EQ(fields.size(), 2);
        EXPECT_EQ(fields[1].toDouble(), expected[i].V) << i;
    }
    EXPECT_EQ(lines[1].left(19), QStringLiteral("2026-11-02 23:00:00"));
    EXPECT_EQ(lines.last().left(19), QStringLiteral("2026-11-03 01:00:00"));
}

TEST_F(CliArchiveTest, StepsGiveMinimumMaximumMeanAndCountOfEachStep)
{
    const TCliResult r = Run({"archive", "--name", "Distance", "--from", "2026-11-02 00:00:00",
                              "--to", "2026-11-03 23:59:59", "--step", "3600", "--json"});
    ASSERT_EQ(r.Status, 0) << r;
    const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 48);
    qint64 total = 0;
    for (int h = 0; h < 48; ++h) {
        const QJsonObject o = QJsonDocument::fromJson(lines[h].toUtf8()).object();
        // The readings of that hour, from the rows themselves.
        double min = 1e300, max = -1e300, sum = 0;
        int count = 0;
        for (const TArchiveRow &row : rows)
            if (row.DT >= kDay + h / 24.0 - 1e-9 && row.DT < kDay + (h + 1) / 24.0 - 1e-9) {
                min = std::min(min, row.V);
                max = std::max(max, row.V);
                sum += row.V;
                ++count;
            }
        SCOPED_TRACE(h);
        EXPECT_EQ(o.value("count").toInt(), count);
        EXPECT_EQ(o.value("min").toDouble(), min);
        EXPECT_EQ(o.value("max").toDouble(), max);
        EXPECT_NEAR(o.value("mean").toDouble(), sum / count, 1e-9);
        total += o.value("count").toInt();
    }
    EXPECT_EQ(total, qint64(rows.size()));
    EXPECT_EQ(QJsonDocument::fromJson(lines[1].toUtf8()).object().value("time").toString(),
              QStringLiteral("2026-11-02 01:00:00"));
}

TEST_F(CliArchiveTest, BadNameOrRangeEndsWithStatusTwoAndAnEmptyRangeWithNoRows)
{
    struct Case
    {
        const char *what;
        QStringList arguments;
        int status;
    };
    const Case cases[] = {
        {"not archived",
         {"--name", "Hmax", "--from", "2026-11-02 00:00:00", "--to", "2026-11-02 01:00:00"},
         2},
        {"reversed",
         {"--name", "Distance", "--from", "2026-11-03 00:00:00", "--to", "2026-11-02 01:00:00"},
         2},
        {"not a date", {"--name", "Distance", "--from", "вчера", "--to", "2026-11-02 01:00:00"}, 2},
        {"no range", {"--name", "Distance"}, 2},
        {"csv and json",
         {"--name", "Distance", "--from", "2026-11-02 00:00:00", "--to", "2026-11-02 01:00:00",
          "--csv", "--json"},
         2},
        {"step 0",
         {"--name", "Distance", "--from", "2026-11-02 00:00:00", "--to", "2026-11-02 01:00:00",
          "--step", "0"},
         2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TCliResult r = Run(QStringList{"archive"} + c.arguments);
        EXPECT_EQ(r.Status, c.status) << r;
        EXPECT_TRUE(r.Out.isEmpty()) << r;
        EXPECT_FALSE(r.Err.isEmpty());
    }

    const TCliResult empty = Run({"archive", "--name", "LevelFree", "--from", "2026-11-02 00:00:00",
                                  "--to", "2026-11-02 01:00:00", "--csv"});
    EXPECT_EQ(empty.Status, 0) << empty;
    EXPECT_EQ(empty.Out, QStringLiteral("time,value\n"));
}

TEST_F(CliArchiveTest, TheArchiveIsFoundThroughBdeIniOrTheOption)
{
    // The archive moved: bde.ini names it, --archive overrides it.
    ASSERT_TRUE(QDir().rename(dir.file(QStringLiteral("DATA")), dir.file(QStringLiteral("moved"))));
    const QStringList range = {"archive",
                               "--name",
                               "Distance",
                               "--from",
                               "2026-11-02 00:00:00",
                               "--to",
                               "2026-11-02 00:10:00"};
    EXPECT_EQ(Run(range).Out.count('\n'), 1) << "only the header: nothing under DATA";
    writeAll(dir.file(QStringLiteral("INI/bde.ini")),
             "[BDE]\r\ndbAlias=Vardex\r\ndbPath=" + QFile::encodeName(dir.file("moved")) + "\r\n");
    EXPECT_EQ(Run(range).Out.count('\n'), 22);
    writeAll(dir.file(QStringLiteral("INI/bde.ini")), "[BDE]\r\ndbPath=/nowhere\r\n");
    EXPECT_EQ(Run(range + QStringList{"--archive", dir.file("moved")}).Out.count('\n'), 22);
}

} // namespace
} // namespace tals::test
