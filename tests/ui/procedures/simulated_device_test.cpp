// The service procedures proved against the simulated transducer's physics
// through the whole program: an FFT calibration and an MMP calibration leave
// the device reporting the truth, the spectrum's peak sits at the reported
// distance on the sweep's scale, and two devices at one address collide.

#include "device/sweep_scale.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "sim/sim_control.h"
#include "tests/ui/procedures/simulated_program.h"
#include "ui/application/window_grab.h"
#include "ui/procedures/array_readout.h"
#include "ui/procedures/calibration/calibration_groups.h"
#include "ui/procedures/calibration/calibration_windows.h"
#include "ui/windows/form_tals_par.h"
#include "ui/windows/view_windows.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <cmath>

using namespace tals;

namespace {

class SimulatedDeviceTest : public test::SimulatedProgram
{
protected:
    void RegisterWindows(TApplication &program) override
    {
        RegisterViewWindows(program);
        RegisterCalibrationWindows(program);
    }
    void StartFull()
    {
        Start({QStringLiteral("/full")});
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllRead")));
    }
    // The control command, as a script gives it to tals35xi-sim.
    void Command(const QString &command)
    {
        ASSERT_EQ(ExecuteSimCommand(*sim, command), QStringLiteral("ok")) << command.toStdString();
    }
    // Moves the target to the true free space and reads what the device reports.
    double Reported(double freeSpace)
    {
        // Hmax = Lmax: the true distance equals the free space.
        Command(QStringLiteral("target %1").arg(freeSpace));
        EXPECT_TRUE(window->ExecuteAction(QStringLiteral("actReadValues")));
        window->RefreshAllWindows();
        return Model().LevelFree().Output().ToDouble();
    }
    // The parameters window on its page "Калибровка", the device's settings read in.
    TFormTalsPar *CalibrationPage()
    {
        auto *par = Open<TFormTalsPar>("actTalsParShow", "FormTalsPar");
        if (!par)
            return nullptr;
        QTabWidget *pages = par->Pages();
        for (int i = 0; i < pages->count(); ++i)
            if (pages->widget(i)->objectName() == QLatin1String("tsCalibr"))
                pages->setCurrentIndex(i);
        par->findChild<QPushButton *>(QStringLiteral("bbtnReadCalibrParam"))->click();
        return par;
    }
    void FinishCalibration(TFormTalsPar *par)
    {
        par->findChild<QPushButton *>(QStringLiteral("bbtnWriteCalibrParam"))->click();
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    }
    // Every one of five new targets within 1 mm of the truth.
    void ExpectTheTruth()
    {
        for (double target : {1500.0, 3700.0, 5250.0, 8900.0, 12345.0}) {
            SCOPED_TRACE(target);
            EXPECT_NEAR(Reported(target), target, 1.0);
            EXPECT_NEAR(Model().Distance().Output().ToDouble(), target, 1.0);
        }
    }
};

TEST_F(SimulatedDeviceTest, AnFftCalibrationMakesTheDeviceReportTheTruth)
{
    StartFull();
    Command(QStringLiteral("error-slope 1.004"));
    Command(QStringLiteral("error-offset -12"));
    EXPECT_NEAR(Reported(10000), 1.004 * 10000 - 12 + 0.001, 0.01) << "visibly off before";

    TFormTalsPar *par = CalibrationPage();
    ASSERT_NE(par, nullptr);
    TCalibrFftPanel *fft = par->FftPanel();
    fft->FivePoints()->click();
    ASSERT_EQ(Model().CalibrMode(), 5);
    for (int i = 0; i < 5; ++i) {
        const double set = Model().CalibrTable.Points[std::size_t(i)].SetValue;
        Reported(set);
        EXPECT_TRUE(fft->Grid()->IsRowBold(i + 1)) << i;
        fft->CaptureButton()->click();
    }
    fft->findChild<QToolButton *>(QStringLiteral("sbCalcCalibr"))->click();
    EXPECT_NEAR(Model().KrPer(), 1 / 1.004, 1e-6);
    EXPECT_NEAR(Model().SmPer(), 12 / 1.004, 0.01);
    FinishCalibration(par);
    EXPECT_NEAR(sim->HoldingSingle(2006), 1 / 1.004, 1e-6);

    ExpectTheTruth();
}

// The phase errors +7.4, +7.7, then (past pi) -7.7, -7.4, -7.2 mm at the five
// points: AlgoritmType 1 wraps them, "Исправить +/-15" brings the two above
// onto the branch of the others; AlgoritmType 2 does not wrap.
TEST_F(SimulatedDeviceTest, AnMmpCalibrationBringsThePhaseErrorBelowOneMillimetre)
{
    for (int algorithm : {1, 2}) {
        SCOPED_TRACE(algorithm);
        StartFull();
        sim->SetHoldingRegister(3202, quint16(algorithm));
        Command(QStringLiteral("phase-slope -0.0001"));
        Command(QStringLiteral("phase-offset 0.15"));
        const double before = Reported(6000) - 6000;
        EXPECT_NEAR(std::abs(before), 7.7, 0.3);

        TFormTalsPar *par = CalibrationPage();
        ASSERT_NE(par, nullptr);
        ASSERT_EQ(Model().PropertyAsDouble(TProp::AlgoritmType), algorithm);
        TCalibrMmpPanel *mmp = par->MmpPanel();
        int jumped = 0;
        for (int i = 0; i < 5; ++i) {
            const double set = Model().CalibrTableMMP.Points[std::size_t(i)].SetValue;
            jumped += Reported(set) < set;
            mmp->CaptureButton()->click();
        }
        EXPECT_EQ(jumped, algorithm == 1 ? 3 : 0);
        mmp->findChild<QToolButton *>(QStringLiteral("sbtnCorrect"))->click();
        mmp->findChild<QToolButton *>(QStringLiteral("sbtnCalcMMP"))->click();
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Новые значения")));
        dialogs.messages.clear();
        FinishCalibration(par);
        EXPECT_NEAR(sim->HoldingSingle(3105), Model().KrFChH(), 1e-9);

        ExpectTheTruth();
        window.reset();
        app.reset();
    }
}

TEST_F(SimulatedDeviceTest, TheSpectrumPeakSitsAtTheReportedDistanceOnTheSweepScale)
{
    StartFull();
    auto *readout = dynamic_cast<TDeviceArrayReadout *>(app->ArrayReadout());
    ASSERT_NE(readout, nullptr);
    Command(QStringLiteral("echo 2500:-12"));
    double lastPeak = -1;
    for (double freqDev : {1056.774048, 800.0}) {
        SCOPED_TRACE(freqDev);
        ASSERT_TRUE(Model().SetPropertyFromDouble(TProp::FreqDev, freqDev));
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actWriteServiceRegisters2")));
        ASSERT_NEAR(sim->HoldingSingle(3113), freqDev, 1e-3);
        Reported(9000);
        readout->ReadSpectrum();
        const auto &spectrum = Model().SpectrumArray;
        const double peak =
            double(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
        const TSweepScale scale{Model().KrPer(), freqDev, Model().PropertyAsDouble(TProp::DPG)};
        EXPECT_NEAR(peak, scale.MmToBin(Model().Distance().Output().ToDouble()), 1.0);
        // The obstacle's peak, 12 dB down as the window shows it, stands at its own bin.
        const std::size_t echo = std::size_t(std::lround(scale.MmToBin(2500)));
        EXPECT_NEAR(spectrum[echo] / spectrum[std::size_t(peak)], std::pow(10, -12 / 10.0), 0.02);
        EXPECT_NE(peak, lastPeak);
        lastPeak = peak;
    }
    // The spectrum window of the last read-out: the surface and the obstacle.
    auto *form = Open<QWidget>("actSpectrumShow", "FormSpectrum");
    ASSERT_NE(form, nullptr);
    window->RefreshAllWindows();
    QApplication::processEvents();
    EXPECT_TRUE(SaveWindowPicture(
        form, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormSpectrumSweepScale.png")));
}

TEST_F(SimulatedDeviceTest, TwoDevicesAtOneAddressGiveAChecksumError)
{
    Start({QStringLiteral("--device"), QStringLiteral("1:100"), QStringLiteral("--device"),
           QStringLiteral("1:101")});
    ASSERT_EQ(sim->DeviceCount(), 2);
    EXPECT_NE(app->Scheduler()->ExecuteCommand(4).Result, 0);
    EXPECT_EQ(Model().ErrorCode(), -4);
    EXPECT_EQ(Model().ErrorText(), QStringLiteral("Ошибка контрольной суммы"));

    // Either one alone answers cleanly.
    sim->Device(1).InjectFault({TSimFaultKind::Silence, 0});
    EXPECT_EQ(app->Scheduler()->ExecuteCommand(4).Result, 0);
    EXPECT_EQ(Model().ErrorCode(), 0);
}

} // namespace
