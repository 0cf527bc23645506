// The acceptance procedures against the simulated transducer and its current
// meter on a pseudo-terminal: the program is started as with "--simulate",
// the windows are opened through the main window's actions and driven as a
// technician would; each leaves its picture under build/screenshots/.

#include "device/progon.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/request_thread.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "sim/sim_transducer.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/procedures/simulated_program.h"
#include "tests/ui/prompt_recording_input.h"
#include "tests/ui/report_output.h"
#include "ui/application/application.h"
#include "ui/application/window_grab.h"
#include "ui/controls/test_chart.h"
#include "ui/procedures/acceptance/acceptance_reports.h"
#include "ui/procedures/acceptance/acceptance_windows.h"
#include "ui/procedures/acceptance/form_test_distances.h"
#include "ui/procedures/acceptance/form_test_tube.h"
#include "ui/procedures/run/form_progon.h"
#include "ui/reports/rep_progon.h"
#include "ui/reports/reports.h"
#include "ui/windows/form_main.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTableWidget>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace tals {
namespace {

const QString kScreenshots = QStringLiteral(TALS_BINARY_DIR "/screenshots");

class AcceptanceRunTest : public test::SimulatedProgram
{
protected:
    void Start() { SimulatedProgram::Start({QStringLiteral("/full"), QStringLiteral("/zelvin")}); }
    void RegisterWindows(TApplication &program) override { RegisterAcceptanceWindows(program); }
    void SavePicture(QWidget *w)
    {
        const QString path = kScreenshots + QLatin1Char('/') + w->objectName() + ".png";
        ASSERT_TRUE(SaveWindowPicture(w, path));
        EXPECT_FALSE(QImage(path).isNull());
    }
};

TEST_F(AcceptanceRunTest, AWholeRunWithTheCurrentMeterFillsAllFiveRows)
{
    Start();
    // The technician reads the device first: its identity goes into the report.
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllRead")));
    ASSERT_EQ(Model().PlantNumber(), 1234);
    sim->SetHoldingRegister(1011, 0); // the device starts in 0-5 mA
    Model().SetCurrentOutput_Range(0);
    auto *progon = Open<TFormProgon>("actFormProgonShow", "FormProgon");
    ASSERT_NE(progon, nullptr);

    dialogs.answers = {TDialogButton::Yes, TDialogButton::Yes}; // 4-20 mA, the template
    progon->findChild<QAction *>(QStringLiteral("actProgonStart"))->trigger();
    ASSERT_EQ(dialogs.questions.size(), 2) << dialogs.questions.join('|').toStdString();
    EXPECT_EQ(dialogs.questions[1], QStringLiteral("Создать шаблон прогона?"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_FLOAT_EQ(sim->HoldingSingle(1000), 15000.f); // Hmax
    EXPECT_FLOAT_EQ(sim->HoldingSingle(1002), 15000.f); // Lmax
    EXPECT_EQ(sim->HoldingRegister(1010), 1);
    EXPECT_EQ(sim->HoldingRegister(1011), 2);

    app->Link().PollTimer().SetInterval(100);
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosStart")));
    std::vector<double> meter;
    for (int r = 1; r <= 5; ++r) {
        const TProgonRow &row = Model().ProgonTable[std::size_t(r - 1)];
        sim->SetDistance(row.Ruletka); // the level then stands at the set level
        const double reading = sim->MeterCurrent();
        meter.push_back(reading);
        ASSERT_TRUE(WaitFor([&] {
            return Model().LevelBusy().Output().ToDouble() == row.SetLevel &&
                   std::fabs(Model().CurrentOutput().Output().ToDouble() - reading) < 1e-6;
        })) << "row "
            << r;
        progon->Refresh();
        EXPECT_EQ(progon->CurrentRow(), r);
        EXPECT_EQ(progon->CellBackground(r, 1), QColor(0x00, 0xFF, 0x00));
        if (r == 5)
            dialogs.answers = {TDialogButton::Yes}; // stop the run
        progon->CaptureButton()->click();
    }
    EXPECT_EQ(dialogs.questions.last(), QStringLiteral("Остановить прогон?"));
    EXPECT_TRUE(WaitFor([&] { return sim->HoldingSingle(1000) == 30000.f; }));
    EXPECT_FLOAT_EQ(sim->HoldingSingle(1002), 30000.f);
    EXPECT_TRUE(window->IsPolling()) << "polling runs again after the stop";
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosStop")));

    // The meter reads 0.3 % low plus 0.015 mA: the three highest currents
    // differ by more than 0.026 mA, the two lowest do not.
    const bool marked[5] = {true, true, true, false, false};
    for (int r = 1; r <= 5; ++r) {
        const TProgonRow &row = Model().ProgonTable[std::size_t(r - 1)];
        SCOPED_TRACE(r);
        EXPECT_DOUBLE_EQ(row.Value, row.SetLevel);
        EXPECT_DOUBLE_EQ(row.DValue, 0);
        EXPECT_NEAR(row.CurrentValue, meter[std::size_t(r - 1)], 1e-9);
        EXPECT_NE(row.CurrentValue, 0);
        EXPECT_NEAR(row.DCurrentValue, row.Current - row.CurrentValue, 1e-12);
        EXPECT_EQ(IsProgonCurrentMarked(row.DCurrentValue), marked[r - 1]);
        EXPECT_EQ(progon->CellBackground(r, 6) == QColor(0xFF, 0x00, 0x00), marked[r - 1]);
    }
    progon->Update();
    // Somewhere in between, so the bold current row and its colour show.
    progon->resize(900, 620);
    SavePicture(progon);

    // The report of this run: the captured currents and their differences.
    TRepProgon &report = app->Reports().Progon();
    FillProgonReport(report, *progon);
    const QString text = test::SaveFilledReport(report, QStringLiteral("TRepProgon"));
    EXPECT_TRUE(text.contains(QStringLiteral("1234"))) << text.toStdString();
    for (const TProgonRow &row : Model().ProgonTable) {
        EXPECT_TRUE(text.contains(QString::number(row.CurrentValue, 'f', 2)))
            << row.CurrentValue << "\n"
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::number(row.DCurrentValue, 'f', 3))) << row.DCurrentValue;
    }
    // Three rows beyond the 0.026 mA mark: the run fails.
    EXPECT_EQ(report.qrlRunVerdict.Text(), QStringLiteral("Не годен"));
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(report.qrlVerdict[std::size_t(k)]->Text(),
                  marked[k] ? QStringLiteral("Не годен") : QStringLiteral("Годен"));
}

TEST_F(AcceptanceRunTest, TheMeterReadsALoopCurrentThatFollowsTheSpanLmax)
{
    Start();
    // Hmax and Lmax apart, so a current scaled by Hmax would show.
    sim->SetHoldingSingle(1000, 20000.f); // Hmax
    sim->SetHoldingSingle(1002, 12000.f); // Lmax
    sim->SetHoldingRegister(1010, 1);     // source: the level
    sim->SetHoldingRegister(1011, 2);     // 4-20 mA
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllRead")));
    ASSERT_DOUBLE_EQ(Model().Lmax(), 12000);

    app->Link().PollTimer().SetInterval(100);
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosStart")));
    // The meter's own error is 0.3 % and 0.015 mA: well inside 0.1 mA.
    const struct
    {
        double distance, current;
    } cases[] = {
        {16000, 4 + 16 * 4000.0 / 12000}, {14000, 12.0}, {10000, 4 + 16 * 10000.0 / 12000}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.distance);
        sim->SetDistance(c.distance);
        EXPECT_TRUE(WaitFor([&] {
            return Model().LevelBusy().Output().ToDouble() == 20000 - c.distance &&
                   std::fabs(Model().CurrentOutput().Output().ToDouble() - c.current) < 0.1;
        })) << Model().CurrentOutput().Output().ToDouble();
        EXPECT_NEAR(Model().ExpectedCurrent(20000 - c.distance), c.current, 1e-9);
    }
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosStop")));
}

TEST_F(AcceptanceRunTest, MeasurementErrorTestRecordsTheSimulatedTestDistances)
{
    Start();
    auto *form = Open<TFormTestDistances>("actTestDistances", "FormTestDistances");
    ASSERT_NE(form, nullptr);
    dialogs.texts = {QStringLiteral("1000")};
    form->ChangeOffset();
    for (int i = 0; i <= 15; ++i) {
        const double ideal = 1000 + 1000.0 * i;
        // A small distance-dependent error of the simulated transducer.
        sim->SetDistance(ideal + 2.5 * std::sin(i / 2.0));
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actReadTestDistances")));
        form->Record();
    }
    EXPECT_EQ(form->RawErrors()->dataCount(), 16);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    form->SaveText();
    form->SaveBitmap();
    const QStringList lines = ReadTextLines(dir.file("TestDistances.txt"));
    ASSERT_EQ(lines.size(), 3 + 16);
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("  1000.000*")));
    EXPECT_FALSE(QImage(dir.file("TestDistance.bmp")).isNull());
    form->Chart()->ShowAllY();
    SavePicture(form);
}

TEST_F(AcceptanceRunTest, TubeTestFitsTheSimulatedDistances)
{
    Start();
    auto *form = Open<TFormTestTube>("actTestTube", "FormTestTube");
    ASSERT_NE(form, nullptr);
    dialogs.texts = {QStringLiteral("500")};
    form->ChangeOffset();
    dialogs.texts = {QStringLiteral("Труба Ду100 №7")};
    form->StartTest();
    for (int i = 0; i < 13; ++i) {
        const double set = 6000 - 500.0 * i;
        sim->SetDistance(set * 1.002 + 3 + 0.8 * std::sin(i * 1.3));
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actReadValues")));
        form->Record();
    }
    ASSERT_EQ(form->Measurements().Points().size(), 13u);
    EXPECT_NEAR(form->Fit().Slope, 1 / 1.002, 1e-3);
    form->SaveText();
    EXPECT_EQ(ReadTextLines(dir.file(QStringLiteral("TestTubeТруба Ду100 №7.txt"))).size(), 14);
    SavePicture(form);
}

} // namespace
} // namespace tals
