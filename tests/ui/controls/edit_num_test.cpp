#include "ui/controls/edit_num.h"

#include "platform/format_settings.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using tals::TEditNum;

namespace {

// A point as decimal separator whatever the system locale says.
class EditNumTest : public ::testing::Test
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

    static bool IsRed(const TEditNum &e) { return e.palette().color(QPalette::Text) == Qt::red; }

    tals::TFormatSettings m_saved;
};

} // namespace

TEST_F(EditNumTest, StartsAsZeroWithTheDesignLimits)
{
    TEditNum e;
    EXPECT_EQ(e.text(), QStringLiteral("0"));
    EXPECT_EQ(e.Value(), 0.0);
    EXPECT_EQ(e.Minimum(), 0.0);
    EXPECT_EQ(e.Maximum(), 100.0);
    EXPECT_TRUE(e.CheckRange());
    EXPECT_EQ(e.Format(), tals::ffGeneral);
    EXPECT_EQ(e.Precision(), 15);
    EXPECT_EQ(e.Digits(), 4);
    EXPECT_FALSE(IsRed(e));
    EXPECT_FALSE(e.font().bold());
}

TEST_F(EditNumTest, WritingValueBringsItIntoRangeAndRaisesFinishEdit)
{
    struct Case
    {
        double written;
        bool check;
        const char *shown;
    };
    const Case cases[] = {
        {150, true, "100"},  {-5, true, "0"},   {42.5, true, "42.5"},
        {150, false, "150"}, {-5, false, "-5"}, {0.1, true, "0.1"},
    };
    for (const Case &c : cases) {
        TEditNum e;
        e.SetCheckRange(c.check);
        QSignalSpy finished(&e, &TEditNum::FinishEdit);
        e.SetValue(c.written);
        EXPECT_EQ(e.text(), QLatin1String(c.shown)) << c.written;
        EXPECT_EQ(finished.count(), 1);
        EXPECT_FALSE(IsRed(e)) << c.written;
    }
}

TEST_F(EditNumTest, SetRangeIgnoresInvertedLimits)
{
    TEditNum e;
    e.SetRange(10, 5);
    EXPECT_EQ(e.Minimum(), 0.0);
    EXPECT_EQ(e.Maximum(), 100.0);
    e.SetRange(-1, 1);
    EXPECT_EQ(e.Minimum(), -1.0);
    EXPECT_EQ(e.Maximum(), 1.0);
}

TEST_F(EditNumTest, TypingKeepsOnlyWhatANumberNeeds)
{
    struct Case
    {
        const char *typed;
        const char *result;
    };
    const Case cases[] = {
        {"12a3", "123"}, {"1.2.3", "1.23"}, {"12-3", "123"}, {"-5", "-5"},
        {"--5", "-5"},   {"1,5", "15"},     {"1e5", "15"},   {" 7+", "7"},
    };
    for (const Case &c : cases) {
        TEditNum e;
        e.SetRange(-1000000, 1000000);
        e.clear();
        QTest::keyClicks(&e, QLatin1String(c.typed));
        EXPECT_EQ(e.text(), QLatin1String(c.result)) << c.typed;
    }
}

TEST_F(EditNumTest, MinusOnlyAtTheFirstPosition)
{
    TEditNum e;
    e.setText(QStringLiteral("25"));
    e.setCursorPosition(1);
    QTest::keyClick(&e, Qt::Key_Minus);
    EXPECT_EQ(e.text(), QStringLiteral("25"));
    e.setCursorPosition(0);
    QTest::keyClick(&e, Qt::Key_Minus);
    EXPECT_EQ(e.text(), QStringLiteral("-25"));
}

TEST_F(EditNumTest, BackspaceAndNavigationStillWork)
{
    TEditNum e;
    e.setText(QStringLiteral("123"));
    e.end(false);
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(e.text(), QStringLiteral("12"));
    QTest::keyClick(&e, Qt::Key_Home);
    QTest::keyClick(&e, Qt::Key_Delete);
    EXPECT_EQ(e.text(), QStringLiteral("2"));
}

TEST_F(EditNumTest, RedOutsideTheLimitsBoldWhileTyped)
{
    TEditNum e;
    e.SetRange(0, 100);
    e.clear();
    QTest::keyClicks(&e, QStringLiteral("150"));
    EXPECT_TRUE(IsRed(e));
    EXPECT_TRUE(e.font().bold());
    EXPECT_EQ(e.Value(), 150.0);

    QSignalSpy finished(&e, &TEditNum::FinishEdit);
    QTest::keyClick(&e, Qt::Key_Return);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(e.text(), QStringLiteral("100"));
    EXPECT_FALSE(IsRed(e));
    EXPECT_FALSE(e.font().bold());

    // Without range checking nothing is red.
    e.SetCheckRange(false);
    e.setText(QStringLiteral("-3"));
    EXPECT_FALSE(IsRed(e));
}

TEST_F(EditNumTest, TextThatIsNoNumberReadsAsZero)
{
    TEditNum e;
    e.SetRange(5, 10);
    for (const char *text : {"", "-", ".", "abc"}) {
        e.setText(QLatin1String(text));
        EXPECT_EQ(e.Value(), 0.0) << text;
        EXPECT_TRUE(IsRed(e)) << text; // 0 lies below 5
    }
}

TEST_F(EditNumTest, FormatChangesRedisplayTheValue)
{
    TEditNum e;
    e.SetValue(1.23456);
    e.SetFormat(tals::ffFixed);
    EXPECT_EQ(e.text(), QStringLiteral("1.2346"));
    e.SetDigits(2);
    EXPECT_EQ(e.text(), QStringLiteral("1.23"));
    e.SetFormat(tals::ffGeneral);
    EXPECT_EQ(e.text(), QStringLiteral("1.23"));
}

TEST_F(EditNumTest, LeavingTheEditConfirmsIt)
{
    QWidget window;
    auto *e = new TEditNum(&window);
    auto *other = new QLineEdit(&window);
    other->move(0, 40);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    e->setFocus();
    e->clear();
    QTest::keyClicks(e, QStringLiteral("250"));
    QSignalSpy finished(e, &TEditNum::FinishEdit);
    other->setFocus();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(e->text(), QStringLiteral("100"));
}

TEST_F(EditNumTest, PasteTakesOnlyANumber)
{
    TEditNum e;
    e.SetRange(0, 1000);
    e.clear();
    QApplication::clipboard()->setText(QStringLiteral("abc"));
    QTest::keySequence(&e, QKeySequence::Paste);
    EXPECT_EQ(e.text(), QString());
    QApplication::clipboard()->setText(QStringLiteral("12.5"));
    QTest::keySequence(&e, QKeySequence::Paste);
    EXPECT_EQ(e.text(), QStringLiteral("12.5"));
}

TEST_F(EditNumTest, TheLocalesDecimalSeparatorIsTheOneTyped)
{
    tals::TFormatSettings s = tals::FormatSettings();
    s.DecimalSeparator = QLatin1Char(',');
    tals::SetFormatSettings(s);
    TEditNum e;
    e.clear();
    QTest::keyClicks(&e, QStringLiteral("1.2,5,6"));
    EXPECT_EQ(e.text(), QStringLiteral("12,56"));
    EXPECT_EQ(e.Value(), 12.56);
    e.SetValue(0.5);
    EXPECT_EQ(e.text(), QStringLiteral("0,5"));
}
