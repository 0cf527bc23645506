#include "ui/dialogs/form_select_cmd.h"

#include "device/program_modes.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using tals::TFormSelectCMD;

namespace {

class SelectCmdTest : public ::testing::Test
{
protected:
    void TearDown() override { delete window.data(); }

    TFormSelectCMD *Show() { return TFormSelectCMD::ShowCommandSelection(window, poll, modes); }

    tals::TPollSelectionSet poll;
    tals::TProgramModes modes;
    QPointer<TFormSelectCMD> window;
};

} // namespace

TEST_F(SelectCmdTest, OpensWithTheReadingsBlockInThePollSet)
{
    TFormSelectCMD *w = Show();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Команды ТАЛС35xИ"));
    EXPECT_EQ(w->objectName(), QStringLiteral("FormSelectCMD"));
    // The design size, wider only where a caption needs it.
    EXPECT_EQ(w->height(), 105);
    EXPECT_GE(w->width(), 250);
    for (QCheckBox *box :
         {w->chbReadValues, w->chbReadTestDistances, w->chbCurrentOutput, w->chbSelectAll}) {
        EXPECT_GE(box->width(), box->sizeHint().width()) << box->text().toStdString();
        EXPECT_LE(box->geometry().right(), w->width() - 1) << box->text().toStdString();
    }
    EXPECT_EQ(w->chbReadValues->text(), QStringLiteral("Общие пользовательские регистры"));
    EXPECT_EQ(w->chbSelectAll->toolTip(), QStringLiteral("Выделить все команды"));
    EXPECT_TRUE(w->chbReadValues->isChecked());
    EXPECT_EQ(poll.Codes, (std::set<int>{4}));
    EXPECT_FALSE(poll.CurrentMeterPolled);
    EXPECT_EQ(Show(), w) << "a second showing brings the same window forward";
}

TEST_F(SelectCmdTest, ClicksSwitchTheCommandsAndTheCurrentMeter)
{
    modes.FullAccessMode = true;
    TFormSelectCMD *w = Show();
    w->chbReadTestDistances->click();
    EXPECT_EQ(poll.Codes, (std::set<int>{4, 25}));
    w->chbReadValues->click();
    EXPECT_EQ(poll.Codes, (std::set<int>{25}));
    w->chbCurrentOutput->click();
    EXPECT_TRUE(poll.CurrentMeterPolled);
    w->chbCurrentOutput->click();
    EXPECT_FALSE(poll.CurrentMeterPolled);
}

TEST_F(SelectCmdTest, ServiceBoxesOnlyInFullAccessMode)
{
    TFormSelectCMD *w = Show();
    EXPECT_FALSE(w->chbReadTestDistances->isVisible());
    EXPECT_FALSE(w->chbCurrentOutput->isVisible());
    EXPECT_FALSE(w->imgCurrentOutput->isVisible());
    EXPECT_TRUE(w->imgReadValues->isVisible());
    modes.FullAccessMode = true;
    w->Refresh();
    EXPECT_TRUE(w->chbReadTestDistances->isVisible());
    EXPECT_TRUE(w->imgReadTestDistances->isVisible());
    EXPECT_TRUE(w->chbCurrentOutput->isVisible());
    modes.FullAccessMode = false;
    w->Refresh();
    EXPECT_FALSE(w->chbReadTestDistances->isVisible());
}

TEST_F(SelectCmdTest, SelectAllFollowsTheMode)
{
    TFormSelectCMD *w = Show();
    w->chbSelectAll->click();
    EXPECT_EQ(poll.Codes, (std::set<int>{4, 25}));
    EXPECT_FALSE(poll.CurrentMeterPolled) << "the current meter only in full-access mode";
    w->chbSelectAll->click();
    EXPECT_TRUE(poll.Codes.empty());

    modes.FullAccessMode = true;
    w->chbSelectAll->click();
    EXPECT_EQ(poll.Codes, (std::set<int>{4, 25}));
    EXPECT_TRUE(poll.CurrentMeterPolled);
}

TEST_F(SelectCmdTest, ReopeningChecksTheReadingsAgainOnly)
{
    modes.FullAccessMode = true;
    TFormSelectCMD *w = Show();
    QSignalSpy closing(w, &TFormSelectCMD::Closing);
    w->chbReadValues->click();
    w->chbReadTestDistances->click();
    w->chbCurrentOutput->click();
    EXPECT_EQ(poll.Codes, (std::set<int>{25}));

    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(closing.count(), 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "a closed window is destroyed and forgotten";
    EXPECT_EQ(poll.Codes, (std::set<int>{25})) << "closing keeps the poll set";
    EXPECT_TRUE(poll.CurrentMeterPolled);

    w = Show();
    EXPECT_TRUE(w->chbReadValues->isChecked());
    EXPECT_FALSE(w->chbReadTestDistances->isChecked());
    EXPECT_FALSE(w->chbCurrentOutput->isChecked());
    EXPECT_EQ(poll.Codes, (std::set<int>{4, 25}));
    EXPECT_TRUE(poll.CurrentMeterPolled);
}

TEST_F(SelectCmdTest, SettingTheCurrentOutputBoxPollsTheMeter)
{
    modes.FullAccessMode = true;
    modes.ZelvinMode = true;
    TFormSelectCMD *w = Show();
    // The main window's start-up step with "/full" and "/zelvin".
    w->chbCurrentOutput->setChecked(modes.FullAccessMode && modes.ZelvinMode);
    EXPECT_TRUE(poll.CurrentMeterPolled);
}
