#include "platform/ini_file.h"

#include "platform/codepage.h"

#include "tests/common/test_support.h"
#include "tests/platform/settings_fixture.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tals {
namespace {

// Writes the lines as a Windows-1251 file with CR LF ends.
void WriteIni(const QString &path, const QString &text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    test::writeAll(path, ToCp1251(crlf));
}

QString ReadIni(const QString &path)
{
    return FromCp1251(test::readAll(path));
}

TEST(IniFile, SectionsAndKeysIgnoreLetterCaseCyrillicIncluded)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("a.ini"));
    WriteIni(path, QStringLiteral("[Настройки Порта]\nИмя Порта =  ttyUSB0  \nBaud=9600\n"));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("настройки порта"), QStringLiteral("ИМЯ ПОРТА"), "-"),
              QStringLiteral("ttyUSB0"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("НАСТРОЙКИ ПОРТА"), QStringLiteral("baud"), 0), 9600);
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("нАСТРОЙКИ пОРТА")));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("Настройки порта"), QStringLiteral("BAUD")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Настройки порта"), QStringLiteral("Parity")));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Настройки")));

    ini.WriteString(QStringLiteral("НАСТРОЙКИ ПОРТА"), QStringLiteral("имя порта"),
                    QStringLiteral("ttyS1"));
    ASSERT_TRUE(ini.UpdateFile());
    // The key is replaced where it stands, in its original spelling.
    EXPECT_EQ(ReadIni(path),
              QStringLiteral("[Настройки Порта]\r\nИмя Порта=ttyS1\r\nBaud=9600\r\n"));
}

TEST(IniFile, WritesKeepEverythingElseInPlace)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("ComPort.ini"));
    WriteIni(path, QStringLiteral("; порт связи\n"
                                  "[ComPort]\n"
                                  "Port=ttyS0\n"
                                  "; скорость\n"
                                  "Baud=9600\n"
                                  "; конец\n"
                                  "\n"
                                  "[Other]\n"
                                  "A=1\n"));
    {
        TIniFile ini(path);
        ini.WriteString(QStringLiteral("comport"), QStringLiteral("PORT"),
                        QStringLiteral("ttyUSB0"));
        ini.WriteString(QStringLiteral("ComPort"), QStringLiteral("Parity"), QStringLiteral("E"));
        ini.WriteString(QStringLiteral("Новый"), QStringLiteral("Ключ"),
                        QStringLiteral("Значение"));
        ini.WriteInteger(QStringLiteral("Other"), QStringLiteral("B"), -2);
        EXPECT_TRUE(ini.Modified());
    } // the destructor stores the changes
    EXPECT_EQ(ReadIni(path), QStringLiteral("; порт связи\r\n"
                                            "[ComPort]\r\n"
                                            "Port=ttyUSB0\r\n"
                                            "; скорость\r\n"
                                            "Baud=9600\r\n"
                                            "Parity=E\r\n"
                                            "; конец\r\n"
                                            "\r\n"
                                            "[Other]\r\n"
                                            "A=1\r\n"
                                            "B=-2\r\n"
                                            "[Новый]\r\n"
                                            "Ключ=Значение\r\n"));
    // Bytes on disk are Windows-1251.
    EXPECT_TRUE(test::readAll(path).contains("[\xCD\xEE\xE2\xFB\xE9]\r\n"));
}

TEST(IniFile, MalformedLinesAreSkipped)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("bad.ini"));
    test::writeAll(path, QByteArray("orphan=1\r\ngarbage\r\n[S]\r\nnoequals\r\n=novalue\r\n"
                                    "K = v \r\n[broken\r\nK2=x=y\r\n\x01\x02\xFF\r\n[]\r\nE=1\n"));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("S")), QStringList({"K", "K2"}));
    EXPECT_EQ(ini.ReadSectionValues(QStringLiteral("s")), QStringList({"K=v", "K2=x=y"}));
    EXPECT_EQ(ini.ReadString(QString(), QStringLiteral("E"), "-"), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QString(), QStringLiteral("orphan"), "-"), QStringLiteral("-"));
    EXPECT_EQ(ini.ReadSections(), QStringList({"S", ""}));
}

TEST(IniFile, MissingFileReadsEmptyAndIsCreatedByTheFirstWrite)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("INI/sub/Timer.ini"));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("ctReqDevices"), QStringLiteral("Interval"), "x"),
              QStringLiteral("x"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("ctReqDevices"), QStringLiteral("Interval"), 200),
              200);
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("ctReqDevices"), QStringLiteral("Enabled"), false));
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    EXPECT_TRUE(ini.UpdateFile()); // nothing pending, nothing written
    EXPECT_FALSE(QFileInfo::exists(path));

    ini.WriteBool(QStringLiteral("ctReqDevices"), QStringLiteral("Enabled"), true);
    ini.WriteInteger(QStringLiteral("ctReqDevices"), QStringLiteral("Interval"), 500);
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(test::readAll(path), QByteArray("[ctReqDevices]\r\nEnabled=1\r\nInterval=500\r\n"));
}

TEST(IniFile, IntegersAndBooleansFallBackToDefaults)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("v.ini"));
    WriteIni(path, QStringLiteral("[V]\nDec=12\nHex= 0x1F \nDollar=$10\nNeg=-5\nText=abc\n"
                                  "Empty=\nReal=1,5\nB0=0\nB1=1\nBm=-1\nB2=2\nBy=yes\n"));
    const TIniFile ini(path);
    const QString v = QStringLiteral("V");
    struct IntCase
    {
        const char *key;
        int expected;
    };
    const IntCase ints[] = {{"Dec", 12}, {"Hex", 31},  {"Dollar", 16}, {"Neg", -5},
                            {"Text", 7}, {"Empty", 7}, {"Real", 7},    {"Missing", 7}};
    for (const IntCase &c : ints)
        EXPECT_EQ(ini.ReadInteger(v, QString::fromUtf8(c.key), 7), c.expected) << c.key;
    struct BoolCase
    {
        const char *key;
        bool def;
        bool expected;
    };
    const BoolCase bools[] = {{"B0", true, false},    {"B1", false, true}, {"Bm", false, true},
                              {"B2", false, true},    {"By", true, true},  {"By", false, false},
                              {"Missing", true, true}};
    for (const BoolCase &c : bools)
        EXPECT_EQ(ini.ReadBool(v, QString::fromUtf8(c.key), c.def), c.expected) << c.key;
}

TEST(IniFile, RealsFollowTheLocaleDecimalSeparator)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("r.ini"));
    WriteIni(path, QStringLiteral("[R]\nComma=1,5\nPoint=1.5\nWhole=2\n"));
    {
        test::SettingsGuard guard(test::CommaSettings());
        TIniFile ini(path);
        EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("R"), QStringLiteral("Comma"), -1), 1.5);
        EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("R"), QStringLiteral("Point"), -1), -1);
        EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("R"), QStringLiteral("Whole"), -1), 2);
        ini.WriteFloat(QStringLiteral("R"), QStringLiteral("Written"), 0.125);
        ini.WriteFloat(QStringLiteral("R"), QStringLiteral("Tiny"), 1e-6);
        ASSERT_TRUE(ini.UpdateFile());
        EXPECT_EQ(ini.ReadString(QStringLiteral("R"), QStringLiteral("Written"), {}),
                  QStringLiteral("0,125"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("R"), QStringLiteral("Tiny"), {}),
                  QStringLiteral("1E-6"));
    }
    test::SettingsGuard guard(test::PointSettings());
    const TIniFile ini(path);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("R"), QStringLiteral("Comma"), -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("R"), QStringLiteral("Point"), -1), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("R"), QStringLiteral("Whole"), -1), 2);
}

TEST(IniFile, EraseSectionDeleteKeyAndLineBreaksInValues)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("e.ini"));
    WriteIni(path, QStringLiteral("[A]\nx=1\ny=2\n\n[B]\nz=3\n[a]\nw=4\n"));
    TIniFile ini(path);
    ini.DeleteKey(QStringLiteral("a"), QStringLiteral("X"));
    ini.DeleteKey(QStringLiteral("a"), QStringLiteral("missing"));
    ini.EraseSection(QStringLiteral("b"));
    ini.WriteString(QStringLiteral("A"), QStringLiteral("t"), QStringLiteral("one\r\ntwo"));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadIni(path), QStringLiteral("[A]\r\ny=2\r\nt=one  two\r\n\r\n[a]\r\nw=4\r\n"));
    ini.EraseSection(QStringLiteral("A")); // every occurrence
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadIni(path), QString());
}

TEST(IniFile, FileIsFoundWithoutRegardToCaseAndReplacedAtomically)
{
    test::ScratchDir dir;
    WriteIni(dir.file(QStringLiteral("ini/comport.ini")),
             QStringLiteral("[ComPort]\nPort=ttyS0\n"));
    TIniFile ini(dir.file(QStringLiteral("INI/ComPort.ini")));
    EXPECT_EQ(ini.FileName(), dir.file(QStringLiteral("ini/comport.ini")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("ComPort"), QStringLiteral("Port"), {}),
              QStringLiteral("ttyS0"));
    ini.WriteString(QStringLiteral("ComPort"), QStringLiteral("Port"), QStringLiteral("ttyUSB1"));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"ini"}));
    EXPECT_EQ(QDir(dir.file(QStringLiteral("ini"))).entryList(QDir::Files | QDir::Hidden),
              QStringList({"comport.ini"}));
    EXPECT_EQ(test::readAll(dir.file(QStringLiteral("ini/comport.ini"))),
              QByteArray("[ComPort]\r\nPort=ttyUSB1\r\n"));
}

TEST(IniFile, TwoObjectsOnOneFileKeepEachOthersKeys)
{
    test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("WndPos.ini"));
    WriteIni(path, QStringLiteral("[FormMain]\nLeft=1\n[FormGraph]\nLeft=2\n"));
    TIniFile first(path);
    TIniFile second(path);
    first.WriteInteger(QStringLiteral("FormMain"), QStringLiteral("Left"), 10);
    ASSERT_TRUE(first.UpdateFile());
    second.WriteInteger(QStringLiteral("FormGraph"), QStringLiteral("Left"), 20);
    second.DeleteKey(QStringLiteral("FormGraph"), QStringLiteral("Top"));
    ASSERT_TRUE(second.UpdateFile());
    EXPECT_EQ(second.ReadInteger(QStringLiteral("FormMain"), QStringLiteral("Left"), 0), 10);
    EXPECT_EQ(ReadIni(path), QStringLiteral("[FormMain]\r\nLeft=10\r\n[FormGraph]\r\nLeft=20\r\n"));
}

TEST(IniFile, FailedWriteReportsFailureAndKeepsChangesPending)
{
    test::ScratchDir dir;
    test::writeAll(dir.file(QStringLiteral("blocker")), "x");
    TIniFile ini(dir.file(QStringLiteral("blocker/a.ini")));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("V"));
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), {}), QStringLiteral("V"));
    EXPECT_EQ(test::readAll(dir.file(QStringLiteral("blocker"))), QByteArray("x"));
}

} // namespace
} // namespace tals
