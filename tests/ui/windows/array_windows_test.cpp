// The array windows: the point rules, the read-outs, zoom and its label step,
// the points switch, Esc and the report they fill; then, with the main window
// on the simulated transducer, the array commands that open them with live
// data, the automatic signal reading and the pictures of the three windows.

#include "device/spectrum_recording.h"
#include "device/sweep_scale.h"
#include "ui/windows/echo_markers_layer.h"
#include "ui/windows/form_nevyzka.h"
#include "ui/windows/form_signal.h"
#include "ui/windows/form_spectrum.h"
#include "ui/windows/spectrum_peaks_list.h"
#include "ui/windows/spectrum_player.h"

#include "device/program_modes.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "platform/format_settings.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "storage/archive.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/device/qstring_printer.h"
#include "tests/ui/procedures/simulated_program.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"
#include "ui/application/window_grab.h"
#include "ui/reports/reports.h"
#include "ui/windows/form_main.h"
#include "ui/windows/view_windows.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tals;

namespace {

double TickStep(const QCPAxis *axis)
{
    auto fixed = axis->ticker().dynamicCast<QCPAxisTickerFixed>();
    return fixed ? fixed->tickStep() : -1;
}

class ArrayWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetStartDir(scratch.path());
        saved = FormatSettings();
        SetFormatSettings(LocaleFormatSettings(QStringLiteral("ru_RU")));
    }
    void TearDown() override
    {
        SetFormatSettings(saved);
        SetStartDir(QString());
    }

    test::ScratchDir scratch;
    TFormatSettings saved;
    TProgramModes modes;
    Ttals352 model{modes};
    TReports reports;
};

TEST_F(ArrayWindowTest, SpectrumOfZerosDrawsNoPoints)
{
    TFormSpectrum spectrum(model, reports.Graph());
    EXPECT_EQ(spectrum.Series()->dataCount(), 0);
    TFormNevyzka residual(model, reports.Graph());
    EXPECT_EQ(residual.Series()->dataCount(), 0);
}

// Decibels relative to the largest value; values at or below 0 are left out,
// so the line runs from the point before to the point after.
TEST_F(ArrayWindowTest, SpectrumPointsInDecibelsWithoutTheZeros)
{
    model.SpectrumArray[3] = 100;
    model.SpectrumArray[5] = 10;
    model.SpectrumArray[6] = 1;
    model.SpectrumArray[7] = -4;
    model.ResidualArray = model.SpectrumArray;
    for (bool residual : {false, true}) {
        std::unique_ptr<TFormArray> w;
        if (residual)
            w = std::make_unique<TFormNevyzka>(model, reports.Graph());
        else
            w = std::make_unique<TFormSpectrum>(model, reports.Graph());
        const auto data = w->Series()->data();
        ASSERT_EQ(data->size(), 3);
        const struct
        {
            double x, y;
        } expected[] = {{3, 0}, {5, -10}, {6, -20}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(data->at(i)->key, expected[i].x);
            EXPECT_NEAR(data->at(i)->value, expected[i].y, 1e-12);
        }
    }
}

TEST_F(ArrayWindowTest, SignalDrawsEverySampleAsItIs)
{
    for (int i = 0; i < Ttals352::kSignalSize; ++i)
        model.SignalArray[std::size_t(i)] = quint16(i % 4096);
    TFormSignal signal(model, reports.Graph());
    ASSERT_EQ(signal.Series()->dataCount(), 2060);
    EXPECT_EQ(signal.Series()->data()->at(2059)->value, 2059);
    EXPECT_EQ(signal.Chart()->xAxis->range(), QCPRange(0, 2060));
    EXPECT_EQ(TickStep(signal.Chart()->xAxis), 100);
    EXPECT_EQ(TickStep(signal.Chart()->yAxis), 20);
}

// Read-outs in the number format with the locale's separators.
TEST_F(ArrayWindowTest, ReadoutsShowIndexDistanceAndValue)
{
    model.SetKrPer(1.5);
    TFormSpectrum spectrum(model, reports.Graph());
    TFormNevyzka residual(model, reports.Graph());
    TFormSignal signal(model, reports.Graph());
    EXPECT_EQ(spectrum.ReadoutText(100, -12.3456789),
              QStringLiteral("Спектр[100/301,5] = -12,34568"));
    EXPECT_EQ(residual.ReadoutText(100, -3), QStringLiteral("Спектр[100/301,5] = -3,00000"));
    const QString thousand = QString(FormatSettings().ThousandSeparator);
    EXPECT_EQ(signal.ReadoutText(1500, 2048), QStringLiteral("Сигнал[1") + thousand +
                                                  QStringLiteral("500] = 2") + thousand +
                                                  QStringLiteral("048"));
}

// The mouse over the plotting area writes the read-out; over the axes or the
// margins it leaves it unchanged.
TEST_F(ArrayWindowTest, ReadoutFollowsTheMouseInsideThePlottingArea)
{
    model.SetKrPer(1.0);
    model.SpectrumArray[10] = 5;
    TFormSpectrum spectrum(model, reports.Graph());
    spectrum.show();
    QApplication::processEvents();
    spectrum.Chart()->replot();
    const QRect plot = spectrum.Chart()->axisRect()->rect();
    ASSERT_TRUE(plot.isValid());
    EXPECT_EQ(spectrum.ReadoutPanel()->text(), QStringLiteral("Точка на графике"));

    EXPECT_FALSE(spectrum.ShowReadoutAt(QPoint(plot.left() - 5, plot.center().y())));
    EXPECT_FALSE(spectrum.ShowReadoutAt(QPoint(plot.center().x(), plot.bottom() + 5)));
    EXPECT_EQ(spectrum.ReadoutPanel()->text(), QStringLiteral("Точка на графике"));

    QTest::mouseMove(spectrum.Chart(), plot.center());
    QApplication::processEvents();
    EXPECT_TRUE(spectrum.ReadoutPanel()->text().startsWith(QStringLiteral("Спектр[25")))
        << spectrum.ReadoutPanel()->text().toStdString();
}

// The spectrum's bottom-axis labels follow the zoom (a twentieth of the range);
// the signal's keep their step. Space undoes the zoom.
TEST_F(ArrayWindowTest, ZoomAdaptsTheSpectrumLabelStep)
{
    model.SpectrumArray[100] = 7;
    TFormSpectrum spectrum(model, reports.Graph());
    EXPECT_EQ(TickStep(spectrum.Chart()->xAxis), 50);
    spectrum.ZoomTo(100, 200, -30, 0);
    EXPECT_EQ(TickStep(spectrum.Chart()->xAxis), 5);
    spectrum.ZoomTo(100, 110, -30, 0);
    EXPECT_EQ(TickStep(spectrum.Chart()->xAxis), 1);

    spectrum.show();
    QApplication::processEvents();
    QTest::keyClick(&spectrum, Qt::Key_Space);
    EXPECT_EQ(spectrum.Chart()->xAxis->range(), QCPRange(0, 512));
    EXPECT_EQ(TickStep(spectrum.Chart()->xAxis), 26);

    TFormSignal signal(model, reports.Graph());
    signal.ZoomTo(100, 200, 0, 10);
    EXPECT_EQ(TickStep(signal.Chart()->xAxis), 100);
}

TEST_F(ArrayWindowTest, PointsSwitchAndEscapeClosesWithThePositionSaved)
{
    QPointer<TFormSignal> signal = new TFormSignal(model, reports.Graph());
    signal->setAttribute(Qt::WA_DeleteOnClose);
    auto *show = signal->findChild<QAction *>(QStringLiteral("actPointsTrue"));
    auto *hide = signal->findChild<QAction *>(QStringLiteral("actPointsFalse"));
    ASSERT_TRUE(show && hide);
    EXPECT_TRUE(hide->isChecked());
    EXPECT_EQ(signal->Series()->scatterStyle().shape(), QCPScatterStyle::ssNone);
    show->trigger();
    EXPECT_TRUE(show->isChecked());
    EXPECT_FALSE(hide->isChecked());
    EXPECT_NE(signal->Series()->scatterStyle().shape(), QCPScatterStyle::ssNone);
    hide->trigger();
    EXPECT_EQ(signal->Series()->scatterStyle().shape(), QCPScatterStyle::ssNone);

    signal->show();
    signal->move(40, 50);
    QApplication::processEvents();
    QTest::keyClick(signal.data(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(signal.isNull());
    TIniFile ini(IniFilePath(scratch.path(), QStringLiteral("WndPos.ini")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("FormSignal"), QStringLiteral("Left"), -1), 40);
}

// The chart report gets the window's axes, points and title; the spectrum's
// bin numbers are grouped by a non-breaking space.
TEST_F(ArrayWindowTest, ReportTakesTheWindowsChart)
{
    for (int i = 0; i < 512; ++i)
        model.SpectrumArray[std::size_t(i)] = 1 + i;
    TFormSpectrum spectrum(model, reports.Graph());
    spectrum.ZoomTo(100, 300, -20, 0);
    spectrum.findChild<QAction *>(QStringLiteral("actPointsTrue"))->trigger();
    reports.Graph().FilterDescribe.SetText(QStringLiteral("Отчет за вчера"));
    TRepGraph &report = spectrum.PrepareReport();
    EXPECT_EQ(report.Title.Text(), QStringLiteral("Спектр"));
    EXPECT_EQ(report.FilterDescribe.Text(), QStringLiteral("Отчет за вчера")); // left as it was
    EXPECT_EQ(report.Series()->dataCount(), 512);
    EXPECT_EQ(report.Chart()->xAxis->range(), QCPRange(100, 300));
    EXPECT_EQ(report.Chart()->yAxis->range(), QCPRange(-20, 0));
    EXPECT_EQ(TickStep(report.Chart()->xAxis), 10);
    EXPECT_NE(report.Series()->scatterStyle().shape(), QCPScatterStyle::ssNone);
    EXPECT_EQ(report.Chart()->locale().toString(1000.0, 'f', 0), QStringLiteral("1\u00A0000"));

    TFormSignal signal(model, reports.Graph());
    EXPECT_EQ(signal.PrepareReport().Title.Text(), QStringLiteral("Сигнал"));
    EXPECT_EQ(report.Series()->scatterStyle().shape(), QCPScatterStyle::ssNone);
}

// ---- with the main window on the simulated transducer ----

int PeakBin(const QCPGraph *series)
{
    const auto data = series->data();
    int best = -1;
    double top = -1e300;
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        if (it->value > top) {
            top = it->value;
            best = int(it->key);
        }
    return best;
}

class ArrayCommandsTest : public test::SimulatedProgram
{
protected:
    void Start() { SimulatedProgram::Start({QStringLiteral("/full")}); }
    void RegisterWindows(TApplication &program) override { RegisterViewWindows(program); }
};

// "Считать массив спектра" opens the spectrum window with the device's array;
// its peak moves to a higher bin when the simulated distance grows.
TEST_F(ArrayCommandsTest, SpectrumPeakFollowsTheSimulatedDistance)
{
    Start();
    sim->SetDistance(4000);
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actReadArraySpectrum")));
    auto *spectrum = Find<TFormSpectrum>("FormSpectrum");
    ASSERT_NE(spectrum, nullptr);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Завершено чтение массива спектра")});
    const int near = PeakBin(spectrum->Series());
    EXPECT_GT(spectrum->Series()->dataCount(), 500);

    sim->SetDistance(9000);
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actReadArraySpectrum")));
    EXPECT_EQ(Find<TFormSpectrum>("FormSpectrum"), spectrum); // the same window, reloaded
    const int far = PeakBin(spectrum->Series());
    // 5000 mm further on the scale of the device's sweep.
    const TSweepScale scale{sim->HoldingSingle(2006), sim->HoldingSingle(3113),
                            sim->HoldingSingle(3126)};
    EXPECT_NEAR(far - near, scale.MmToBin(9000) - scale.MmToBin(4000), 1.0)
        << near << " -> " << far;
}

// The automatic signal reading at "Начать опрос сигнала" pauses polling and the
// signal timer during the readout and gives both their states back, also when
// the dump cannot be written.
TEST_F(ArrayCommandsTest, AutomaticSignalReadingPausesAndRestoresTheTimers)
{
    // The archive root is a file: every dump fails.
    test::writeAll(dir.file(QStringLiteral("blocked")), "x");
    test::writeAll(dir.file(QStringLiteral("INI/bde.ini")),
                   "[BDE]\r\ndbPath=" + dir.file(QStringLiteral("blocked")).toUtf8() + "\r\n");
    Start();
    bool enabledDuring = false;
    int steps = 0;
    struct TWatch : TTextUserInput
    {
        std::function<void()> onStep;
        void ShowProgress(const QString &, int, int) override { onStep(); }
    };
    auto watch = std::make_unique<TWatch>();
    watch->onStep = [&] {
        ++steps;
        enabledDuring = enabledDuring || app->Link().PollTimer().IsEnabled() ||
                        window->SignalTimer().IsEnabled();
    };
    app->SetInput(std::move(watch));

    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosStart")));
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosSignalStart")));
    EXPECT_GT(steps, 100);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(app->Link().PollTimer().IsEnabled());
    EXPECT_TRUE(window->SignalTimer().IsEnabled());
    // The automatic reading tells no one of the failed dump but the fault journal.
    EXPECT_FALSE(dialogs.messages.join('|').contains(QStringLiteral("массива")))
        << dialogs.messages.join('|').toStdString();
    const QString journal = QString::fromUtf8(test::readAll(dir.file(
        QStringLiteral("DATA/") + QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")) +
        QStringLiteral("/BlackBox.txt"))));
    EXPECT_FALSE(journal.isEmpty());
    EXPECT_EQ(sim->ControlCommandRequest(), 0); // completed, reset sent
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosSignalStop")));
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosStop")));
}

// The three windows with live arrays from the simulated transducer, saved as
// pictures under build/screenshots/.
TEST_F(ArrayCommandsTest, PicturesOfTheArrayWindows)
{
    Start();
    sim->SetDistance(6500);
    for (const char *action : {"actReadArraySignal", "actReadArraySpectrum", "actReadArrayNevyzka"})
        ASSERT_TRUE(window->ExecuteAction(QString::fromLatin1(action))) << action;
    EXPECT_EQ(dialogs.messages, (QStringList{QStringLiteral("Завершено чтение массива сигнала "),
                                             QStringLiteral("Завершено чтение массива спектра"),
                                             QStringLiteral("Завершено чтение массива невязки")}));
    auto *signal = Find<TFormSignal>("FormSignal");
    auto *spectrum = Find<TFormSpectrum>("FormSpectrum");
    auto *residual = Find<TFormNevyzka>("FormNevyzka");
    ASSERT_TRUE(signal && spectrum && residual);
    EXPECT_EQ(signal->Series()->dataCount(), 2060);
    EXPECT_GT(residual->Series()->dataCount(), 500);

    // A read-out in each, as the mouse would leave it.
    for (TFormArray *w : std::initializer_list<TFormArray *>{signal, spectrum, residual}) {
        w->resize(820, 520);
        w->show();
        QApplication::processEvents();
        w->Chart()->replot();
        const QRect plot = w->Chart()->axisRect()->rect();
        const double peakX = w == signal ? 700 : PeakBin(w->Series());
        w->ShowReadoutAt(QPoint(int(w->Chart()->xAxis->coordToPixel(peakX)), plot.center().y()));
    }
    const QStringList written =
        SaveWindowPictures(QStringLiteral(TALS_BINARY_DIR "/screenshots"),
                           {QStringLiteral("FormSpectrum"), QStringLiteral("FormSignal"),
                            QStringLiteral("FormNevyzka")});
    EXPECT_EQ(written.size(), 3) << written.join(' ').toStdString();
    for (const QString &path : written)
        EXPECT_FALSE(QImage(path).isNull()) << path.toStdString();

    // The report of the spectrum window, with the live array, as PDF.
    TRepGraph &report = spectrum->PrepareReport();
    EXPECT_TRUE(
        report.SaveToPdf(QStringLiteral(TALS_BINARY_DIR "/reports/FormSpectrum-TRepGraph.pdf")));
}

// The spectrum as the technician reads it: the curve in millimetres with
// the reading's distance, a bad zone, the commissioning reference and the
// curves recorded by the periodic readout, replayed; saved as a picture.
TEST_F(ArrayCommandsTest, EchoCurveWithMarksReferenceAndRecording)
{
    // Short read gaps: a dozen periodic readouts take seconds, not minutes.
    SimulatedProgram::Start({QStringLiteral("/full")}, test::TReadTimeouts{5, 100});
    sim->SetDistance(5000);
    Model().SetCountBadZones(1);
    Model().BadZone(1).NearBound.SetValue(TVariant(7400.0));
    Model().BadZone(1).FarBound.SetValue(TVariant(8600.0));
    // A false echo (a fixed obstacle) inside that zone, 8 dB under the surface.
    sim->AddEcho({8000, -8});
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actReadValues")));
    EXPECT_NEAR(Model().Distance().Output().ToDouble(), 5000, 1);

    // Commissioning: the curve of today kept as the reference.
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actReadArraySpectrum")));
    auto *spectrum = Find<TFormSpectrum>("FormSpectrum");
    ASSERT_NE(spectrum, nullptr);

    // In millimetres: the surface peak at the distance read, the false echo's
    // peak inside the shaded zone.
    spectrum->SetDistanceAxis(true);
    const TSweepScale scale = spectrum->Curve().Scale;
    const std::vector<TSpectrumPeak> &peaks = spectrum->PeaksList().Peaks();
    ASSERT_GE(peaks.size(), 2u);
    const double reading = Model().Distance().Output().ToDouble();
    EXPECT_NEAR(peaks[0].Bin, scale.MmToBin(reading), 1.0) << scale.BinToMm(peaks[0].Bin);
    const auto falseEcho = std::find_if(peaks.begin() + 1, peaks.end(), [&](const auto &p) {
        return std::abs(p.Bin - scale.MmToBin(8000)) <= 1.0;
    });
    ASSERT_NE(falseEcho, peaks.end());
    EXPECT_NEAR(falseEcho->Decibels, -8, 2);
    const QList<QCPItemRect *> zones = spectrum->Markers().ZoneRects();
    ASSERT_EQ(zones.size(), 1);
    const double echoKey = spectrum->KeyOfBin(falseEcho->Bin);
    EXPECT_LT(zones[0]->topLeft->coords().x(), echoKey);
    EXPECT_GT(zones[0]->bottomRight->coords().x(), echoKey);
    EXPECT_LT(spectrum->KeyOfBin(peaks[0].Bin), zones[0]->topLeft->coords().x());
    spectrum->SaveReference();
    EXPECT_TRUE(dialogs.messages.last().startsWith(QStringLiteral("Опорная кривая сохранена")))
        << dialogs.messages.join('|').toStdString();

    // The periodic readout records every spectrum it reads.
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosSignalStart")));
    auto *timer = window->findChild<QTimer *>(QStringLiteral("ctAvtoReadSignal"));
    ASSERT_NE(timer, nullptr);
    for (int k = 1; k < 8; ++k) {
        sim->SetDistance(5000 + 25 * k);
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actReadValues")));
        QMetaObject::invokeMethod(timer, "timeout");
    }
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosSignalStop")));
    const TSpectrumRecording &recording = app->SpectrumRecording();
    EXPECT_EQ(recording.Count(), 8);
    EXPECT_FALSE(recording.Active());
    // And the dumps of the day read back: the commissioning curve and the eight.
    spectrum->LoadDaySeries();
    EXPECT_EQ(recording.Count(), 9);

    spectrum->resize(1080, 640);
    spectrum->move(0, 0);
    spectrum->show();
    QApplication::processEvents();
    spectrum->ShowReference(true);
    EXPECT_TRUE(spectrum->ReferenceShown());
    spectrum->SetDistanceAxis(true);
    spectrum->Player().Choose(5);
    // Each recorded frame carries the distance read at its moment.
    EXPECT_NEAR(spectrum->Curve().Distance, 5100, 1);
    if (!spectrum->PeaksList().Peaks().empty())
        spectrum->MoveCursorToBin(spectrum->PeaksList().Peaks().front().Bin);
    spectrum->ZoomTo(3000, 15000, -45, 2);
    QApplication::processEvents();
    EXPECT_TRUE(SaveWindowPicture(
        spectrum, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormSpectrum-echo.png")));
}

} // namespace
