// FFT and MMP calibration (Parts 6.1, 6.2): the procedure groups of the page
// "Калибровка" of the parameters window, the calibration windows and the
// calibration report, first on a model with scripted dialogs, then the whole
// program against the simulated transducer on a pseudo-terminal.

#include "device/fft_calibration.h"
#include "device/mmp_calibration.h"
#include "device/tals352.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/procedures/procedure_fixture.h"
#include "tests/ui/procedures/simulated_program.h"
#include "tests/ui/prompt_recording_input.h"
#include "tests/ui/report_output.h"
#include "ui/application/application.h"
#include "ui/application/window_grab.h"
#include "ui/controls/value_text.h"
#include "ui/procedures/calibration/calibration_groups.h"
#include "ui/procedures/calibration/calibration_windows.h"
#include "ui/procedures/calibration/form_kalibr.h"
#include "ui/reports/rep_kalibr.h"
#include "ui/reports/reports.h"
#include "ui/windows/form_main.h"
#include "ui/windows/form_tals_par.h"
#include "ui/windows/view_windows.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace tals {
namespace {

const QString kScreenshots = QStringLiteral(TALS_BINARY_DIR "/screenshots");

void SaveShot(QWidget *w, const QString &name)
{
    const QString path = kScreenshots + QLatin1Char('/') + name + ".png";
    ASSERT_TRUE(SaveWindowPicture(w, path));
    EXPECT_FALSE(QImage(path).isNull());
}

// ---- on a model --------------------------------------------------------------

class CalibrationWindowTest : public test::ProcedureFixture
{
protected:
    CalibrationWindowTest() { modes.FullAccessMode = true; }

    TKalibrHost Host()
    {
        return {[this](const QString &a) {
                    actions << a;
                    return true;
                },
                [this] { return polling; }, [this] { ++parameterRefreshes; }};
    }
    TCalibrPanelHost PanelHost()
    {
        return {[this](const QString &a) { actions << a; }, [this] { ++refreshAlls; },
                [this] { ++parameterRefreshes; }};
    }
    double Free() { return model.LevelFree().Output().ToDouble(); }

    QStringList actions;
    bool polling = false;
    int parameterRefreshes = 0;
    int refreshAlls = 0;
};

TEST_F(CalibrationWindowTest, TheFftGroupCapturesTheFreeSpaceOfTheCurrentPoint)
{
    TCalibrFftPanel panel(model, PanelHost());
    EXPECT_TRUE(panel.TwoPoints()->isChecked());
    EXPECT_EQ(panel.Grid()->rowCount(), 3);
    EXPECT_EQ(panel.Grid()->item(0, 1)->text(), QStringLiteral("Установленное"));
    EXPECT_EQ(panel.Grid()->item(1, 1)->text(), QStringLiteral("10000"));
    EXPECT_EQ(panel.Grid()->item(1, 2)->text(), QStringLiteral("10000.0"));

    SetReading(model.LevelFree(), 2512.34);
    panel.Refresh();
    EXPECT_EQ(panel.CaptureButton()->text(), QStringLiteral("Установить\nСв.пр-во, мм \n2,512.3"));
    EXPECT_TRUE(panel.Grid()->IsRowBold(2));
    EXPECT_FALSE(panel.Grid()->IsRowBold(1));
    panel.CaptureButton()->click();
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].Measured, 2512.34);
    EXPECT_EQ(panel.Grid()->item(2, 2)->text(), QStringLiteral("2512.3"));

    SetReading(model.LevelFree(), 6000); // no point within 1000 mm
    panel.Refresh();
    EXPECT_FALSE(panel.Grid()->IsRowBold(1));
    EXPECT_FALSE(panel.Grid()->IsRowBold(2));
    panel.CaptureButton()->click();
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].Measured, 2512.34);

    panel.FivePoints()->click();
    EXPECT_EQ(model.CalibrMode(), 5);
    EXPECT_EQ(model.CalibrModeTals(), 0);
    EXPECT_EQ(panel.Grid()->rowCount(), 6);
    EXPECT_TRUE(panel.Grid()->IsRowBold(3));
    panel.TwoPoints()->click();
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].Measured, 2000) << "the table starts again";
}

TEST_F(CalibrationWindowTest, AnEditedCellIsParsedBackWithEitherDecimalSign)
{
    TCalibrFftPanel panel(model, PanelHost());
    panel.Grid()->FinishEdit(1, 2, QStringLiteral("10012,5"));
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[0].Measured, 10012.5);
    EXPECT_EQ(panel.Grid()->item(1, 2)->text(), QStringLiteral("10012.5"));
    panel.Grid()->FinishEdit(2, 1, QStringLiteral("2500"));
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].SetValue, 2500);
    panel.Grid()->FinishEdit(2, 1, QStringLiteral("x"));
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].SetValue, 2500);
    EXPECT_EQ(panel.Grid()->item(2, 1)->text(), QStringLiteral("2500"));
}

TEST_F(CalibrationWindowTest, CalculateFitsAndRefreshesEveryWindowEditOpensTheWindow)
{
    TCalibrFftPanel panel(model, PanelHost());
    model.CalibrTable.Points[0].Measured = 10020;
    model.CalibrTable.Points[1].Measured = 2004;
    panel.findChild<QToolButton *>(QStringLiteral("sbCalcCalibr"))->click();
    EXPECT_EQ(refreshAlls, 1);
    EXPECT_DOUBLE_EQ(model.PrevKrPer, 1);
    EXPECT_NEAR(model.KrPer(), 8000.0 / 8016.0, 1e-12);
    panel.findChild<QToolButton *>(QStringLiteral("sbtnEdit"))->click();
    EXPECT_EQ(actions, QStringList{QStringLiteral("actKalibrShow")});
}

TEST_F(CalibrationWindowTest, ASecondCalculateOverTheSameCapturesChangesNothing)
{
    TCalibrFftPanel panel(model, PanelHost());
    TFormKalibr form(model, Host());
    model.CalibrTable.Points[0].Measured = 10020;
    model.CalibrTable.Points[1].Measured = 2004;
    auto *calculate = panel.findChild<QToolButton *>(QStringLiteral("sbCalcCalibr"));
    calculate->click();
    const double slope = model.KrPer();
    const double offset = model.SmPer();
    calculate->click(); // a double click: k1 * k1 / k0 without the guard
    EXPECT_DOUBLE_EQ(model.KrPer(), slope);
    EXPECT_DOUBLE_EQ(model.SmPer(), offset);
    form.Refresh();
    for (int i = 0; i < form.Series()->dataCount(); ++i)
        EXPECT_NEAR(form.Series()->data()->at(i)->value, 0, 1e-6);

    // Clicking the checked "2 Точки" keeps the captures.
    panel.TwoPoints()->click();
    EXPECT_DOUBLE_EQ(model.CalibrTable.Points[1].Measured, 2004);

    // A slope out of range: neither coefficient moves, the message names it.
    model.CalibrTable.Points[0].Measured = 4000;
    model.CalibrTable.Points[1].Measured = 800;
    calculate->click();
    EXPECT_DOUBLE_EQ(model.KrPer(), slope);
    EXPECT_DOUBLE_EQ(model.SmPer(), offset);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(
        QStringLiteral("Крутизна характеристики преобразования = 2")))
        << dialogs.messages[0].toStdString();
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("Коэффициенты не изменены")));
}

TEST_F(CalibrationWindowTest, TheFixedResidualRangeHoldsOnceChosen)
{
    TFormKalibr form(model, Host());
    FitFftCalibration(model);
    form.Chart()->findChild<QAction *>(QStringLiteral("actAxisFixed"))->trigger();
    model.CalibrTable.Points[1].Measured = 2003.6; // beyond 3.5 mm
    form.Refresh();
    EXPECT_FALSE(form.AxisAutomatic());
    EXPECT_DOUBLE_EQ(form.Chart()->yAxis->range().upper, 3.5);
    form.Chart()->findChild<QAction *>(QStringLiteral("actAxisAutomatic"))->trigger();
    EXPECT_TRUE(form.AxisAutomatic());
    EXPECT_GT(form.Chart()->yAxis->range().upper, 3.6);
}

TEST_F(CalibrationWindowTest, ASecondMmpComputationDoesNotAddTheCorrectionTwice)
{
    TCalibrMmpPanel panel(model, PanelHost());
    const double differences[5] = {3, 4, -1, 2, 5};
    for (int i = 0; i < 5; ++i)
        model.CalibrTableMMP.Points[std::size_t(i)].Measured += differences[i];
    const TMmpResult once = ComputeMmpCoefficients(model);
    auto *calculate = panel.findChild<QToolButton *>(QStringLiteral("sbtnCalcMMP"));
    calculate->click();
    dialogs.answers = {TDialogButton::Yes}; // no longer typical: go on
    calculate->click();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_DOUBLE_EQ(model.KrFChH(), once.KrFChH);
    EXPECT_DOUBLE_EQ(model.SmFChH(), once.SmFChH);
}

TEST_F(CalibrationWindowTest, TheMmpGroupCorrectsComputesAndRestoresTheTypicalValues)
{
    TCalibrMmpPanel panel(model, PanelHost());
    panel.show();
    EXPECT_EQ(panel.DefaultsButton()->text(), QStringLiteral("Исходные значения\r\nФЧХ"));
    const double differences[5] = {3, 4, -11, 2, 5};
    for (int i = 0; i < 5; ++i)
        model.CalibrTableMMP.Points[std::size_t(i)].Measured += differences[i];
    panel.Fill();
    EXPECT_EQ(panel.Grid()->rowCount(), 6);
    EXPECT_EQ(panel.Grid()->item(1, 2)->text(), QStringLiteral("10003.0 [+3.0]"));
    EXPECT_EQ(panel.Grid()->item(3, 2)->text(), QStringLiteral("5989.0 [-11.0]"));
    ASSERT_EQ(panel.Bars()->data()->size(), 5);
    EXPECT_DOUBLE_EQ((panel.Bars()->data()->constBegin() + 2)->value, -11);

    panel.findChild<QToolButton *>(QStringLiteral("sbtnCorrect"))->click();
    EXPECT_DOUBLE_EQ(model.CalibrTableMMP.Points[2].Measured, 6004);
    EXPECT_EQ(panel.Grid()->item(3, 2)->text(), QStringLiteral("6004.0 [+4.0]"));
    EXPECT_DOUBLE_EQ((panel.Bars()->data()->constBegin() + 2)->value, 4);
    EXPECT_EQ(parameterRefreshes, 1);

    // Typical coefficients: no question, the new values are shown and set.
    model.SetKrPer(1.1);
    const TMmpResult expected = ComputeMmpCoefficients(model);
    panel.findChild<QToolButton *>(QStringLiteral("sbtnCalcMMP"))->click();
    EXPECT_TRUE(dialogs.questions.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], MmpNewValuesMessage(expected));
    EXPECT_DOUBLE_EQ(model.KrFChH(), expected.KrFChH);
    EXPECT_DOUBLE_EQ(model.SmFChH(), expected.SmFChH);
    EXPECT_DOUBLE_EQ(model.PrevKrPer, 1.1);

    // Now they differ from the typical ones: the question, declined.
    panel.findChild<QToolButton *>(QStringLiteral("sbtnCalcMMP"))->click();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions[0].startsWith(
        QStringLiteral("Значение крутизны или смещения ФЧХ отличаются от типовых!!!")));
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_DOUBLE_EQ(model.KrFChH(), expected.KrFChH);

    // The typical values: declined leaves everything, Yes restores.
    panel.DefaultsButton()->click();
    EXPECT_EQ(dialogs.questions.last(), MmpTypicalValuesQuestion());
    EXPECT_DOUBLE_EQ(model.CalibrTableMMP.Points[2].Measured, 6004);
    dialogs.answers = {TDialogButton::Yes};
    panel.DefaultsButton()->click();
    EXPECT_TRUE(MmpCoefficientsTypical(model));
    EXPECT_DOUBLE_EQ(model.CalibrTableMMP.Points[2].Measured, 6000);
    EXPECT_EQ(panel.Grid()->item(3, 2)->text(), QStringLiteral("6000.0 [0.0]"));

    panel.findChild<QToolButton *>(QStringLiteral("sbtnEditMMP"))->click();
    EXPECT_EQ(actions, QStringList{QStringLiteral("actKalibrMMPShow")});
}

TEST_F(CalibrationWindowTest, TheMmpGridLeavesAMeasuredCellWithItsBracketAlone)
{
    TCalibrMmpPanel panel(model, PanelHost());
    panel.Grid()->FinishEdit(1, 2, QStringLiteral("10003.0 [+3.0]"));
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(model.CalibrTableMMP.Points[0].Measured, 10000);
    panel.Grid()->FinishEdit(1, 2, QStringLiteral("10003.5"));
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(model.CalibrTableMMP.Points[0].Measured, 10003.5);
    EXPECT_DOUBLE_EQ(panel.Bars()->data()->constBegin()->value, 3.5);
}

TEST_F(CalibrationWindowTest, TheFftWindowDrawsTheResidualsUnderThePresentCoefficients)
{
    TFormKalibr form(model, Host());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Калибровка"));
    EXPECT_EQ(form.Series()->dataCount(), 0) << "no fit yet";
    EXPECT_EQ(form.OffsetText()->text(), QStringLiteral("0.00100"));
    EXPECT_EQ(form.SlopeText()->text(), QStringLiteral("1.00000"));
    EXPECT_FALSE(form.AxisAutomatic());
    EXPECT_DOUBLE_EQ(form.Chart()->yAxis->range().lower, -3.5);

    FitFftCalibration(model); // the default table: the same coefficients, errors 0
    form.Refresh();
    ASSERT_EQ(form.Series()->dataCount(), 2);
    EXPECT_NEAR(form.Series()->data()->at(0)->value, 0, 1e-9);

    model.CalibrTable.Points[1].Measured = 2003.6; // 3.6 mm: the axis goes automatic
    form.Refresh();
    EXPECT_DOUBLE_EQ(form.Series()->data()->at(0)->key, 2000);
    EXPECT_NEAR(form.Series()->data()->at(0)->value, 3.6, 1e-9);
    EXPECT_TRUE(form.AxisAutomatic());
    EXPECT_GT(form.Chart()->yAxis->range().upper, 3.6);
    model.CalibrTable.Points[1].Measured = 2000;
    form.Refresh();
    EXPECT_TRUE(form.AxisAutomatic()) << "stays until the pop-up menu";
    form.Chart()->findChild<QAction *>(QStringLiteral("actAxisFixed"))->trigger();
    EXPECT_FALSE(form.AxisAutomatic());
    EXPECT_DOUBLE_EQ(form.Chart()->yAxis->range().upper, 3.5);

    form.findChild<QAction *>(QStringLiteral("actPointsHide"))->trigger();
    EXPECT_FALSE(form.PointsShown());
    EXPECT_TRUE(form.findChild<QAction *>(QStringLiteral("actPointsHide"))->isChecked());
    form.findChild<QAction *>(QStringLiteral("actPointsShow"))->trigger();
    EXPECT_TRUE(form.PointsShown());
    EXPECT_FALSE(form.findChild<QAction *>(QStringLiteral("actPointsHide"))->isChecked());
}

TEST_F(CalibrationWindowTest, AHeldButtonStepsAtOnceAndThenEveryHundredMilliseconds)
{
    TFormKalibr form(model, Host());
    form.show();
    const double start = model.SmPer();
    form.OffsetUp()->setDown(true);
    emit form.OffsetUp()->pressed();
    EXPECT_NEAR(model.SmPer(), start + 0.1, 1e-12);
    EXPECT_EQ(parameterRefreshes, 1);
    EXPECT_TRUE(form.RepeatTimer()->isActive());
    EXPECT_EQ(form.RepeatTimer()->interval(), 100);
    form.RepeatTick();
    form.RepeatTick();
    EXPECT_NEAR(model.SmPer(), start + 0.3, 1e-12);
    emit form.OffsetUp()->released();
    EXPECT_FALSE(form.RepeatTimer()->isActive());
    EXPECT_EQ(form.OffsetText()->text(), QStringLiteral("0.30100"));

    const double slope = model.KrPer();
    QTest::mousePress(form.SlopeDown(), Qt::LeftButton);
    QTest::qWait(250);
    QTest::mouseRelease(form.SlopeDown(), Qt::LeftButton);
    const double steps = std::round((slope - model.KrPer()) / 0.001);
    EXPECT_GE(steps, 2) << "one at the press, one per tick";
    EXPECT_LE(steps, 5);
    const double after = model.KrPer();
    QTest::qWait(150);
    EXPECT_DOUBLE_EQ(model.KrPer(), after) << "the release stops the steps";
}

TEST_F(CalibrationWindowTest, WritingStopsAndRestartsPollingOnlyIfItRan)
{
    TFormKalibr form(model, Host());
    form.WriteButton()->click();
    EXPECT_EQ(actions.join(' '), QStringLiteral("actOprosStop actKrPerWrite actSmPerWrite"));
    actions.clear();
    polling = true;
    form.WriteButton()->click();
    EXPECT_EQ(actions.join(' '),
              QStringLiteral("actOprosStop actKrPerWrite actSmPerWrite actOprosStart"));

    actions.clear();
    TFormKalibrMMP mmp(model, Host());
    EXPECT_EQ(mmp.WriteButton()->text(),
              QStringLiteral("Записать Смещение нуля ФЧХ и Крутизну ФЧХ"));
    mmp.WriteButton()->click();
    EXPECT_EQ(actions.join(' '),
              QStringLiteral("actOprosStop actKrFChHWrite actSmFChHWrite actOprosStart"));
    actions.clear();
    mmp.OffsetText()->Clicked();
    mmp.SlopeText()->Clicked();
    form.OffsetText()->Clicked();
    form.SlopeText()->Clicked();
    EXPECT_EQ(actions.join(' '), QStringLiteral("actSmFChHChange actKrFChHChange "
                                                "actSmPerChange actKrPerChange"));
}

TEST_F(CalibrationWindowTest, TheMmpWindowStepsItsOwnCoefficientsAndIsNoRefreshable)
{
    TFormKalibrMMP form(model, Host());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Калибровка ММП"));
    EXPECT_EQ(dynamic_cast<TRefreshable *>(static_cast<QWidget *>(&form)), nullptr);
    EXPECT_EQ(form.OffsetText()->text(), QStringLiteral("-2.75000000"));
    EXPECT_EQ(form.SlopeText()->text(), QStringLiteral("-0.00015000"));
    form.StepOffset(+1);
    form.StepSlope(-1);
    EXPECT_NEAR(model.SmFChH(), -2.65, 1e-12);
    EXPECT_NEAR(model.KrFChH(), -0.00115, 1e-12);
    EXPECT_DOUBLE_EQ(model.SmPer(), 0.001);
    EXPECT_EQ(form.SlopeText()->text(), QStringLiteral("-0.00115000"));

    // After "Вычислить" the chart shows measured - set of the MMP table.
    model.CalibrTableMMP.Points[1].Measured = 8002.5;
    model.PrevKrPer = model.KrPer();
    model.PrevSmPer = model.SmPer();
    form.Update();
    ASSERT_EQ(form.Series()->dataCount(), 5);
    EXPECT_DOUBLE_EQ(form.Series()->data()->at(3)->key, 8000);
    EXPECT_NEAR(form.Series()->data()->at(3)->value, 2.5, 1e-9);
}

TEST_F(CalibrationWindowTest, TheStatusBarShowsTheValuesUnderTheCursor)
{
    TFormKalibr form(model, Host());
    form.resize(760, 520);
    form.show();
    form.Chart()->replot();
    QCPAxisRect *rect = form.Chart()->axisRect();
    const QPointF inside(form.Chart()->xAxis->coordToPixel(6000),
                         form.Chart()->yAxis->coordToPixel(2));
    ASSERT_TRUE(rect->rect().contains(inside.toPoint()));
    form.ShowCursor(inside);
    EXPECT_EQ(form.StatusText()->text(), QStringLiteral("Сигнал[6,000] = 2"));
    form.ShowCursor(QPointF(1, 1));
    EXPECT_TRUE(form.StatusText()->text().isEmpty());
}

TEST_F(CalibrationWindowTest, TheReportCarriesTheCoefficientsThePointsAndTheChart)
{
    model.SetPlantNumber(4321);
    model.SetCalibrMode(5);
    const double errors[5] = {1.2, -0.4, 0.0, 2.1, -1.5};
    for (int i = 0; i < 5; ++i)
        model.CalibrTable.Points[std::size_t(i)].Measured += errors[i];
    model.PrevKrPer = model.KrPer();
    model.PrevSmPer = model.SmPer();
    TFormKalibr form(model, Host());
    form.findChild<QAction *>(QStringLiteral("actPointsHide"))->trigger();
    TRepKalibr report;
    FillKalibrReport(report, form);
    EXPECT_EQ(report.Title.Text(), QStringLiteral("Калибровка ТАЛС35xИ (БПФ)"));
    EXPECT_EQ(report.qrlPlantNumber.Text(), QStringLiteral("4321"));
    EXPECT_EQ(report.qrlBaza.Text(), QStringLiteral("0.00"));
    EXPECT_EQ(report.qrlKkrutZav.Text(), QStringLiteral("1.00000"));
    EXPECT_EQ(report.qrlKalibrSample[0]->Text(), QStringLiteral("10000.0"));
    EXPECT_EQ(report.qrlKalibr[0]->Text(), QStringLiteral("10001.2"));
    EXPECT_EQ(report.qrlKalibrDelta[0]->Text(), QStringLiteral("1.2"));
    EXPECT_EQ(report.qrlKalibrDelta[3]->Text(), QStringLiteral("2.1"));
    EXPECT_EQ(report.qrlKalibr[4]->Text(), QStringLiteral("1998.5"));
    EXPECT_EQ(report.Series()->dataCount(), 5);
    EXPECT_EQ(report.Series()->scatterStyle().shape(), QCPScatterStyle::ssNone);
    EXPECT_EQ(report.Chart()->yAxis->range(), form.Chart()->yAxis->range());
    EXPECT_EQ(report.Chart()->xAxis->range(), form.Chart()->xAxis->range());

    // Two points: three rows stay empty.
    model.SetCalibrMode(2);
    model.CalibrTable.Points[0].Measured = 10001;
    form.Update();
    FillKalibrReport(report, form);
    EXPECT_EQ(report.qrlKalibrDelta[0]->Text(), QStringLiteral("1.0"));
    EXPECT_EQ(report.qrlKalibrSample[1]->Text(), QStringLiteral("2000.0"));
    EXPECT_TRUE(report.qrlKalibrSample[2]->Text().isEmpty());
    EXPECT_TRUE(report.qrlKalibrDelta[4]->Text().isEmpty());

    TFormKalibrMMP mmp(model, Host());
    FillKalibrReport(report, mmp);
    EXPECT_EQ(report.Title.Text(), QStringLiteral("Калибровка ТАЛС35xИ (ММП)"));
    EXPECT_EQ(report.qrlKalibrSample[4]->Text(), QStringLiteral("2000.0"));
}

// ---- the whole program on the simulated line -----------------------------------

class CalibrationRunTest : public test::SimulatedProgram
{
protected:
    void Start()
    {
        SimulatedProgram::Start({QStringLiteral("/full")});
        // The technician reads the device first: its identity goes into the report.
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllRead")));
        ASSERT_EQ(app->Model()->PlantNumber(), 1234);
    }
    void RegisterWindows(TApplication &program) override
    {
        RegisterViewWindows(program);
        RegisterCalibrationWindows(program);
    }
    // The free space the transducer reports for the target at the distance.
    void PlaceTarget(double reported)
    {
        sim->SetDistance(reported);
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actReadValues")));
        ASSERT_NEAR(Model().LevelFree().Output().ToDouble(), reported, 0.01);
        window->RefreshAllWindows();
    }
};

TEST_F(CalibrationRunTest, AFivePointFftCalibrationIsWrittenIntoTheTransducer)
{
    Start();
    sim->SetHoldingSingle(2006, 1.0f);
    sim->SetHoldingSingle(2008, 0.001f);
    auto *par = Open<TFormTalsPar>("actTalsParShow", "FormTalsPar");
    ASSERT_NE(par, nullptr);
    QTabWidget *pages = par->Pages();
    for (int i = 0; i < pages->count(); ++i)
        if (pages->widget(i)->objectName() == QLatin1String("tsCalibr"))
            pages->setCurrentIndex(i);
    ASSERT_EQ(pages->currentWidget()->objectName(), QStringLiteral("tsCalibr"));
    par->findChild<QPushButton *>(QStringLiteral("bbtnReadCalibrParam"))->click();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();

    TCalibrFftPanel *fft = par->FftPanel();
    ASSERT_NE(fft, nullptr);
    fft->FivePoints()->click();
    ASSERT_EQ(Model().CalibrMode(), 5);

    // The uncalibrated transducer reports 0.4 % long and 12 mm short.
    auto reported = [](double set) { return 1.004 * set - 12; };
    for (int i = 0; i < 5; ++i) {
        const double set = Model().CalibrTable.Points[std::size_t(i)].SetValue;
        PlaceTarget(reported(set));
        EXPECT_TRUE(fft->Grid()->IsRowBold(i + 1)) << i;
        fft->CaptureButton()->click();
    }
    const TCalibrFit expected =
        FitCalibrLine(Model().CalibrTable, 5, Model().KrPer(), Model().SmPer());
    ASSERT_TRUE(expected.Ok);
    fft->findChild<QToolButton *>(QStringLiteral("sbCalcCalibr"))->click();
    EXPECT_NEAR(Model().KrPer(), expected.Slope, 1e-12);
    EXPECT_NEAR(Model().KrPer(), 1 / 1.004, 1e-6);
    EXPECT_NEAR(Model().SmPer(), 12 / 1.004, 0.01);
    SaveShot(par, QStringLiteral("FormTalsParCalibr"));

    fft->findChild<QToolButton *>(QStringLiteral("sbtnEdit"))->click();
    QApplication::processEvents();
    auto *form = qobject_cast<TFormKalibr *>(window->Windows().Find(QStringLiteral("FormKalibr")));
    ASSERT_NE(form, nullptr);
    form->move(0, 0);
    ASSERT_EQ(form->Series()->dataCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(form->Series()->data()->at(i)->value, 0, 0.01);
    // A touch of fine tuning, then the write.
    form->StepOffset(+1);
    form->WriteButton()->click();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_NEAR(sim->HoldingSingle(2006), Model().KrPer(), 1e-6);
    EXPECT_NEAR(sim->HoldingSingle(2008), Model().SmPer(), 1e-3);
    EXPECT_FALSE(window->IsPolling());
    form->Refresh();
    SaveShot(form, QStringLiteral("FormKalibr"));

    TRepKalibr &report = app->Reports().Kalibr();
    FillKalibrReport(report, *form);
    const QString text = test::SaveFilledReport(report, QStringLiteral("TRepKalibrFft"));
    EXPECT_TRUE(text.contains(QStringLiteral("Калибровка ТАЛС35xИ (БПФ)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Свободное пространство в контрольных точках")));
    EXPECT_TRUE(text.contains(QStringLiteral("10000.0")));
    EXPECT_EQ(report.qrlKalibrDelta[0]->Text(), QStringLiteral("0.1"))
        << "the offset step shows as the error of every point";

    par->findChild<QPushButton *>(QStringLiteral("bbtnWriteCalibrParam"))->click();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(sim->HoldingRegister(2005), 0) << "five points";
}

TEST_F(CalibrationRunTest, AnMmpCalibrationCorrectsThePhaseCharacteristic)
{
    Start();
    auto *par = Open<TFormTalsPar>("actTalsParShow", "FormTalsPar");
    ASSERT_NE(par, nullptr);
    QTabWidget *pages = par->Pages();
    for (int i = 0; i < pages->count(); ++i)
        if (pages->widget(i)->objectName() == QLatin1String("tsCalibr"))
            pages->setCurrentIndex(i);
    TCalibrMmpPanel *mmp = par->MmpPanel();
    ASSERT_NE(mmp, nullptr);
    ASSERT_TRUE(MmpCoefficientsTypical(Model()));

    const double differences[5] = {1.5, 2.0, -12.5, 3.0, 4.0};
    for (int i = 0; i < 5; ++i) {
        const double set = Model().CalibrTableMMP.Points[std::size_t(i)].SetValue;
        PlaceTarget(set + differences[i]);
        mmp->CaptureButton()->click();
    }
    EXPECT_NEAR(Model().CalibrTableMMP.Points[2].Measured, 6000 - 12.5, 0.01);
    mmp->findChild<QToolButton *>(QStringLiteral("sbtnCorrect"))->click();
    EXPECT_NEAR(Model().CalibrTableMMP.Points[2].Measured, 6000 + 2.5, 0.01);

    const TMmpResult expected = ComputeMmpCoefficients(Model());
    mmp->findChild<QToolButton *>(QStringLiteral("sbtnCalcMMP"))->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Новые значения\r\nКрутизна ФЧХ: ")));
    EXPECT_DOUBLE_EQ(Model().KrFChH(), expected.KrFChH);
    EXPECT_DOUBLE_EQ(Model().SmFChH(), expected.SmFChH);
    EXPECT_NE(Model().KrFChH(), kTypicalKrFChH);
    // The parameters window shows the new slope.
    auto *edit = par->findChild<QWidget *>(QStringLiteral("enKrFChH"));
    ASSERT_NE(edit, nullptr);
    mmp->Pages()->setCurrentIndex(1);
    mmp->BarChart()->replot();
    par->resize(par->width(), 900);
    QApplication::processEvents();
    auto *scroll = pages->currentWidget()->findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    scroll->ensureWidgetVisible(mmp, 0, 0);
    QApplication::processEvents();
    SaveShot(par, QStringLiteral("FormTalsParCalibrMMP"));

    mmp->findChild<QToolButton *>(QStringLiteral("sbtnEditMMP"))->click();
    QApplication::processEvents();
    auto *form =
        qobject_cast<TFormKalibrMMP *>(window->Windows().Find(QStringLiteral("FormKalibrMMP")));
    ASSERT_NE(form, nullptr);
    form->move(0, 0);
    ASSERT_EQ(form->Series()->dataCount(), 5);
    EXPECT_NEAR(form->Series()->data()->at(2)->value, 2.5, 0.01); // 6000 mm
    form->WriteButton()->click();
    EXPECT_EQ(dialogs.messages.size(), 1) << dialogs.messages.join('|').toStdString();
    EXPECT_NEAR(sim->HoldingSingle(3105), Model().KrFChH(), 1e-9);
    EXPECT_NEAR(sim->HoldingSingle(3107), Model().SmFChH(), 1e-5);
    SaveShot(form, QStringLiteral("FormKalibrMMP"));

    TRepKalibr &report = app->Reports().Kalibr();
    FillKalibrReport(report, *form);
    const QString text = test::SaveFilledReport(report, QStringLiteral("TRepKalibrMmp"));
    EXPECT_TRUE(text.contains(QStringLiteral("Калибровка ТАЛС35xИ (ММП)"))) << text.toStdString();
}

} // namespace
} // namespace tals
