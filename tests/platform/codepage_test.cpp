#include "platform/codepage.h"
#include "platform/text_file.h"

#include "tests/common/test_support.h"

#include <QDir>

#include <gtest/gtest.h>

namespace tals {
namespace {

TEST(Codepage, RussianTextMapsToItsWindows1251Bytes)
{
    const QString text = QStringLiteral("АяЁё№ Привет");
    const QByteArray bytes = ToCp1251(text);
    EXPECT_EQ(bytes, QByteArray("\xC0\xFF\xA8\xB8\xB9 \xCF\xF0\xE8\xE2\xE5\xF2"));
    EXPECT_EQ(FromCp1251(bytes), text);
}

TEST(Codepage, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b) {
        if (b != 0x98) // the one unassigned position of the code page
            all.append(char(b));
    }
    EXPECT_EQ(ToCp1251(FromCp1251(all)), all);
}

TEST(Codepage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(ToCp1251(QStringLiteral("a中b")), QByteArray("a?b"));
    // A character beyond the basic plane is one '?', not two.
    EXPECT_EQ(ToCp1251(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y"));
}

TEST(Codepage, TextFilesDecodeUtf8WrittenByOtherToolsButDefaultToWindows1251)
{
    EXPECT_EQ(DecodeTextFile(QByteArray("\xCF\xF0\xE8")), QStringLiteral("При"));
    EXPECT_EQ(DecodeTextFile(QStringLiteral("При").toUtf8()), QStringLiteral("При"));
    EXPECT_EQ(DecodeTextFile(QByteArray("\xEF\xBB\xBF") + QStringLiteral("Я").toUtf8()),
              QStringLiteral("Я"));
}

TEST(TextFile, WritesWindows1251WithCrLfAndReadsBothLineEnds)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("sub/dir/a.txt"));
    ASSERT_TRUE(WriteTextLines(path, {QStringLiteral("Строка 1"), QString(), QStringLiteral("x")}));
    EXPECT_EQ(test::readAll(path), QByteArray("\xD1\xF2\xF0\xEE\xEA\xE0 1\r\n\r\nx\r\n"));
    EXPECT_EQ(ReadTextLines(path),
              QStringList({QStringLiteral("Строка 1"), QString(), QStringLiteral("x")}));

    test::writeAll(path, "one\ntwo\r\nthree");
    EXPECT_EQ(ReadTextLines(path), QStringList({"one", "two", "three"}));
    EXPECT_TRUE(ReadTextLines(dir.file(QStringLiteral("missing.txt"))).isEmpty());
}

TEST(TextFile, ReplacingLeavesNoTemporaryFiles)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("a.txt"));
    ASSERT_TRUE(WriteTextLines(path, {QStringLiteral("old")}));
    ASSERT_TRUE(WriteTextLines(path, {QStringLiteral("new")}));
    EXPECT_EQ(test::readAll(path), QByteArray("new\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.txt"}));
}

TEST(TextFile, FailedReplaceKeepsNothingHalfWritten)
{
    test::ScratchDir dir;
    test::writeAll(dir.file(QStringLiteral("file")), "x");
    // The folder cannot be created because a file stands in its place.
    EXPECT_FALSE(WriteTextLines(dir.file(QStringLiteral("file/a.txt")), {"y"}));
    EXPECT_FALSE(AppendTextLine(dir.file(QStringLiteral("file/a.txt")), "y"));
    EXPECT_EQ(test::readAll(dir.file(QStringLiteral("file"))), QByteArray("x"));
}

TEST(TextFile, AppendCreatesFileAndFolders)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("x/y/log.txt"));
    ASSERT_TRUE(AppendTextLine(path, QStringLiteral("первая")));
    ASSERT_TRUE(AppendTextLine(path, QStringLiteral("вторая")));
    EXPECT_EQ(test::readAll(path), ToCp1251(QStringLiteral("первая\r\nвторая\r\n")));
}

} // namespace
} // namespace tals
