#include "platform/log.h"

#include "platform/codepage.h"
#include "platform/text_file.h"

#include "tests/common/test_support.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tals {
namespace {

TEST(Log, AppendsStampedLinesAndCreatesFolders)
{
    test::ScratchDir dir;
    TLog log;
    EXPECT_EQ(log.FileName(), QStringLiteral("log.txt"));
    log.SetFileName(QString());
    EXPECT_EQ(log.FileName(), QStringLiteral("log.txt"));
    const QString path = dir.file(QStringLiteral("DATA/2026/03/05/BlackBox.txt"));
    log.SetFileName(path);
    log.Add(QStringLiteral(" 1 Нет эхо-сигнала"));
    log.WriteLine(QStringLiteral("second"));

    const QByteArray bytes = test::readAll(path);
    EXPECT_TRUE(bytes.endsWith("second\r\n"));
    EXPECT_TRUE(bytes.contains(ToCp1251(QStringLiteral(" 1 Нет эхо-сигнала\r\n"))));
    const QStringList lines = ReadTextLines(path);
    ASSERT_EQ(lines.size(), 2);
    const QRegularExpression stamp(
        QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d,\\d{3} "));
    EXPECT_TRUE(stamp.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("  1 Нет эхо-сигнала")));

    TLog copy;
    copy.Assign(log);
    EXPECT_EQ(copy.FileName(), path);
}

TEST(Log, WriteErrorsAreSwallowed)
{
    test::ScratchDir dir;
    test::writeAll(dir.file(QStringLiteral("file")), "x");
    TLog log(dir.file(QStringLiteral("file/log.txt")));
    log.Add(QStringLiteral("lost"));
    EXPECT_EQ(test::readAll(dir.file(QStringLiteral("file"))), QByteArray("x"));
}

TEST(Log, ThreadsWriteWholeLines)
{
    test::ScratchDir dir;
    TLog log(dir.file(QStringLiteral("rd.txt")));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 50; ++i)
                log.Add(QStringLiteral("thread %1 line %2 ").arg(t).arg(i) + QString(200, 'x'));
        });
    }
    for (std::thread &t : threads)
        t.join();
    const QStringList lines = ReadTextLines(dir.file(QStringLiteral("rd.txt")));
    ASSERT_EQ(lines.size(), 200);
    for (const QString &line : lines)
        EXPECT_TRUE(line.endsWith(QString(200, 'x'))) << line.toStdString();
}

} // namespace
} // namespace tals
