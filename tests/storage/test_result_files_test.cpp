#include "storage/test_result_files.h"

#include "platform/codepage.h"
#include "platform/text_file.h"
#include "tests/common/test_support.h"
#include "tests/storage/comma_format.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>

namespace tals {
namespace {

TEST(TestResultFiles, DistanceLinesKeepTheExactHeaderWidthsAndTheLocaleSeparator)
{
    test::CommaFormat comma;
    const QStringList lines =
        TestDistancesLines({{16000, 1.5, -0.25}, {16000, 2, NAN}, {16000, -3.125, 0.5}});
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("Расстояние*Погрешность*Погрешность"));
    EXPECT_EQ(lines[1], QStringLiteral("          *без матем. *с матем.   "));
    EXPECT_EQ(lines[2], QStringLiteral("          *обработки  *обработкой "));
    EXPECT_EQ(lines[3], QStringLiteral(" 16000,000*      1,500*     -0,250"));
    EXPECT_EQ(lines[4], QStringLiteral(" 16000,000*     -3,125*      0,500")) << "NaN line skipped";
}

TEST(TestResultFiles, TubeLinesPairEachMeasurementWithItsError)
{
    const QStringList lines = TestTubeLines({{0, 1.5}, {100, 101}}, {{0, -1.5}, {100, 0.25}});
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Установлено*Измерено   *Погрешность"));
    EXPECT_EQ(lines[1], QStringLiteral("      0.000*      1.500*     -1.500"));
    EXPECT_EQ(lines[2], QStringLiteral("    100.000*    101.000*      0.250"));
}

TEST(TestResultFiles, TubeDescriptionsAlwaysNameOneFileInTheProgramFolder)
{
    test::ScratchDir dir;
    const QString longText(300, QChar(0x0416)); // Ж
    struct
    {
        QString description;
        QString fileName; // empty: only checked to stay in the folder
    } const cases[] = {
        {QString(), QStringLiteral("TestTube.txt")},
        {QStringLiteral("Труба 50 мм"), QStringLiteral("TestTubeТруба 50 мм.txt")},
        {QStringLiteral("../x/y"), QStringLiteral("TestTube.._x_y.txt")},
        {QStringLiteral("a/b"), QStringLiteral("TestTubea_b.txt")},
        {QStringLiteral("a\\b"), QStringLiteral("TestTubea_b.txt")},
        {QStringLiteral("CON"), QStringLiteral("TestTubeCON.txt")},
        {QStringLiteral("line1\nline2\r"), QStringLiteral("TestTubeline1_line2_.txt")},
        {QStringLiteral("a:b*c?\"<>|"), QStringLiteral("TestTubea_b_c_____.txt")},
        {QStringLiteral(" .. "), QStringLiteral("TestTube.txt")},
        {longText, QString()},
    };
    for (const auto &c : cases) {
        const QString path = TestTubePath(dir.path(), c.description);
        const QFileInfo info(path);
        EXPECT_EQ(info.absolutePath(), QDir(dir.path()).absolutePath()) << path.toStdString();
        if (!c.fileName.isEmpty()) {
            EXPECT_EQ(info.fileName(), c.fileName);
        }
        EXPECT_LE(info.fileName().toUtf8().size(), 255) << "a name the file system takes";
        ASSERT_TRUE(WriteTextLines(path, {QStringLiteral("x")})) << path.toStdString();
        EXPECT_TRUE(QFileInfo::exists(path));
    }
    const QStringList written = QDir(dir.path()).entryList(QDir::Files);
    // "a/b" and "a\b" share one file, as do the empty and the blank description.
    EXPECT_EQ(written.size(), 8) << written.join('|').toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0);
}

TEST(TestResultFiles, ExistingFilesAreFoundWithoutRegardToCase)
{
    test::ScratchDir dir;
    test::writeAll(dir.file("testdistances.TXT"), "old");
    EXPECT_EQ(QFileInfo(TestDistancesPath(dir.path())).fileName(),
              QStringLiteral("testdistances.TXT"));
    EXPECT_EQ(QFileInfo(TestTubePath(dir.path(), "A")).fileName(), QStringLiteral("TestTubeA.txt"));
}

} // namespace
} // namespace tals
