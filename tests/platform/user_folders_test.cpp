#include "platform/user_folders.h"

#include "platform/paths.h"
#include "tests/common/test_support.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace tals {

TEST(UserFolders, DefaultFoldersMoveToTheUserFolderUnlessAnIniFolderIsThere)
{
    test::ScratchDir scratch;
    const QString legacy = scratch.file(QStringLiteral("legacy")); // holds "ini"
    const QString plain = scratch.file(QStringLiteral("plain"));   // holds nothing
    const QString build = scratch.file(QStringLiteral("build"));   // executable with INI
    const QString bin = scratch.file(QStringLiteral("usr/bin"));   // installed executable
    const QString user = scratch.file(QStringLiteral("user"));
    for (const QString &d : {legacy + "/ini", plain, build + "/INI", bin})
        ASSERT_TRUE(ForceDirectories(d));

    struct Case
    {
        QString working, executable;
        bool startGiven, programGiven;
        QString start, program; // empty: as before
    };
    const Case cases[] = {
        {plain, build, false, false, user, user}, // scripts/run from the checkout
        {plain, bin, false, false, user, user},   // installed, started from the menu
        {legacy, build, false, false, {}, {}},    // an old working folder: as before
        {legacy, bin, false, false, {}, user},    // installed program cannot write beside itself
        {plain, build, true, false, {}, {}},      // --start-dir given
        {plain, bin, true, true, {}, {}},         // both given: nothing moves
        {plain, build, false, true, user, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.working + " " + c.executable).toStdString());
        const TDefaultFolders f =
            ChooseDefaultFolders(c.working, c.executable, user, c.startGiven, c.programGiven);
        EXPECT_EQ(f.Start, c.start);
        EXPECT_EQ(f.Program, c.program);
    }
}

TEST(UserFolders, AProgramFoldersOwnIniFileComesBeforeTheShippedOne)
{
    // The shipped copy of an installation is checked by the install test.
    test::ScratchDir scratch;
    SetProgramDir(scratch.path());
    const QString shipped = IniFilePath(SharedDataDir(), QStringLiteral("Parameters.ini"));
    const QString expected = QFileInfo(shipped).isFile()
                                 ? shipped
                                 : IniFilePath(scratch.path(), QStringLiteral("Parameters.ini"));
    EXPECT_EQ(ProgramDataIniPath(QStringLiteral("Parameters.ini")), expected);
    test::writeAll(scratch.file(QStringLiteral("ini/parameters.ini")), "[x]\r\n");
    EXPECT_EQ(ProgramDataIniPath(QStringLiteral("Parameters.ini")),
              scratch.file(QStringLiteral("ini/parameters.ini")));
    SetProgramDir(QString());
}

} // namespace tals
