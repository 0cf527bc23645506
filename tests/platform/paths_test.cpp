#include "platform/paths.h"

#include "tests/common/test_support.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tals {
namespace {

TEST(Paths, JoinPathPutsOneSeparatorBetweenParts)
{
    struct Case
    {
        const char *dir, *name, *expected;
    };
    const Case cases[] = {
        {"", "a.txt", "a.txt"},
        {"/data", "a.txt", "/data/a.txt"},
        {"/data/", "a.txt", "/data/a.txt"},
        {"/data/", "/a.txt", "/data/a.txt"},
        {"/data", "/a.txt", "/data/a.txt"},
        {"rel", "sub/a", "rel/sub/a"},
        {"/", "etc", "/etc"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(JoinPath(QString::fromUtf8(c.dir), QString::fromUtf8(c.name)),
                  QString::fromUtf8(c.expected))
            << c.dir << " + " << c.name;
}

TEST(Paths, FileBaseNameDropsFolderAndLastExtension)
{
    struct Case
    {
        const char *path, *expected;
    };
    const Case cases[] = {
        {"Distance.db", "Distance"}, {"/a/b/Distance.db", "Distance"},
        {"Distance", "Distance"},    {"/a.d/Distance", "Distance"},
        {"x.db.db", "x.db"},         {".hidden", ".hidden"},
        {"Уровень.txt", "Уровень"},  {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FileBaseName(QString::fromUtf8(c.path)), QString::fromUtf8(c.expected)) << c.path;
}

TEST(Paths, EnsureFileCreatesFoldersAndKeepsExistingContents)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("INI/deep/Timer.ini"));
    EXPECT_TRUE(EnsureFile(path));
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).size(), 0);
    test::writeAll(path, "[x]\r\n");
    EXPECT_TRUE(EnsureFile(path));
    EXPECT_EQ(test::readAll(path), QByteArray("[x]\r\n"));
    // A folder in the place of the file is not a file.
    EXPECT_FALSE(EnsureFile(dir.file(QStringLiteral("INI"))));
    EXPECT_TRUE(ForceDirectories(dir.file(QStringLiteral("a/b/c"))));
    EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("a/b/c"))).isDir());
}

TEST(Paths, FindPathNoCaseMatchesExistingComponents)
{
    test::ScratchDir dir;
    test::writeAll(dir.file(QStringLiteral("ini/comport.ini")), "");
    test::writeAll(dir.file(QStringLiteral("Data/351/PN1.ini")), "");
    const QString root = dir.path();
    EXPECT_EQ(FindPathNoCase(root + QStringLiteral("/INI/ComPort.ini")),
              root + QStringLiteral("/ini/comport.ini"));
    EXPECT_EQ(FindPathNoCase(root + QStringLiteral("/INI/New.ini")),
              root + QStringLiteral("/ini/New.ini"));
    EXPECT_EQ(FindPathNoCase(root + QStringLiteral("/DATA/351/pn1.INI")),
              root + QStringLiteral("/Data/351/PN1.ini"));
    EXPECT_EQ(FindPathNoCase(root + QStringLiteral("/none/INI/x")),
              root + QStringLiteral("/none/INI/x"));
    EXPECT_EQ(IniFilePath(root, QStringLiteral("ComPort.ini")),
              root + QStringLiteral("/ini/comport.ini"));
    EXPECT_EQ(IniFilePath(root, QStringLiteral("WndPos.ini")),
              root + QStringLiteral("/ini/WndPos.ini"));

    // Relative paths are looked up from the working directory and stay relative.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root));
    EXPECT_EQ(FindPathNoCase(QStringLiteral("INI/COMPORT.INI")), QStringLiteral("ini/comport.ini"));
    QDir::setCurrent(saved);
}

TEST(Paths, RootsCanBeOverridden)
{
    test::ScratchDir dir;
    const QString start = StartDir();
    EXPECT_TRUE(QFileInfo(start).isAbsolute());
    EXPECT_FALSE(ProgramDir().isEmpty());

    QStringList args = {QStringLiteral("/full"), QStringLiteral("--start-dir"), dir.path(),
                        QStringLiteral("--program-dir=") + dir.file(QStringLiteral("bin")),
                        QStringLiteral("/zelvin")};
    EXPECT_TRUE(ApplyPathOptions(args));
    EXPECT_EQ(args, QStringList({"/full", "/zelvin"}));
    EXPECT_EQ(StartDir(), dir.path());
    EXPECT_EQ(ProgramDir(), dir.file(QStringLiteral("bin")));
    EXPECT_EQ(StartIniPath(QStringLiteral("Timer.ini")), dir.file(QStringLiteral("INI/Timer.ini")));

    QStringList broken = {QStringLiteral("--start-dir")};
    EXPECT_FALSE(ApplyPathOptions(broken));
    EXPECT_TRUE(broken.isEmpty());
    EXPECT_EQ(StartDir(), dir.path());

    SetStartDir(QString());
    SetProgramDir(QString());
    EXPECT_EQ(StartDir(), start);

    qputenv("TALS_PROGRAM_DIR", dir.path().toLocal8Bit());
    EXPECT_EQ(ProgramDir(), dir.path());
    qunsetenv("TALS_PROGRAM_DIR");
}

} // namespace
} // namespace tals
