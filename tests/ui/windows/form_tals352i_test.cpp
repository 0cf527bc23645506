#include "ui/windows/form_tals352i.h"

#include "device/program_modes.h"
#include "device/tals352.h"
#include "platform/format_settings.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "tests/common/test_support.h"
#include "ui/application/window_grab.h"
#include "ui/application/window_registry.h"
#include "ui/controls/io_visual.h"
#include "ui/controls/v_histogram.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

using namespace tals;

namespace {

struct FormTals352ITest : ::testing::Test
{
    void SetUp() override
    {
        SetStartDir(scratch.path());
        saved = FormatSettings();
        TFormatSettings settings = saved;
        settings.DecimalSeparator = QLatin1Char(',');
        settings.ThousandSeparator = QLatin1Char(' ');
        SetFormatSettings(settings);
    }
    void TearDown() override
    {
        delete window;
        SetFormatSettings(saved);
        SetStartDir(QString());
    }

    TFormTals352I *Open()
    {
        window = new TFormTals352I(model, modes, [this](const QString &name) { executed << name; });
        window->show();
        return window;
    }
    QString Text(const char *name) const
    {
        auto *label = window->findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
    }
    bool Shown(const char *name) const
    {
        auto *widget = window->findChild<QWidget *>(QLatin1String(name));
        return widget && widget->isVisibleTo(window);
    }
    QColor GroupColor() const
    {
        return window->findChild<QGroupBox *>(QStringLiteral("gbReadings"))
            ->palette()
            .color(QPalette::Window);
    }
    QColor ButtonFace() const { return window->palette().color(QPalette::Button); }

    test::ScratchDir scratch;
    TFormatSettings saved;
    TProgramModes modes;
    Ttals352 model{modes};
    QStringList executed;
    QPointer<TFormTals352I> window;
};

} // namespace

TEST(ReadingsWindowTexts, ErrorRegisterAndGroupColourByErrorCode)
{
    const QColor face(0xF0, 0xF0, 0xF0);
    const QColor yellow(0xFF, 0xFF, 0x00), red(0xFF, 0x00, 0x00);
    struct Case
    {
        int code;
        const char *text;
        QColor color;
    };
    const Case cases[] = {
        {-1, "-1", red},
        {-7, "-7", red},
        {0, "0x0000=[0000000000000000]", face},
        {5, "0x0005=[0000000000000101]", red},
        {8, "0x0008=[0000000000001000]", yellow},
        {9, "0x0009=[0000000000001001]", yellow},
        {11, "0x000B=[0000000000001011]", yellow},
        {12, "0x000C=[0000000000001100]", red},
        {0x8001, "0x8001=[1000000000000001]", red},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ErrorRegisterText(c.code), QString::fromLatin1(c.text)) << c.code;
        EXPECT_EQ(ReadingsGroupColor(c.code, face), c.color) << c.code;
    }
}

TEST_F(FormTals352ITest, LayoutHasItsCaptionSizeGroupsAndIcons)
{
    Open();
    EXPECT_EQ(window->objectName(), QStringLiteral("FormTals352I"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Показания ТАЛС35xИ"));
    EXPECT_EQ(window->size(), QSize(400, 427));
    EXPECT_EQ(window->minimumSize(), QSize(400, 251));
    QStringList groups;
    for (auto *box : window->findChildren<QGroupBox *>())
        groups << box->title();
    EXPECT_EQ(groups, (QStringList{"Показания", "Ошибки", "Тестовые расстояния"}));

    const struct
    {
        const char *icon;
        const char *hint;
        const char *action;
    } icons[] = {
        {"sbGraphDistance", "График \"Расстояние\"", "actGraphDistance"},
        {"sbGraphLevelFree", "График \"Свободное пространство\"", "actGraphLevelFree"},
        {"sbGraphLevel", "График \"Уровень\"", "actGraphLevel"},
        {"sbGraphTmp", "График \"Температура\"", "actGraphTmp"},
        {"sbGraphCurrentOutput", "График \"Ток\"", "actGraphCurrentOutputShow"},
        {"sbGraphTestDistance", "График \"Расстояние без обработки\"", "actGraphTestDistance"},
        {"sbGraphTestDistanceFlt", "График \"Расстояние с обработкой\"", "actGraphTestDistanceFlt"},
    };
    QStringList expected;
    for (const auto &icon : icons) {
        auto *button = window->findChild<QToolButton *>(QLatin1String(icon.icon));
        ASSERT_NE(button, nullptr) << icon.icon;
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(icon.hint));
        button->click();
        expected << QLatin1String(icon.action);
    }
    EXPECT_EQ(executed, expected);
}

TEST_F(FormTals352ITest, FullAccessShowsCurrentOutputAndTestDistances)
{
    Open();
    EXPECT_FALSE(Shown("lblCurrentOutput"));
    EXPECT_FALSE(Shown("sbGraphCurrentOutput"));
    EXPECT_FALSE(Shown("gbTestDistances"));
    EXPECT_TRUE(Shown("lblDistance"));
    modes.FullAccessMode = true;
    window->Refresh();
    EXPECT_TRUE(Shown("lblCurrentOutput"));
    EXPECT_TRUE(Shown("sbGraphCurrentOutput"));
    EXPECT_TRUE(Shown("gbTestDistances"));
}

TEST_F(FormTals352ITest, RefreshShowsErrorRegisterListAndGroupColour)
{
    Open();
    EXPECT_EQ(Text("lblErrorRegister"), QStringLiteral("0x0000=[0000000000000000]"));
    EXPECT_EQ(GroupColor(), ButtonFace());

    model.SetError(-1, QStringLiteral("Нет ответа от устройства"));
    window->Refresh();
    EXPECT_EQ(Text("lblErrorRegister"), QStringLiteral("-1"));
    EXPECT_EQ(GroupColor(), QColor(0xFF, 0x00, 0x00));
    auto *list = window->findChild<QPlainTextEdit *>(QStringLiteral("memErrors"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->toPlainText(), QStringLiteral("Нет ответа от устройства"));

    model.SetError(9, QStringLiteral("1.Первая\r\n4.Четвёртая"));
    window->Refresh();
    EXPECT_EQ(Text("lblErrorRegister"), QStringLiteral("0x0009=[0000000000001001]"));
    EXPECT_EQ(GroupColor(), QColor(0xFF, 0xFF, 0x00));
    EXPECT_EQ(list->toPlainText(), QStringLiteral("1.Первая\n4.Четвёртая"));
}

TEST_F(FormTals352ITest, TestDistancesTheirDifferenceAndCurrentOutput)
{
    modes.FullAccessMode = true;
    model.TestDistance().SetValue(12345.67, 0);
    model.TestDistanceFlt().SetValue(12346.5, 0);
    model.CurrentOutput().SetValue(12.345, 0);
    Open();
    EXPECT_EQ(Text("lblTestDistance"), QStringLiteral("12 345,7"));
    EXPECT_EQ(Text("lblTestDistanceFlt"), QStringLiteral("12 346,5"));
    EXPECT_EQ(Text("lblTestDistanceDiff"), QStringLiteral("0,830"));
    EXPECT_EQ(Text("lblCurrentOutput"), model.CurrentOutput().FormatValue(false, false));
}

TEST_F(FormTals352ITest, GaugeRangeFollowsLmax)
{
    Open();
    TVHistogram *gauge = window->Gauge();
    EXPECT_EQ(gauge->Min(), 0);
    EXPECT_EQ(gauge->Max(), model.Lmax());
    EXPECT_EQ(gauge->DecimalSign(), 0);
    EXPECT_DOUBLE_EQ(gauge->DValueBig(), 0.1 * model.Lmax());
    EXPECT_DOUBLE_EQ(gauge->DValueSmall(), 0.05 * model.Lmax());
    model.SetLmax(20000);
    window->Refresh();
    EXPECT_EQ(gauge->Max(), 20000);
}

TEST_F(FormTals352ITest, BoundHoldersFollowTheModelAndTheGaugeKeepsOutOfRangeLevels)
{
    model.LevelBusy().SetValue(1500.0, 0);
    Open();
    EXPECT_EQ(Text("lblLevel"), QStringLiteral("1 500,0")) << "current value shown on opening";
    EXPECT_EQ(window->Gauge()->Value(), 1500.0);

    model.LevelBusy().SetValue(1234.5, 0);
    model.LevelFree().SetValue(8765.5, 0);
    model.Distance().SetValue(9000.0, 0);
    model.TmpOfSensor().SetValue(23.25, 0);
    EXPECT_EQ(Text("lblLevel"), QStringLiteral("1 234,5"));
    EXPECT_EQ(Text("stxLevel"), QStringLiteral("1 234,5"));
    EXPECT_EQ(Text("lblLevelFree"), QStringLiteral("8 765,5"));
    EXPECT_EQ(Text("lblDistance"), QStringLiteral("9 000,0"));
    EXPECT_EQ(Text("lblTmp"), QStringLiteral("23,3"));
    EXPECT_EQ(window->Gauge()->Value(), 1234.5);

    // Above Lmax: the texts follow, the bar stays.
    model.LevelBusy().SetValue(model.Lmax() + 100, 0);
    EXPECT_EQ(window->Gauge()->Value(), 1234.5);
    EXPECT_EQ(Text("lblLevel"), FloatToStrF(model.Lmax() + 100, ffNumber, 9, 1));

    // The level text carries the hint of title, hint and value; value labels none.
    auto *text = window->findChild<QLabel *>(QStringLiteral("stxLevel"));
    EXPECT_TRUE(text->toolTip().startsWith(QStringLiteral("Уровень\rУровень продукта\r")));
    EXPECT_TRUE(window->findChild<QLabel *>(QStringLiteral("lblLevel"))->toolTip().isEmpty());
}

TEST_F(FormTals352ITest, ReadingsThatAreNoNumbersShowNoDataAndTheGaugeKeepsItsBar)
{
    modes.FullAccessMode = true;
    model.LevelBusy().SetValue(1234.5, 0);
    Open();
    const double nan = std::nan("");
    model.LevelBusy().SetValue(nan, 0);
    model.Distance().SetValue(HUGE_VAL, 0);
    model.TestDistance().SetValue(nan, 0);
    model.CurrentOutput().SetValue(-HUGE_VAL, 0);
    window->Refresh();
    EXPECT_EQ(window->Gauge()->Value(), 1234.5);
    for (const char *name : {"lblLevel", "stxLevel", "lblDistance", "lblTestDistance",
                             "lblTestDistanceDiff", "lblCurrentOutput"}) {
        SCOPED_TRACE(name);
        // The model may refuse such a value; whatever it keeps, no raw NAN or INF.
        EXPECT_FALSE(Text(name).contains(QStringLiteral("NAN"), Qt::CaseInsensitive));
        EXPECT_FALSE(Text(name).contains(QStringLiteral("INF"), Qt::CaseInsensitive));
    }
    EXPECT_EQ(ReadingText(nan, 9, 1), QStringLiteral("нет данных"));
    EXPECT_EQ(ReadingText(-HUGE_VAL, 9, 1), QStringLiteral("нет данных"));
    EXPECT_EQ(ReadingText(1234.5, 9, 1), QStringLiteral("1 234,5"));
}

TEST_F(FormTals352ITest, WithoutAnOpenPortTheErrorListSaysSoInsteadOfNorm)
{
    TPortStatus port{QStringLiteral("/dev/ttyUSB0"), false, QStringLiteral("Нет такого файла"),
                     false};
    Open();
    window->SetPortStatusQuery([&port] { return port; });
    auto *errors = window->findChild<QPlainTextEdit *>(QStringLiteral("memErrors"));
    EXPECT_EQ(errors->toPlainText(), QStringLiteral("Порт не открыт\nНет такого файла"));
    EXPECT_EQ(GroupColor(), QColor(0xFF, 0x00, 0x00));

    port.Open = true;
    window->Refresh();
    EXPECT_EQ(errors->toPlainText(), QStringLiteral("Норма"));
    EXPECT_EQ(GroupColor(), ButtonFace());
}

TEST_F(FormTals352ITest, ClosingDetachesEveryBoundHolder)
{
    const size_t levelFollowers = model.LevelBusy().Followers().size();
    const size_t distanceFollowers = model.Distance().Followers().size();
    Open();
    EXPECT_EQ(model.LevelBusy().Followers().size(), levelFollowers + 3);
    EXPECT_EQ(model.Distance().Followers().size(), distanceFollowers + 1);

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window.isNull()) << "Esc closes and frees the window";
    EXPECT_EQ(model.LevelBusy().Followers().size(), levelFollowers);
    EXPECT_EQ(model.Distance().Followers().size(), distanceFollowers);
    model.LevelBusy().SetValue(777.0, 0); // must reach no destroyed holder

    Open();
    model.LevelBusy().SetValue(778.0, 0);
    EXPECT_EQ(Text("lblLevel"), QStringLiteral("778,0"));
    EXPECT_EQ(model.LevelBusy().Followers().size(), levelFollowers + 3);
}

TEST(BoundHolder, FillsTitleValueHintAndDimensionControls)
{
    TIODouble source;
    source.Description().Title = QStringLiteral("Расстояние");
    source.Description().Hint = QStringLiteral("Расстояние до продукта");
    source.Description().Dimension = QStringLiteral("мм");
    source.Description().SetMax(45000);
    source.Description().Digits = 2;

    QLabel title, value, dimension;
    TIODoubleLabel bound;
    bound.TitleControl = &title;
    bound.ValueControl = &value;
    bound.DimensionControl = &dimension;
    bound.Assign(source);
    bound.SetSource(&source, false);
    EXPECT_TRUE(value.text().isEmpty()) << "nothing drawn before the output changes";

    source.SetValue(TVariant(12345.678), 0);
    EXPECT_EQ(title.text(), QStringLiteral("Расстояние"));
    EXPECT_EQ(dimension.text(), QStringLiteral("мм"));
    const QString text = FloatToStrF(12345.678, ffNumber, 9, 2);
    EXPECT_EQ(value.text(), text);
    EXPECT_EQ(value.toolTip(), QStringLiteral("Расстояние\rРасстояние до продукта\r") + text +
                                   QStringLiteral(" мм"));

    // The same output again redraws nothing; a destroyed control is skipped.
    value.setText(QStringLiteral("x"));
    source.SetValue(TVariant(12345.678), 0);
    EXPECT_EQ(value.text(), QStringLiteral("x"));
    {
        QLabel shortLived;
        bound.ValueControl = &shortLived;
    }
    source.SetValue(TVariant(1.0), 0);
    bound.SetSource(nullptr, false);
}

TEST(BoundHolder, GaugeHolderMovesTheBarOnlyInsideTheRange)
{
    TIODouble source;
    TVHistogram gauge;
    gauge.SetRange(0, 1000);
    TIODoubleVHistogram bound;
    bound.ValueControl = &gauge;
    bound.SetSource(&source, false);
    source.SetValue(TVariant(250.0), 0);
    EXPECT_EQ(gauge.Value(), 250.0);
    source.SetValue(TVariant(1500.0), 0);
    EXPECT_EQ(gauge.Value(), 250.0);
    EXPECT_FALSE(gauge.toolTip().isEmpty());
    bound.SetSource(nullptr, false);
}

TEST_F(FormTals352ITest, PictureOfTheWindowWithReadings)
{
    modes.FullAccessMode = true;
    model.LevelBusy().SetValue(TVariant(12345.6), 0);
    model.LevelFree().SetValue(TVariant(17654.4), 0);
    model.Distance().SetValue(TVariant(17854.4), 0);
    model.TmpOfSensor().SetValue(TVariant(24.5), 0);
    model.TestDistance().SetValue(TVariant(17850.1), 0);
    model.TestDistanceFlt().SetValue(TVariant(17854.4), 0);
    model.SetError(9, QStringLiteral("1.Неисправен датчик температуры внутри блока обработки\r\n"
                                     "4.Ошибка при сохранении данных в ПЗУ, сбой или отказ ПЗУ"));
    Open();
    const QString path = QStringLiteral(TALS_BINARY_DIR "/screenshots/test_FormTals352I.png");
    ASSERT_TRUE(SaveWindowPicture(window, path));
    EXPECT_FALSE(QImage(path).isNull());
}

TEST_F(FormTals352ITest, KeepsItsPositionAndRefreshesWithTheOpenWindows)
{
    TWindowRegistry registry;
    registry.SetFactory(QStringLiteral("FormTals352I"), [this] {
        window = new TFormTals352I(model, modes, {});
        return window.data();
    });
    registry.Open(QStringLiteral("FormTals352I"));
    ASSERT_FALSE(window.isNull());
    window->setGeometry(60, 70, 420, 440);
    model.SetError(-4, QStringLiteral("x"));
    registry.RefreshAll();
    EXPECT_EQ(Text("lblErrorRegister"), QStringLiteral("-4"));

    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window.isNull());
    EXPECT_FALSE(registry.IsOpen(QStringLiteral("FormTals352I")));
    EXPECT_TRUE(
        test::readAll(scratch.file(QStringLiteral("INI/WndPos.ini"))).contains("[FormTals352I]"));

    registry.Open(QStringLiteral("FormTals352I"));
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->size(), QSize(420, 440));
}
