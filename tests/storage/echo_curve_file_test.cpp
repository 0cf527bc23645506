// Echo curves on disk: the reference file written and read back in
// Windows-1251 with CR LF, refused when missing or damaged without touching
// an earlier file; the day's spectrum dumps read back as a series with the
// distances of their signal dumps; the CSV of curves.

#include "storage/echo_curve_file.h"

#include "device/array_dumps.h"
#include "device/program_modes.h"
#include "device/tals352.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "storage/echo_curve_csv.h"
#include "tests/common/test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace tals {
namespace {

TEchoCurve SampleCurve()
{
    TEchoCurve c;
    c.PlantNumber = 1234;
    c.Time = EncodeDateTime(2026, 12, 8, 14, 30, 15, 0);
    c.Scale = {0.998, 1056.774048, 1.00059};
    c.Distance = 5012.5;
    for (int i = 0; i < Ttals352::kSpectrumSize; ++i)
        c.Values.push_back(2.0 + (i == 35 ? 998.0 : 0.0) + (i % 7) * 0.125);
    c.Values[100] = 0; // a bin without a value
    return c;
}

void WriteLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &l : lines)
        bytes += ToCp1251(l) + "\r\n";
    test::writeAll(path, bytes);
}

TEST(ReferenceCurveFileTest, WrittenAndReadBack)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("352/") + ReferenceFileName(1234));
    EXPECT_EQ(ReferenceFileName(1234), QStringLiteral("PN01234-Reference.txt"));
    const TEchoCurve curve = SampleCurve();
    ASSERT_EQ(WriteReferenceCurve(path, curve), QString());

    const QByteArray bytes = test::readAll(path);
    EXPECT_TRUE(bytes.startsWith(ToCp1251(QStringLiteral("Опорная кривая спектра\r\n"))));
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
    EXPECT_EQ(bytes.count("\r\n"), 8 + 512);

    const TCurveRead read = ReadReferenceCurve(path);
    ASSERT_TRUE(read.Ok()) << read.Problem.toStdString();
    EXPECT_EQ(read.Curve.PlantNumber, 1234);
    EXPECT_DOUBLE_EQ(read.Curve.Time, curve.Time);
    EXPECT_DOUBLE_EQ(read.Curve.Scale.KrPer, 0.998);
    EXPECT_DOUBLE_EQ(read.Curve.Scale.FreqDev, 1056.774048);
    EXPECT_DOUBLE_EQ(read.Curve.Scale.DPG, 1.00059);
    EXPECT_DOUBLE_EQ(read.Curve.Distance, 5012.5);
    ASSERT_EQ(read.Curve.Values.size(), 512u);
    for (int i = 0; i < 512; ++i)
        EXPECT_NEAR(read.Curve.Values[std::size_t(i)], curve.Values[std::size_t(i)], 5e-6) << i;
}

// Missing, foreign or damaged: a problem that names the file, no curve; a
// write that cannot happen leaves the earlier file as it was.
TEST(ReferenceCurveFileTest, MissingOrDamagedFilesAreRefused)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("ref.txt"));
    EXPECT_TRUE(ReadReferenceCurve(path).Problem.startsWith(QStringLiteral("Нет опорной кривой")));

    const QStringList good = ReferenceCurveLines(SampleCurve());
    struct
    {
        const char *what;
        std::function<QStringList(QStringList)> damage;
    } cases[] = {
        {"foreign text", [](QStringList) { return QStringList{QStringLiteral("[Tals352]")}; }},
        {"a point missing",
         [](QStringList l) {
             l.removeLast();
             return l;
         }},
        {"a point too many",
         [](QStringList l) {
             l << l.last();
             return l;
         }},
        {"a value not a number",
         [](QStringList l) {
             l[20]
                 .replace(QLatin1Char('.'), QLatin1Char('x'))
                 .replace(QLatin1Char(','), QLatin1Char('x'));
             return l;
         }},
        {"points out of order",
         [](QStringList l) {
             l.swapItemsAt(10, 11);
             return l;
         }},
        {"no time",
         [](QStringList l) {
             l[2] = QStringLiteral("Время: вчера");
             return l;
         }},
        {"plant number not a number",
         [](QStringList l) {
             l[1] = QStringLiteral("Заводской номер: x");
             return l;
         }},
    };
    for (const auto &c : cases) {
        WriteLines(path, c.damage(good));
        const TCurveRead read = ReadReferenceCurve(path);
        EXPECT_FALSE(read.Ok()) << c.what;
        EXPECT_TRUE(read.Problem.contains(path)) << c.what;
        EXPECT_TRUE(read.Curve.Values.empty()) << c.what;
    }

    // A file in place of the folder: not written, and the earlier file stays.
    WriteLines(path, good);
    const QByteArray before = test::readAll(path);
    EXPECT_FALSE(WriteReferenceCurve(path + QStringLiteral("/x.txt"), SampleCurve()).isEmpty());
    TEchoCurve empty = SampleCurve();
    std::fill(empty.Values.begin(), empty.Values.end(), 0.0);
    EXPECT_FALSE(WriteReferenceCurve(path, empty).isEmpty()); // nothing to keep
    EXPECT_EQ(test::readAll(path), before);
}

// Three automatic readouts' dumps read back in order, each with the distance
// of its signal dump; the device report, other files and a damaged dump are
// left out.
TEST(SpectrumDumpSeriesTest, ReadBackWithTheDistancesOfTheSignalDumps)
{
    test::ScratchDir dir;
    const QString day = dir.file(QStringLiteral("2026/12/08"));
    QDir().mkpath(day);
    TProgramModes modes;
    Ttals352 model(modes);
    for (int n = 1; n <= 3; ++n) {
        model.Distance().SetValue(TVariant(4000.0 + n * 100));
        model.ClearSpectrum();
        model.SpectrumArray[std::size_t(20 + n)] = 100;
        model.SpectrumArray[0] = 1;
        const QString stem =
            QStringLiteral("_20261208_101500_%1.txt").arg(n, 4, 10, QLatin1Char('0'));
        WriteLines(JoinPath(day, QStringLiteral("Signal") + stem), SignalDumpLines(model));
        WriteLines(JoinPath(day, QStringLiteral("Spectrum") + stem), SpectrumDumpLines(model));
    }
    WriteLines(JoinPath(day, QStringLiteral("Spectrum_20261208_101500_0000.txt")),
               DeviceReportLines(model));
    WriteLines(JoinPath(day, QStringLiteral("Spectrum_20261208_090000_0001.txt")),
               {QStringLiteral("Точка            Значение            Значение Макс   1.0"),
                QStringLiteral("    1  x  y")});
    WriteLines(JoinPath(day, QStringLiteral("notes.txt")), {QStringLiteral("x")});

    const TSweepScale scale{1, 1056.774048, 1.00059};
    const std::vector<TEchoCurve> series = ReadSpectrumDumpSeries(day, scale);
    ASSERT_EQ(series.size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        const TEchoCurve &c = series[std::size_t(n - 1)];
        EXPECT_DOUBLE_EQ(c.Distance, 4000.0 + n * 100) << n;
        EXPECT_DOUBLE_EQ(c.Values[std::size_t(20 + n)], 100) << n;
        EXPECT_DOUBLE_EQ(c.Scale.FreqDev, 1056.774048);
        EXPECT_GT(c.Time, 0);
    }
    EXPECT_TRUE(ReadSpectrumDumpSeries(dir.file(QStringLiteral("none")), scale).empty());
}

TEST(EchoCurveCsvTest, BinsDistancesAndDecibelsPerCurve)
{
    TEchoCurve live = SampleCurve();
    TEchoCurve reference = SampleCurve();
    reference.Scale.KrPer = 2 * live.Scale.KrPer; // twice the distance per bin
    const QByteArray csv = EchoCurvesCsv(
        {{QStringLiteral("Спектр"), &live}, {QStringLiteral("Опорная, 08.12"), &reference}});
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QStringList rows = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(rows.size(), 1 + 512 + 1);
    EXPECT_EQ(rows[0],
              QStringLiteral("Точка,\"Расстояние, мм\",\"Спектр, дБ\",\"Опорная, 08.12, дБ\""));
    const QStringList r35 = rows[1 + 35].split(QLatin1Char(','));
    ASSERT_EQ(r35.size(), 4);
    EXPECT_EQ(r35[0], QStringLiteral("35"));
    EXPECT_EQ(r35[1], QString::number(live.Scale.BinToMm(35), 'f', 1));
    EXPECT_EQ(r35[2], QStringLiteral("0.00000"));
    // The reference's echo at bin 35 lies at the distance of bin 70.5 of the live curve.
    const QStringList r70 = rows[1 + 70].split(QLatin1Char(','));
    const QStringList r71 = rows[1 + 71].split(QLatin1Char(','));
    EXPECT_GT(r70[3].toDouble(), -10);
    EXPECT_GT(r71[3].toDouble(), -10);
    EXPECT_LT(rows[1 + 60].split(QLatin1Char(','))[3].toDouble(), -20);
    // The bin without a value has an empty cell.
    EXPECT_EQ(rows[1 + 100].split(QLatin1Char(','))[2], QString());
    EXPECT_TRUE(EchoCurvesCsv({}).isEmpty());
}

} // namespace
} // namespace tals
