#include "storage/parameter_file.h"

#include "device/tals352.h"
#include "platform/codepage.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/storage/comma_format.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tals {
namespace {

using test::ScriptedDialogs;

const TDateTime Today = EncodeDate(2026, 12, 8);

// A model, a program folder and scripted dialogs for each test.
class ParameterFile : public ::testing::Test
{
protected:
    ParameterFile() { SetProgramDir(program.path()); }
    ~ParameterFile() override { SetProgramDir(QString()); }

    QString File(const QString &relative) const { return program.file(relative); }
    // Writes a parameter file and lets the file dialog pick it.
    void Offer(const QByteArray &text)
    {
        test::writeAll(File("351/offered.ini"), text);
        dialogs.fileNames.push_back(File("351/offered.ini"));
    }
    // "key=value" lines of the file in order, with "[section]" lines.
    QStringList Lines(const QString &path) const
    {
        QStringList lines = FromCp1251(test::readAll(path)).split(QStringLiteral("\r\n"));
        lines.removeAll(QString());
        return lines;
    }

    test::CommaFormat comma;
    test::ScratchDir program;
    ScriptedDialogs dialogs;
    TProgramModes modes;
    Ttals352 model{modes};
};

TEST_F(ParameterFile, FolderAndNameRules)
{
    EXPECT_EQ(ParameterFolder(20), program.path() + "/351");
    EXPECT_EQ(ParameterFolder(21), program.path() + "/352");
    EXPECT_EQ(ParameterFolder(22), program.path() + "/35x");
    EXPECT_EQ(ParameterFolder(0), program.path() + "/35x");
    // An existing folder is found whatever its case.
    ASSERT_TRUE(QDir().mkpath(File("35X")));
    EXPECT_EQ(ParameterFolder(7), program.path() + "/35X");

    EXPECT_EQ(ParameterFileName(123, Today), "PN00123-20261208.ini");
    EXPECT_EQ(ParameterFileName(0, Today), "PN00000-20261208.ini");
    EXPECT_EQ(ParameterFileName(65535, EncodeDate(2027, 1, 2)), "PN65535-20270102.ini");
}

TEST_F(ParameterFile, MissingPlantNumberAsksAndYesSavesPn00000)
{
    dialogs.answers = {TDialogButton::Yes};
    EXPECT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Saved);
    EXPECT_EQ(dialogs.questions, QStringList{"Не указан заводской номер! Записать все равно?"});
    EXPECT_TRUE(QFileInfo::exists(File("351/PN00000-20261208.ini")));
}

TEST_F(ParameterFile, QuestionsAnsweredNoWriteNothing)
{
    // The default answer of the plant-number question is No.
    EXPECT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Cancelled);
    EXPECT_TRUE(QDir(program.path()).isEmpty());

    model.SetPlantNumber(123);
    model.SetDeviceTypeNumber(22);
    dialogs.questions.clear();
    EXPECT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Cancelled);
    EXPECT_EQ(dialogs.questions,
              QStringList{"Не указан Тип прибора!\rЗаписать в папку " + program.path() + "/35x/?"});
    EXPECT_TRUE(QDir(program.path()).isEmpty());

    dialogs.answers = {TDialogButton::Yes};
    EXPECT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Saved);
    EXPECT_TRUE(QFileInfo::exists(File("35x/PN00123-20261208.ini")));
}

TEST_F(ParameterFile, SecondSaveOfTheDayAsksToReplace)
{
    model.SetPlantNumber(123);
    model.SetDeviceTypeNumber(21);
    ASSERT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Saved);
    EXPECT_TRUE(dialogs.questions.isEmpty());
    const QString path = File("352/PN00123-20261208.ini");

    model.SetHmax(12000);
    dialogs.answers = {TDialogButton::No};
    EXPECT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Cancelled);
    EXPECT_EQ(dialogs.questions, QStringList{"Заменить существующий файл \r" + path + " ?"});
    EXPECT_EQ(TIniFile(path).ReadString("UserRegisters", "Hmax", ""), "30000");

    // The default answer is Yes.
    EXPECT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Saved);
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(TIniFile(path).ReadString("UserRegisters", "Hmax", ""), "12000");
    EXPECT_EQ(QDir(File("352")).entryList(QDir::Files), QStringList{"PN00123-20261208.ini"});
}

TEST_F(ParameterFile, TypicalModelIsWrittenSectionBySectionInOrder)
{
    model.Signature().Device = "ТАЛС";
    model.PPMNumberText = "77";
    model.OrderNumber = "Н/З 5";
    model.SetCountBadZones(2);
    const QString path = File("351/a.ini");
    ASSERT_TRUE(WriteParameterFile(model, path));

    const QStringList expected = {"[UserRegisters]",
                                  "SystemAddress=1",
                                  "Hmax=30000",
                                  "Lmax=30000",
                                  "KKalman=1",
                                  "Speed=0",
                                  "CurrentOutput_Input=1",
                                  "CurrentOutput_Range=2",
                                  "CurrentOutput_ErrorValue=3",
                                  "[Tals352]",
                                  "Signature.Device=ТАЛС",
                                  "Signature.DeviceName=",
                                  "Signature.DeviceType=",
                                  "Signature.PlantNumber=",
                                  "Signature.HardVersion=",
                                  "Signature.SoftVersion=",
                                  "Signature.Manufactured=",
                                  "Signature.Site=",
                                  "Signature.KRSV=",
                                  "Signature.crc=",
                                  "PPM=77",
                                  "NNZ=Н/З 5",
                                  "[CommonServiceRegisters]",
                                  "PlantNumber=0",
                                  "HardVersion=0",
                                  "SoftVersion=0",
                                  "ControlCommand=0",
                                  "mbBaudRate=6",
                                  "MbParity=2",
                                  "CalibrMode=2",
                                  "KrPer=1",
                                  "SmPer=0,001",
                                  "[ServiceRegisters1]",
                                  "PPMType=0",
                                  "PPMNumber=0",
                                  "ProgramType=0",
                                  "WDActive=1",
                                  "WDUpdate=1",
                                  "Amplification=0",
                                  "AutoControlAmplification=1",
                                  "ModulationType=0",
                                  "CountSteps=1024",
                                  "MDOS=0",
                                  "FracDS=4093",
                                  "Izns=15",
                                  "DSint=189",
                                  "DSfrac=0",
                                  "DSdelta=88",
                                  "FreqPeriod=8",
                                  "FreqValue=24",
                                  "[ServiceRegisters2]",
                                  "CountSkip=5",
                                  "IncreaseFreqStep=1",
                                  "CountFixedFreqs=0",
                                  "CountFreqs=0",
                                  "WindowBlackmanEnabled=0",
                                  "KrFChH=-0,00015",
                                  "SmFChH=-2,75",
                                  "Radius=30000",
                                  "FreqNes=9072",
                                  "FreqDev=1056,774048",
                                  "ODPM=2",
                                  "FreqBeg=8",
                                  "MUP=20",
                                  "CoundNOS=10",
                                  "CoundNRI=10",
                                  "RezTemperature=22",
                                  "RezPressure=101",
                                  "DPG=1,00059",
                                  "[FunctionalRegisters]",
                                  "SignalAccumulation=0",
                                  "WindowEnabled=2",
                                  "AlgoritmType=0",
                                  "AveragingResults=0",
                                  "MedianFilter=0",
                                  "ControlSpeed=1",
                                  "PredictionIntoBadZones=0",
                                  "ProcessingReflection=1",
                                  "TempAndPresCorrection=1",
                                  "MMPCorrection=0",
                                  "EmptyTraining=0",
                                  "[BadZones]",
                                  "CountBadZones=2",
                                  "[BadZone1]",
                                  "IOValue1=0",
                                  "IOValue2=0",
                                  "IOSpeedInc=100",
                                  "IOSpeedDec=100",
                                  "[BadZone2]",
                                  "IOValue1=0",
                                  "IOValue2=0",
                                  "IOSpeedInc=100",
                                  "IOSpeedDec=100"};
    const QStringList lines = Lines(path);
    ASSERT_GE(lines.size(), expected.size() + 5 * 8);
    EXPECT_EQ(lines.mid(0, expected.size()), expected);

    // The five run-table sections follow, from the template.
    const QStringList tail = lines.mid(expected.size());
    for (int row = 1; row <= 5; ++row) {
        const QStringList section = tail.mid((row - 1) * 8, 8);
        EXPECT_EQ(section.value(0), QStringLiteral("[Tals352CurrentOutput%1]").arg(row));
        EXPECT_EQ(section.value(1), QStringLiteral("Ruletka=%1").arg(row * 2000));
        EXPECT_EQ(section.value(2), QStringLiteral("Sample=%1").arg(15000 - row * 2000));
        QStringList keys;
        for (const QString &line : section.mid(1))
            keys << line.section('=', 0, 0);
        EXPECT_EQ(keys, (QStringList{"Ruletka", "Sample", "Value", "dValue", "CurrentSample",
                                     "CurrentValue", "dCurrentValue"}));
    }
    // Windows-1251 on disk.
    EXPECT_TRUE(test::readAll(path).contains(ToCp1251("Signature.Device=ТАЛС\r\n")));
}

TEST_F(ParameterFile, SaveKeepsWhatItDoesNotWrite)
{
    const QString path = File("351/a.ini");
    test::writeAll(path, "; notes\r\n[UserRegisters]\r\nHmax=1\r\nOwnKey=kept\r\n"
                         "[BadZone5]\r\nIOValue1=555\r\n[Other]\r\nx=1\r\n");
    model.SetCountBadZones(2);
    ASSERT_TRUE(WriteParameterFile(model, path));
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("UserRegisters", "Hmax", ""), "30000");
    EXPECT_EQ(ini.ReadString("UserRegisters", "OwnKey", ""), "kept");
    EXPECT_EQ(ini.ReadString("BadZone5", "IOValue1", ""), "555");
    EXPECT_EQ(ini.ReadString("Other", "x", ""), "1");
    EXPECT_FALSE(ini.SectionExists("BadZone3"));
    EXPECT_TRUE(Lines(path).startsWith("; notes"));
}

TEST_F(ParameterFile, FailedWriteIsReportedAndLeavesNoFile)
{
    model.SetPlantNumber(5);
    // A file stands where the device folder should be.
    test::writeAll(File("351"), "not a folder");
    EXPECT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Failed);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("PN00005-20261208.ini"));
    EXPECT_EQ(test::readAll(File("351")), "not a folder");
}

TEST_F(ParameterFile, SaveAndLoadGiveBackTheConfiguration)
{
    model.SetPlantNumber(4321);
    model.SetSystemAddress(17);
    model.SetHmax(20000.5);
    model.SetLmax(15000.25);
    model.SetKKalman(0.35);
    model.SetCurrentOutput_Range(1);
    model.SetKrPer(1.23456789012345);
    model.SetSmPer(-12.5);
    model.SetDSdelta(-40);
    model.SetFreqDev(1000.125);
    model.SetKrFChH(-0.0000012);
    model.SetMUP(33);
    model.SetEmptyTraining(1);
    model.SetCountBadZones(3);
    model.BadZone(3).FarBound.SetValue(TVariant(2500.5));
    model.BadZone(2).FillSpeed.SetValue(TVariant(12.0));
    model.ProgonTable[1].Value = 10999.875;
    model.ProgonTable[4].DCurrentValue = -0.01;
    model.PPMNumberText = "42";
    model.OrderNumber = "7/1";
    model.Signature().Site = "site";
    ASSERT_EQ(SaveParameterFile(model, dialogs, Today), TSaveResult::Saved);

    TProgramModes otherModes;
    Ttals352 loaded{otherModes};
    loaded.Signature().Site = "before";
    dialogs.fileNames.push_back(File("351/PN04321-20261208.ini"));
    ASSERT_TRUE(LoadParameterFile(loaded, dialogs));

    for (const TPropertyInfo &p : PropertyTable()) {
        if (p.IniSection) {
            EXPECT_EQ(loaded.PropertyAsDouble(p.Id), model.PropertyAsDouble(p.Id)) << p.Name;
        }
    }
    for (int zone = 1; zone <= 3; ++zone) {
        for (auto v : {TBadZoneValue::NearBound, TBadZoneValue::FarBound, TBadZoneValue::FillSpeed,
                       TBadZoneValue::DrainSpeed}) {
            EXPECT_EQ(loaded.BadZone(zone).Value(v).Output().ToDouble(),
                      model.BadZone(zone).Value(v).Output().ToDouble())
                << zone;
        }
    }
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(loaded.ProgonTable[row].Ruletka, model.ProgonTable[row].Ruletka);
        EXPECT_EQ(loaded.ProgonTable[row].Value, model.ProgonTable[row].Value);
        // Reals keep 15 significant digits.
        EXPECT_NEAR(loaded.ProgonTable[row].DCurrentValue, model.ProgonTable[row].DCurrentValue,
                    1e-13);
    }
    EXPECT_EQ(loaded.PPMNumberText, "42");
    EXPECT_EQ(loaded.OrderNumber, "7/1");
    // The signature is not read.
    EXPECT_EQ(loaded.Signature().Site, "before");
}

TEST_F(ParameterFile, CancelledLoadLeavesTypicalValues)
{
    model.SetHmax(1000);
    model.SetKrPer(0.5);
    model.SetCountBadZones(4);
    model.BadZone(1).NearBound.SetValue(TVariant(50.0));
    EXPECT_FALSE(LoadParameterFile(model, dialogs));
    EXPECT_EQ(model.Hmax(), 30000);
    EXPECT_EQ(model.KrPer(), 1);
    EXPECT_EQ(model.CountBadZones(), 1);
    EXPECT_EQ(model.BadZone(1).NearBound.Output().ToDouble(), 0);
}

TEST_F(ParameterFile, LoadForAnUnknownTypeOnlyResets)
{
    model.SetDeviceTypeNumber(22);
    model.SetHmax(1000);
    Offer("[UserRegisters]\r\nHmax=500\r\n");
    EXPECT_FALSE(LoadParameterFile(model, dialogs));
    EXPECT_EQ(model.Hmax(), 30000);
    EXPECT_EQ(dialogs.fileNames.size(), 1u) << "the file dialog was shown";
}

TEST_F(ParameterFile, LoadAppliesValuesThroughTheSetters)
{
    struct TCase
    {
        const char *what;
        QByteArray file;
        std::function<void(Ttals352 &)> check;
    };
    const TCase cases[] = {
        {"Lmax above the new Hmax is refused and stays typical",
         "[UserRegisters]\r\nHmax=10000\r\nLmax=12000\r\n",
         [](Ttals352 &m) {
             EXPECT_EQ(m.Hmax(), 10000);
             EXPECT_EQ(m.Lmax(), 30000);
         }},
        {"point-separated reals under a comma locale keep typical values",
         "[UserRegisters]\r\nHmax=20000\r\nKKalman=0.5\r\n"
         "[CommonServiceRegisters]\r\nSmPer=0.5\r\nKrPer=1\r\n"
         "[ServiceRegisters2]\r\nODPM=3\r\nDPG=1.05\r\n",
         [](Ttals352 &m) {
             EXPECT_EQ(m.Hmax(), 20000);
             EXPECT_EQ(m.KKalman(), 1);
             EXPECT_EQ(m.SmPer(), 0.001);
             EXPECT_EQ(m.ODPM(), 3);
             EXPECT_EQ(m.DPG(), 1.00059);
         }},
        {"out-of-range and malformed values keep typical values",
         "[ServiceRegisters1]\r\nCountSteps=2048\r\nFracDS=abc\r\nMDOS=11\r\nDSdelta=-5\r\n"
         "[FunctionalRegisters]\r\nWindowEnabled=70002\r\nAlgoritmType=3\r\n",
         [](Ttals352 &m) {
             EXPECT_EQ(m.CountSteps(), 1024);
             EXPECT_EQ(m.FracDS(), 4093);
             EXPECT_EQ(m.MDOS(), 0);
             EXPECT_EQ(m.DSdelta(), -5);
             EXPECT_EQ(m.WindowEnabled(), 2);
             EXPECT_EQ(m.AlgoritmType(), 3);
         }},
        {"identity values are stored as they are; values beyond their width are refused",
         "[UserRegisters]\r\nSystemAddress=300\r\n"
         "[CommonServiceRegisters]\r\nPlantNumber=65537\r\nHardVersion=3\r\nSoftVersion=258\r\n",
         [](Ttals352 &m) {
             EXPECT_EQ(m.SystemAddress(), 1);
             EXPECT_EQ(m.PlantNumber(), 0);
             EXPECT_EQ(m.HardVersionNumber(), 3);
             EXPECT_EQ(m.SoftVersionNumber(), 0);
         }},
        {"a file without the texts empties them; keys match without regard to case",
         "[userregisters]\r\nHMAX=25000\r\n",
         [](Ttals352 &m) {
             EXPECT_EQ(m.Hmax(), 25000);
             EXPECT_EQ(m.PPMNumberText, "");
             EXPECT_EQ(m.OrderNumber, "");
         }},
        {"bad zones up to the count read, with present values as defaults",
         "[BadZones]\r\nCountBadZones=2\r\n[BadZone1]\r\nIOValue1=100,5\r\nIOValue2=200\r\n"
         "[BadZone2]\r\nIOSpeedDec=7\r\n[BadZone3]\r\nIOValue1=999\r\n",
         [](Ttals352 &m) {
             EXPECT_EQ(m.CountBadZones(), 2);
             EXPECT_EQ(m.BadZone(1).NearBound.Output().ToDouble(), 100.5);
             EXPECT_EQ(m.BadZone(1).FarBound.Output().ToDouble(), 200);
             EXPECT_EQ(m.BadZone(1).FillSpeed.Output().ToDouble(), 100);
             EXPECT_EQ(m.BadZone(2).DrainSpeed.Output().ToDouble(), 7);
             EXPECT_EQ(m.BadZone(3).NearBound.Output().ToDouble(), 0);
         }},
        {"run table: missing keys read 0, a tape reading of 0 follows from the sample",
         "[Tals352CurrentOutput1]\r\nRuletka=0\r\nSample=11000\r\nValue=10990,5\r\n"
         "[Tals352CurrentOutput2]\r\nRuletka=4000\r\nSample=11000\r\n",
         [](Ttals352 &m) {
             EXPECT_EQ(m.ProgonTable[0].Ruletka, 4000);
             EXPECT_EQ(m.ProgonTable[0].SetLevel, 11000);
             EXPECT_EQ(m.ProgonTable[0].Value, 10990.5);
             EXPECT_EQ(m.ProgonTable[0].Current, 0);
             EXPECT_EQ(m.ProgonTable[1].Ruletka, 4000);
             EXPECT_EQ(m.ProgonTable[2].Ruletka, 15000);
             EXPECT_EQ(m.ProgonTable[2].SetLevel, 0);
         }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.what);
        model.PPMNumberText = "old";
        model.OrderNumber = "old";
        Offer(c.file);
        ASSERT_TRUE(LoadParameterFile(model, dialogs));
        c.check(model);
    }
}

TEST_F(ParameterFile, OutOfRangeValuesAreNamedAndKeepThePresentValue)
{
    model.SetSystemAddress(17);
    Offer("[UserRegisters]\r\nSystemAddress=300\r\nHmax=20000\r\nLmax=25000\r\n"
          "[CommonServiceRegisters]\r\nSoftVersion=258\r\n"
          "[FunctionalRegisters]\r\nWindowEnabled=abc\r\n");
    ASSERT_TRUE(LoadParameterFile(model, dialogs));
    // Never another device's address: 300 is not cut to 44.
    EXPECT_EQ(model.SystemAddress(), 17);
    EXPECT_EQ(model.Hmax(), 20000);
    EXPECT_EQ(model.Lmax(), 30000);
    EXPECT_EQ(model.SoftVersionNumber(), 0);

    ASSERT_EQ(dialogs.messages.size(), 1);
    const QString text = dialogs.messages[0];
    EXPECT_TRUE(text.startsWith("Файл " + File("351/offered.ini") + "\rзагружен, кроме"))
        << text.toStdString();
    for (const char *part :
         {"Системный адрес, от 0 до 247 (UserRegisters/SystemAddress=300): допустимо от 0 до 255",
          "(UserRegisters/Lmax=25000): допустимо от 0 до 20000",
          "Программная версия (CommonServiceRegisters/SoftVersion=258): допустимо от 0 до 255",
          "(FunctionalRegisters/WindowEnabled=abc): не число"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("Hmax=")) << text.toStdString();
}

TEST_F(ParameterFile, FileThatIsNoParameterFileIsRefusedAndChangesNothing)
{
    struct TCase
    {
        const char *what;
        QByteArray file; // written unless empty
        QString name;
        QString reason;
    };
    const TCase cases[] = {
        {"garbage", QByteArray("\x00\x7f garbage\r\n=\r\n[x\r\n", 18), "351/garbage.ini",
         "в файле нет ни одного параметра прибора"},
        {"an INI file of something else", "[BDE]\r\ndbPath=/tmp\r\n", "351/bde.ini",
         "в файле нет ни одного параметра прибора"},
        {"a missing file", "", "351/missing.ini", "нет такого файла или папки"},
        {"a folder", "", "351/folder.ini", "на этом месте папка, а не файл"},
    };
    QDir().mkpath(File("351/folder.ini"));
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.messages.clear();
        if (!c.file.isEmpty())
            test::writeAll(File(c.name), c.file);
        model.SetHmax(1000);
        model.SetSystemAddress(17);
        model.PPMNumberText = "kept";
        dialogs.fileNames.push_back(File(c.name));
        EXPECT_FALSE(LoadParameterFile(model, dialogs));
        EXPECT_EQ(model.Hmax(), 1000);
        EXPECT_EQ(model.SystemAddress(), 17);
        EXPECT_EQ(model.PPMNumberText, "kept");
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0], "Файл не загружен:\r" + File(c.name) + "\rПричина: " +
                                           c.reason + "\rПараметры прибора не изменены.");
    }
}

} // namespace
} // namespace tals
