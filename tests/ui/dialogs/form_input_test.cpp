#include "device/tals352.h"
#include "ui/controls/edit_num.h"
#include "ui/dialogs/form_input_bad_zone.h"
#include "ui/dialogs/form_input_double.h"
#include "ui/dialogs/form_input_integer.h"

#include "platform/format_settings.h"
#include "tests/ui/modal_test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using tals::TEditNum;
using tals::test::Child;
using tals::test::WhenModal;

namespace {

class FormInputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = tals::FormatSettings();
        tals::TFormatSettings s = m_saved;
        s.DecimalSeparator = QLatin1Char('.');
        s.ThousandSeparator = QChar();
        tals::SetFormatSettings(s);
    }
    void TearDown() override { tals::SetFormatSettings(m_saved); }

    tals::TFormatSettings m_saved;
};

void Click(QWidget *window, const char *button)
{
    QPushButton *b = Child<QPushButton>(window, button);
    ASSERT_NE(b, nullptr) << button;
    b->click();
}

// Sets the spin edit's text, then presses the given button.
void EnterInteger(const QString &text, const char *button)
{
    WhenModal([text, button](QWidget *w) {
        auto *spin = Child<QSpinBox>(w, "speValue");
        ASSERT_NE(spin, nullptr);
        spin->findChild<QLineEdit *>()->setText(text);
        Click(w, button);
    });
}

} // namespace

TEST_F(FormInputTest, IntegerDialogShowsCaptionPromptAndValue)
{
    QString title, prompt;
    int shown = 0;
    bool focused = false;
    WhenModal([&](QWidget *w) {
        title = w->windowTitle();
        prompt = Child<QLabel>(w, "lblCaption")->text();
        shown = Child<QSpinBox>(w, "speValue")->value();
        focused = w->focusWidget() == Child<QSpinBox>(w, "speValue") ||
                  Child<QSpinBox>(w, "speValue")->isAncestorOf(w->focusWidget());
        Click(w, "btnOK");
    });
    const int result =
        tals::InputInteger(QStringLiteral("Введите"),
                           QStringLiteral("Период опроса, мс [100, 60000]"), 500, 100, 60000);
    EXPECT_EQ(title, QStringLiteral("Введите"));
    EXPECT_EQ(prompt, QStringLiteral("Период опроса, мс [100, 60000]"));
    EXPECT_EQ(shown, 500);
    EXPECT_TRUE(focused);
    EXPECT_EQ(result, 500);
}

TEST_F(FormInputTest, IntegerResultIsBroughtIntoTheLimits)
{
    struct Case
    {
        const char *text;
        int expected;
    };
    const Case cases[] = {{"50", 100}, {"abc", 100}, {"", 100}, {"70000", 60000}, {"1234", 1234}};
    for (const Case &c : cases) {
        EnterInteger(QLatin1String(c.text), "btnOK");
        int value = 500;
        EXPECT_TRUE(tals::TryInputInteger(QStringLiteral("Введите"), QStringLiteral("Период"),
                                          value, 100, 60000))
            << c.text;
        EXPECT_EQ(value, c.expected) << c.text;
    }
}

TEST_F(FormInputTest, IntegerCancelKeepsTheGivenValue)
{
    EnterInteger(QStringLiteral("777"), "btnCancel");
    int value = 500;
    EXPECT_FALSE(tals::TryInputInteger(QStringLiteral("Введите"), QStringLiteral("Период"), value,
                                       100, 60000));
    EXPECT_EQ(value, 500);
    EnterInteger(QStringLiteral("777"), "btnCancel");
    EXPECT_EQ(tals::InputInteger(QStringLiteral("Введите"), QStringLiteral("П"), 5, 0, 10), 5);
}

TEST_F(FormInputTest, IntegerEnterConfirmsEscapeCancels)
{
    WhenModal([](QWidget *w) {
        auto *spin = Child<QSpinBox>(w, "speValue");
        spin->findChild<QLineEdit *>()->setText(QStringLiteral("70"));
        QTest::keyClick(spin, Qt::Key_Return);
    });
    EXPECT_EQ(tals::InputInteger(QStringLiteral("Введите"), QStringLiteral("Количество"), 3, 0, 5),
              5);
    WhenModal([](QWidget *w) { QTest::keyClick(Child<QSpinBox>(w, "speValue"), Qt::Key_Escape); });
    int value = 3;
    EXPECT_FALSE(tals::TryInputInteger(QStringLiteral("Введите"), QStringLiteral("Количество"),
                                       value, 0, 5));
    EXPECT_EQ(value, 3);
}

TEST_F(FormInputTest, IntegerInitialValueIsBroughtIntoTheLimits)
{
    tals::TFormInputInteger dialog;
    dialog.Setup(QStringLiteral("Введите"), QStringLiteral("Точность"), 9, 0, 3);
    EXPECT_EQ(dialog.speValue->value(), 3);
}

TEST_F(FormInputTest, WidthFollowsThePrompt)
{
    for (const QString &prompt :
         {QStringLiteral("П"), QStringLiteral("Относительная диэлектрическая проницаемость "
                                              "материала [1 ... 100]")}) {
        tals::TFormInputDouble dialog;
        dialog.Setup(QStringLiteral("Введите"), prompt, 1, 2, 1, 100);
        const int promptWidth = dialog.lblCaption->width();
        const int a = promptWidth + dialog.enValue->width() + 15;
        const int b = dialog.btnOK->width() + dialog.btnCancel->width() + 15;
        EXPECT_EQ(dialog.width(), std::max(a, b) + 8) << prompt.toStdString();
        EXPECT_EQ(dialog.lblCaption->x(), 5);
        if (b < a)
            EXPECT_EQ(dialog.enValue->x(), dialog.lblCaption->geometry().right() + 1 + 10);
        else
            EXPECT_EQ(dialog.enValue->geometry().right() + 1, dialog.width() - 5);
        EXPECT_GE(dialog.lblCaption->width(),
                  dialog.lblCaption->fontMetrics().horizontalAdvance(prompt));
    }
}

TEST_F(FormInputTest, DoubleShowsTheValueWithTheGivenDecimals)
{
    struct Case
    {
        double value;
        int decimals;
        const char *shown;
    };
    const Case cases[] = {{1.5, 0, "2"}, {0.25, 3, "0.250"}, {-0.00015, 8, "-0.00015000"}};
    for (const Case &c : cases) {
        tals::TFormInputDouble dialog;
        dialog.Setup(QStringLiteral("Введите"), QStringLiteral("Значение"), c.decimals, c.value,
                     -40000, 40000);
        EXPECT_EQ(dialog.enValue->text(), QLatin1String(c.shown)) << c.value;
        EXPECT_EQ(dialog.enValue->Format(), tals::ffGeneral);
    }
}

TEST_F(FormInputTest, DoubleOkWithoutTypingReturnsTheShownNumber)
{
    QString prompt;
    WhenModal([&](QWidget *w) {
        prompt = Child<QLabel>(w, "lblCaption")->text();
        Click(w, "btnOK");
    });
    EXPECT_EQ(tals::InputDouble(QStringLiteral("Введите"), QStringLiteral("Смещение нуля"), 0, 1.5,
                                0, 40000),
              2.0);
    EXPECT_EQ(prompt, QStringLiteral("Смещение нуля"));

    WhenModal([](QWidget *w) { Click(w, "btnCancel"); });
    EXPECT_EQ(tals::InputDouble(QStringLiteral("Введите"), QStringLiteral("Смещение нуля"), 0, 1.5,
                                0, 40000),
              1.5);
}

TEST_F(FormInputTest, DoubleRefusesTextThatIsNoNumber)
{
    bool stayedOpen = false;
    bool red = false;
    WhenModal([&](QWidget *w) {
        auto *edit = Child<TEditNum>(w, "enValue");
        edit->setText(QStringLiteral("-"));
        Click(w, "btnOK");
        stayedOpen = w->isVisible();
        red = edit->palette().color(QPalette::Base) == Qt::red;
        edit->setText(QStringLiteral("3.5"));
        Click(w, "btnOK");
    });
    double value = 1;
    EXPECT_TRUE(tals::TryInputDouble(QStringLiteral("Введите"), QStringLiteral("Крутизну ФЧХ"), 8,
                                     value, -2, 2));
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(red);
    // The typed 3.5 lies above the limit 2 stated in the prompt.
    EXPECT_EQ(value, 2.0);
}

TEST_F(FormInputTest, DoubleTypedAndConfirmedWithEnter)
{
    WhenModal([](QWidget *w) {
        auto *edit = Child<TEditNum>(w, "enValue");
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("12.75"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    double value = 1;
    EXPECT_TRUE(tals::TryInputDouble(QStringLiteral("Введите"), QStringLiteral("Смещение ФЧХ"), 3,
                                     value, -1000, 1000));
    EXPECT_EQ(value, 12.75);
}

TEST_F(FormInputTest, DoubleWithInvertedLimitsKeepsTheDesignLimits)
{
    tals::TFormInputDouble dialog;
    dialog.Setup(QStringLiteral("Введите"), QStringLiteral("Значение"), 1, 5, 10, 1);
    EXPECT_EQ(dialog.enValue->Minimum(), 0.0);
    EXPECT_EQ(dialog.enValue->Maximum(), 100.0);
}

TEST_F(FormInputTest, BadZoneDialogLoadsAndStoresTheFourValues)
{
    tals::TBadZoneValues zone{QStringLiteral("2.Плохая зона"), 1000, 2000, 100, 100};
    QString hint, title;
    QStringList shown;
    WhenModal([&](QWidget *w) {
        title = w->windowTitle();
        hint = Child<QLabel>(w, "lblHint")->text();
        for (const char *name : {"enValue1", "enValue2", "enSpeedInc", "enSpeedDec"})
            shown << Child<TEditNum>(w, name)->text();
        Child<TEditNum>(w, "enValue1")->setText(QStringLiteral("1500"));
        Child<TEditNum>(w, "enValue2")->setText(QStringLiteral("40000"));
        Child<TEditNum>(w, "enSpeedDec")->setText(QStringLiteral("12.5"));
        Click(w, "btnOK");
    });
    EXPECT_TRUE(tals::InputBadZone(zone));
    EXPECT_EQ(title, QStringLiteral("Введите параметры плохой зоны"));
    EXPECT_EQ(hint, QStringLiteral("2.Плохая зона"));
    // Speeds above 99.9999 are shown brought into range.
    EXPECT_EQ(shown, (QStringList{"1000", "2000", "99.9999", "99.9999"}));
    EXPECT_EQ(zone.NearBound, 1500.0);
    EXPECT_EQ(zone.FarBound, 30000.0);
    EXPECT_EQ(zone.FillSpeed, 99.9999);
    EXPECT_EQ(zone.DrainSpeed, 12.5);
    EXPECT_EQ(zone.Hint, QStringLiteral("2.Плохая зона"));
}

TEST_F(FormInputTest, BadZoneCancelLeavesTheZone)
{
    tals::TBadZoneValues zone{QStringLiteral("1.Плохая зона"), 10, 20, 30, 40};
    WhenModal([](QWidget *w) {
        Child<TEditNum>(w, "enValue1")->setText(QStringLiteral("1500"));
        Click(w, "btnCancel");
    });
    EXPECT_FALSE(tals::InputBadZone(zone));
    EXPECT_EQ(zone.NearBound, 10.0);
    EXPECT_EQ(zone.FarBound, 20.0);
    EXPECT_EQ(zone.FillSpeed, 30.0);
    EXPECT_EQ(zone.DrainSpeed, 40.0);
}

TEST_F(FormInputTest, BadZoneOfTheDeviceModelGetsItsFourHolders)
{
    tals::TBadZone zone(3);
    zone.SetTypical(); // 0, 0, 100, 100
    QString hint;
    WhenModal([&](QWidget *w) {
        hint = Child<QLabel>(w, "lblHint")->text();
        Child<TEditNum>(w, "enValue2")->setText(QStringLiteral("2500"));
        Click(w, "btnOK");
    });
    EXPECT_TRUE(tals::InputBadZone(zone));
    EXPECT_EQ(hint, QStringLiteral("3.Плохая зона"));
    EXPECT_EQ(zone.NearBound.Output().ToDouble(), 0.0);
    EXPECT_EQ(zone.FarBound.Output().ToDouble(), 2500.0);
    EXPECT_EQ(zone.FillSpeed.Output().ToDouble(), 99.9999);
    EXPECT_EQ(zone.DrainSpeed.Output().ToDouble(), 99.9999);

    WhenModal([](QWidget *w) {
        Child<TEditNum>(w, "enValue1")->setText(QStringLiteral("7"));
        Click(w, "btnCancel");
    });
    EXPECT_FALSE(tals::InputBadZone(zone));
    EXPECT_EQ(zone.NearBound.Output().ToDouble(), 0.0);
}
