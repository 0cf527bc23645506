#include "ui/controls/ini_combo_box.h"
#include "ui/controls/param_str.h"

#include "platform/codepage.h"
#include "platform/paths.h"
#include "tests/common/test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using tals::TiniComboBox;

namespace {

QStringList Items(const QComboBox &box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

void WriteCp1251(const QString &path, const QString &text)
{
    QString crlf = text;
    crlf.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    tals::test::writeAll(path, tals::ToCp1251(crlf));
}

QString ShippedParametersIni()
{
    return QStringLiteral(TALS_SOURCE_DIR "/resources/INI/Parameters.ini");
}

} // namespace

TEST(IniComboBox, ItemsComeFromTheSectionOfACp1251File)
{
    tals::test::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("Parameters.ini"));
    WriteCp1251(path, QStringLiteral("[Другой]\n"
                                     "0=Чужой\n"
                                     "[БитПаритета]\n"
                                     "0=Нет\n"
                                     "1=Нечётный=с равенством\n"
                                     "\n"
                                     "; комментарий\n"
                                     "Без ключа\n"
                                     "[Следующий]\n"
                                     "0=Не наш\n"));
    TiniComboBox box;
    box.SetFileName(path);
    box.SetSectionName(QStringLiteral("битпаритета"));
    EXPECT_TRUE(box.LoadItems());
    EXPECT_EQ(Items(box), (QStringList{"Нет", "Нечётный=с равенством", "Без ключа"}));

    // Loading again replaces the items.
    box.SetSectionName(QStringLiteral("Другой"));
    EXPECT_TRUE(box.LoadItems());
    EXPECT_EQ(Items(box), QStringList{"Чужой"});
}

TEST(IniComboBox, MissingFileOrSectionGivesAnEmptyList)
{
    tals::test::ScratchDir dir;
    TiniComboBox box;
    box.addItem(QStringLiteral("старый"));
    box.SetFileName(dir.file(QStringLiteral("нет.ini")));
    box.SetSectionName(QStringLiteral("ТипПрибора"));
    EXPECT_FALSE(box.LoadItems());
    EXPECT_EQ(box.count(), 0);

    const QString path = dir.file(QStringLiteral("p.ini"));
    WriteCp1251(path, QStringLiteral("[ТипПрибора]\n0=ТАЛС351И\n"));
    box.SetFileName(path);
    box.SetSectionName(QStringLiteral("ТипППМ"));
    EXPECT_TRUE(box.LoadItems());
    EXPECT_EQ(box.count(), 0);
    box.setCurrentIndex(1);
    EXPECT_EQ(box.currentText(), QString());
}

TEST(IniComboBox, ParameterListFoundInTheProgramFolderWithoutRegardToCase)
{
    tals::test::ScratchDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("ini")));
    WriteCp1251(dir.file(QStringLiteral("ini/parameters.INI")),
                QStringLiteral("[ТипПрибора]\n0=ТАЛС351И\n1=ТАЛС352И\n"));
    tals::SetProgramDir(dir.path());
    TiniComboBox box;
    EXPECT_TRUE(tals::LoadParameterList(box, QStringLiteral("ProgramType")));
    tals::SetProgramDir(QString());
    EXPECT_EQ(Items(box), (QStringList{"ТАЛС351И", "ТАЛС352И"}));
    box.setCurrentIndex(1);
    EXPECT_EQ(box.currentText(), QStringLiteral("ТАЛС352И"));
}

// The shipped list file: Windows-1251 with CR LF, one item per accepted
// register value (item n describes value n).
TEST(ParametersIni, HoldsEveryListWithOneItemPerRegisterValue)
{
    const QByteArray bytes = tals::test::readAll(ShippedParametersIni());
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << "every line ends with CR LF";
    EXPECT_TRUE(bytes.contains(tals::ToCp1251(QStringLiteral("[ТипПрибора]"))));

    struct Count
    {
        const char *property;
        int values;
    };
    const Count counts[] = {
        {"CurrentOutput_Input", 4},
        {"CurrentOutput_Range", 3},
        {"CurrentOutput_ErrorValue", 5},
        {"mbBaudRate", 13},
        {"mbParity", 3},
        {"CalibrModeTals", 2},
        {"ControlCommand", 7},
        {"PPMType", 5},
        {"ProgramType", 2},
        {"ModulationType", 2},
        {"MDOS", 11},
        {"Izns", 16},
        {"CountFixedFreqs", 2},
        {"CountFreqs", 2},
        {"AlgoritmType", 5},
        {"WindowEnabled", 3},
        {"PredictionIntoBadZones", 3},
    };
    ASSERT_EQ(std::size(counts), std::size(tals::kParameterLists));
    for (const Count &c : counts) {
        TiniComboBox box;
        box.SetFileName(ShippedParametersIni());
        box.SetSectionName(tals::ParameterListSection(QLatin1String(c.property)));
        ASSERT_FALSE(box.SectionName().isEmpty()) << c.property;
        EXPECT_TRUE(box.LoadItems());
        EXPECT_EQ(box.count(), c.values) << c.property;
        for (int i = 0; i < box.count(); ++i)
            EXPECT_FALSE(box.itemText(i).trimmed().isEmpty()) << c.property << " " << i;
    }

    // Spot checks of texts the program itself names.
    TiniComboBox box;
    box.SetFileName(ShippedParametersIni());
    box.SetSectionName(QStringLiteral("ДиапазонТоковогоВыхода"));
    box.LoadItems();
    EXPECT_EQ(Items(box), (QStringList{"0-5 мА", "0-20 мА", "4-20 мА"}));
    box.SetSectionName(QStringLiteral("СкоростьПередачиДанных"));
    box.LoadItems();
    EXPECT_EQ(box.itemText(6), QStringLiteral("9600 бит/с"));
    box.SetSectionName(QStringLiteral("ТипАлгоритмаОбработки"));
    box.LoadItems();
    EXPECT_EQ(box.itemText(3), QStringLiteral("МННК"));
}
