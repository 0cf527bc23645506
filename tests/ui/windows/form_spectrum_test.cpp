// The spectrum window as an echo curve, on spectra set up in the model: the
// label steps as drawn on screen and in the report, undo of the zoom from the
// menu and the tool bar, the bottom axis in millimetres, the marks (a bad
// zone shaded over the bins of its distances), the peak list and its cursor,
// the reference curve laid over the live one, the player of the recording,
// and the export of the chart.

#include "ui/windows/form_spectrum.h"

#include "device/program_modes.h"
#include "device/spectrum_recording.h"
#include "device/tals352.h"
#include "platform/format_settings.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "storage/echo_curve_file.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/device/qstring_printer.h"
#include "ui/reports/rep_graph.h"
#include "ui/reports/reports.h"
#include "ui/windows/echo_markers_layer.h"
#include "ui/windows/form_nevyzka.h"
#include "ui/windows/form_signal.h"
#include "ui/windows/legend_swatch.h"
#include "ui/windows/spectrum_peaks_list.h"
#include "ui/windows/spectrum_player.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace tals;

namespace {

QVector<double> Ticks(QCPAxis *axis)
{
    return axis->tickVector();
}

QVector<double> Steps(double from, double to, double step)
{
    QVector<double> v;
    for (double x = from; x <= to + 1e-9; x += step)
        v << x;
    return v;
}

class SpectrumWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetStartDir(scratch.path());
        SetProgramDir(scratch.path());
        saved = FormatSettings();
        SetFormatSettings(LocaleFormatSettings(QStringLiteral("ru_RU")));
        model.SetPlantNumber(1234);
        model.SetDeviceTypeNumber(21);
        model.SetKrPer(1.0);
        model.SetFreqDev(1000.0); // 149.896 mm per bin
        model.SetDPG(1.0);
        // Noise, the surface at bin 33 (5 m) and a false echo at bin 37 (5.6 m).
        for (int i = 0; i < Ttals352::kSpectrumSize; ++i)
            model.SpectrumArray[std::size_t(i)] = 1.0 + 0.1 * (i % 3);
        model.SpectrumArray[33] = 1000;
        model.SpectrumArray[37] = 100;
        model.Distance().SetValue(TVariant(5000.0));
    }
    void TearDown() override
    {
        SetFormatSettings(saved);
        SetStartDir(QString());
        SetProgramDir(QString());
    }
    QAction *Act(QWidget &w, const char *name)
    {
        return w.findChild<QAction *>(QString::fromLatin1(name));
    }
    void Show(TFormArray &w)
    {
        w.resize(1080, 640);
        w.show();
        QApplication::processEvents();
        w.Chart()->replot();
    }

    test::ScratchDir scratch;
    test::ScriptedDialogs dialogs;
    TFormatSettings saved;
    TProgramModes modes;
    Ttals352 model{modes};
    TReports reports;
};

// The labels drawn are exactly every 50 bins (100 samples) on screen and in
// the report; the spectrum's zoom rule sets a twentieth of the range.
TEST_F(SpectrumWindowTest, LabelStepsAsDrawnOnScreenAndInTheReport)
{
    TFormSpectrum spectrum(model, reports.Graph());
    TFormSignal signal(model, reports.Graph());
    Show(spectrum);
    Show(signal);
    EXPECT_EQ(Ticks(spectrum.Chart()->xAxis), Steps(0, 500, 50));
    EXPECT_EQ(Ticks(signal.Chart()->xAxis), Steps(0, 2000, 100));

    TRepGraph &report = signal.PrepareReport();
    report.Chart()->replot();
    EXPECT_EQ(Ticks(report.Chart()->xAxis), Steps(0, 2000, 100));
    spectrum.PrepareReport().Chart()->replot();
    EXPECT_EQ(Ticks(report.Chart()->xAxis), Steps(0, 500, 50));

    spectrum.ZoomTo(100, 300, -40, 0);
    EXPECT_EQ(Ticks(spectrum.Chart()->xAxis), Steps(100, 300, 10));
    spectrum.PrepareReport().Chart()->replot();
    EXPECT_EQ(Ticks(report.Chart()->xAxis), Steps(100, 300, 10));
}

// "Весь график" in the menu "Вид" and on the tool bar undoes the zoom.
TEST_F(SpectrumWindowTest, UndoZoomFromTheMenuAndTheToolBar)
{
    TFormSpectrum spectrum(model, reports.Graph());
    Show(spectrum);
    QAction *undo = Act(spectrum, "actUndoZoom");
    ASSERT_NE(undo, nullptr);
    QMenu *view = spectrum.findChild<QMenu *>(QStringLiteral("mnuView"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->actions().contains(undo));
    auto *bar = spectrum.findChild<QToolBar *>(QStringLiteral("ToolBar"));
    ASSERT_NE(bar, nullptr);
    auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(undo));
    ASSERT_NE(button, nullptr);
    spectrum.ZoomTo(100, 150, -10, 0);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(spectrum.Chart()->xAxis->range(), QCPRange(0, 512));
    spectrum.ZoomTo(100, 150, -10, 0);
    view->popup(QPoint(0, 0));
    undo->trigger();
    EXPECT_EQ(spectrum.Chart()->xAxis->range(), QCPRange(0, 512));
}

// In millimetres the points lie at their bins' distances, the read-out keeps
// bin and d and adds the millimetres; back in bins the Part's axis returns.
TEST_F(SpectrumWindowTest, DistanceAxisInMillimetres)
{
    TFormSpectrum spectrum(model, reports.Graph());
    TFormNevyzka residual(model, reports.Graph());
    Show(spectrum);
    const TSweepScale scale{1.0, 1000.0, 1.0};
    Act(spectrum, "actAxisMm")->trigger();
    ASSERT_TRUE(spectrum.DistanceAxis());
    const auto data = spectrum.Series()->data();
    EXPECT_NEAR(data->at(33)->key, scale.BinToMm(33), 1e-9);
    EXPECT_NEAR(spectrum.Chart()->xAxis->range().upper, scale.BinToMm(511.5), 1e-6);
    EXPECT_EQ(spectrum.Chart()->xAxis->label(), QStringLiteral("Расстояние, мм"));

    const int x = int(std::lround(spectrum.Chart()->xAxis->coordToPixel(scale.BinToMm(100))));
    const QRect plot = spectrum.Chart()->axisRect()->rect();
    ASSERT_TRUE(spectrum.ShowReadoutAt(QPoint(x, plot.center().y())));
    // One pixel is most of a bin here: the bin read back lies next to 100.
    const QString readout = spectrum.ReadoutPanel()->text();
    EXPECT_TRUE(readout.startsWith(QStringLiteral("Спектр[99/")) ||
                readout.startsWith(QStringLiteral("Спектр[100/")) ||
                readout.startsWith(QStringLiteral("Спектр[101/")))
        << readout.toStdString();
    const QString distance = spectrum.findChild<QLabel *>(QStringLiteral("StatusPanel1"))->text();
    EXPECT_TRUE(distance.startsWith(QStringLiteral("L = 15")) &&
                distance.endsWith(QStringLiteral(" мм")))
        << distance.toStdString();
    EXPECT_EQ(spectrum.DistanceText(100), QStringLiteral("L = ") +
                                              FloatToStrF(scale.BinToMm(100), ffNumber, 10, 1) +
                                              QStringLiteral(" мм"));

    Act(spectrum, "actAxisBins")->trigger();
    spectrum.Chart()->replot();
    EXPECT_EQ(spectrum.Chart()->xAxis->range(), QCPRange(0, 512));
    EXPECT_EQ(Ticks(spectrum.Chart()->xAxis), Steps(0, 500, 50));
}

// A bad zone from 5000 to 6000 mm is shaded over bins 32.86 to 39.53, with its
// number; the other marks stand at their distances and bins; each mark can
// be hidden and the legend follows.
TEST_F(SpectrumWindowTest, MarksOnTheCurve)
{
    model.SetHmax(10000);
    model.SetLmax(9000);
    model.SetMUP(25);
    model.SetFreqBeg(8);
    model.SetCountBadZones(2);
    model.BadZone(1).NearBound.SetValue(TVariant(5000.0));
    model.BadZone(1).FarBound.SetValue(TVariant(6000.0));
    TFormSpectrum spectrum(model, reports.Graph());
    Show(spectrum);
    const TSweepScale scale{1.0, 1000.0, 1.0};
    TEchoMarkersLayer &marks = spectrum.Markers();

    ASSERT_EQ(marks.ZoneRects().size(), 1); // zone 2 has no width
    QCPItemRect *zone = marks.ZoneRects()[0];
    EXPECT_NEAR(zone->topLeft->key(), scale.MmToBin(5000), 1e-9);
    EXPECT_NEAR(zone->bottomRight->key(), scale.MmToBin(6000), 1e-9);
    EXPECT_NEAR(scale.MmToBin(5000), 32.86, 0.01);
    // The pixels of the bins that map there lie inside the shaded rectangle.
    const QRectF rect(zone->topLeft->pixelPosition(), zone->bottomRight->pixelPosition());
    for (double mm : {5000.0, 5500.0, 6000.0})
        EXPECT_TRUE(rect.adjusted(-0.5, 0, 0.5, 0)
                        .contains(QPointF(spectrum.Chart()->xAxis->coordToPixel(scale.MmToBin(mm)),
                                          rect.center().y())))
            << mm;
    EXPECT_FALSE(rect.contains(
        QPointF(spectrum.Chart()->xAxis->coordToPixel(scale.MmToBin(4800)), rect.center().y())));
    ASSERT_EQ(marks.ZoneLabels().size(), 1);
    EXPECT_EQ(marks.ZoneLabels()[0]->text(), QStringLiteral("1"));

    EXPECT_NEAR(marks.Line(TEchoMark::Distance)->point1->key(), scale.MmToBin(5000), 1e-9);
    EXPECT_NEAR(marks.Line(TEchoMark::Hmax)->point1->key(), scale.MmToBin(10000), 1e-9);
    EXPECT_NEAR(marks.Line(TEchoMark::Lmax)->point1->key(), scale.MmToBin(1000), 1e-9);
    EXPECT_DOUBLE_EQ(marks.Line(TEchoMark::Threshold)->point1->value(), -25);
    EXPECT_DOUBLE_EQ(marks.Line(TEchoMark::FirstBin)->point1->key(), 8);

    // In millimetres the zone keeps its bounds.
    Act(spectrum, "actAxisMm")->trigger();
    EXPECT_NEAR(marks.ZoneRects()[0]->topLeft->key(), 5000, 1e-9);
    EXPECT_NEAR(marks.Line(TEchoMark::FirstBin)->point1->key(), scale.BinToMm(8), 1e-9);

    auto legendTexts = [&spectrum] {
        QStringList texts;
        for (int i = 0; i < spectrum.Chart()->legend->itemCount(); ++i)
            if (auto *s = dynamic_cast<TLegendSwatch *>(spectrum.Chart()->legend->item(i)))
                texts << s->Text();
        return texts;
    };
    EXPECT_TRUE(legendTexts().contains(QStringLiteral("Плохие зоны")));
    Act(spectrum, "actMarkBadZones")->trigger();
    EXPECT_TRUE(marks.ZoneRects().isEmpty());
    EXPECT_FALSE(legendTexts().contains(QStringLiteral("Плохие зоны")));
    Act(spectrum, "actMarkThreshold")->trigger();
    EXPECT_EQ(marks.Line(TEchoMark::Threshold), nullptr);
    const QStringList legend = legendTexts();
    EXPECT_EQ(legend.value(0), QStringLiteral("Спектр"));
    EXPECT_TRUE(legend.join('|').contains(
        QStringLiteral("Hmax ") + FloatToStrF(10000, ffNumber, 10, 0) + QStringLiteral(" мм")))
        << legend.join('|').toStdString();
}

// The strongest peaks, listed with bin, distance and level; a click on a row
// puts the cursor on its bin and the read-out there.
TEST_F(SpectrumWindowTest, PeakListAndCursor)
{
    TFormSpectrum spectrum(model, reports.Graph());
    Show(spectrum);
    TSpectrumPeaksList &list = spectrum.PeaksList();
    ASSERT_GE(list.rowCount(), 2);
    EXPECT_EQ(list.item(0, 1)->text(), QStringLiteral("33"));
    EXPECT_EQ(list.item(0, 3)->text(), QStringLiteral("0,0"));
    EXPECT_EQ(list.item(1, 1)->text(), QStringLiteral("37"));
    EXPECT_EQ(list.item(1, 3)->text(), QStringLiteral("-10,0"));
    EXPECT_EQ(list.item(1, 2)->text(),
              FloatToStrF(TSweepScale{1.0, 1000.0, 1.0}.BinToMm(37), ffNumber, 10, 0));

    spectrum.ZoomTo(100, 200, -40, 0);
    const QRect cell = list.visualItemRect(list.item(1, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_DOUBLE_EQ(spectrum.CursorBin(), 37);
    EXPECT_TRUE(spectrum.Cursor()->visible());
    EXPECT_DOUBLE_EQ(spectrum.Cursor()->point1->key(), 37);
    EXPECT_TRUE(spectrum.Chart()->xAxis->range().contains(37)); // brought into view
    EXPECT_TRUE(
        spectrum.ReadoutPanel()->text().startsWith(QStringLiteral("Спектр[37/75,0] = -10,0")))
        << spectrum.ReadoutPanel()->text().toStdString();
}

// "Сохранить как опорную" keeps the curve in the device folder; "Опорная
// кривая" lays it over in grey, aligned by distance after KrPer changed; a
// damaged or missing file is reported and changes nothing.
TEST_F(SpectrumWindowTest, ReferenceCurveLaidOver)
{
    TFormSpectrum spectrum(model, reports.Graph());
    Show(spectrum);
    Act(spectrum, "actReferenceShow")->trigger(); // none yet
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Нет опорной кривой")));
    EXPECT_FALSE(spectrum.ReferenceShown());
    EXPECT_FALSE(Act(spectrum, "actReferenceShow")->isChecked());
    EXPECT_FALSE(spectrum.ReferenceSeries()->visible());

    Act(spectrum, "actReferenceSave")->trigger();
    const QString path = ReferenceFilePath(21, 1234);
    EXPECT_TRUE(path.endsWith(QStringLiteral("/352/PN01234-Reference.txt")));
    ASSERT_TRUE(ReadReferenceCurve(path).Ok());
    EXPECT_TRUE(dialogs.messages.last().startsWith(QStringLiteral("Опорная кривая сохранена")));

    // Today's curve: KrPer halved, so the same echo sits at twice the bin.
    model.SetKrPer(0.5);
    model.SpectrumArray.fill(1.0);
    model.SpectrumArray[67] = 1000;
    spectrum.Reload();
    Act(spectrum, "actReferenceShow")->trigger();
    ASSERT_TRUE(spectrum.ReferenceShown());
    EXPECT_TRUE(spectrum.ReferenceSeries()->visible());
    const auto ref = spectrum.ReferenceSeries()->data();
    ASSERT_GT(ref->size(), 500);
    double peakKey = 0, top = -1e9;
    for (auto it = ref->constBegin(); it != ref->constEnd(); ++it)
        if (it->value > top) {
            top = it->value;
            peakKey = it->key;
        }
    EXPECT_DOUBLE_EQ(peakKey, 66.5); // bin 33 of KrPer 1 at the distance of bin 66.5 of KrPer 0.5
    EXPECT_EQ(spectrum.ReferenceSeries()->pen().color(), QColor(140, 140, 140));

    // A damaged file: the message, and the overlay of before stays as it was.
    Act(spectrum, "actReferenceShow")->trigger(); // off
    test::writeAll(path, "garbage\r\n");
    dialogs.messages.clear();
    Act(spectrum, "actReferenceShow")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("повреждён")));
    EXPECT_FALSE(spectrum.ReferenceShown());
    EXPECT_EQ(test::readAll(path), QByteArray("garbage\r\n")); // not touched

    // Replacing an existing reference asks first; No keeps it.
    dialogs.answers.push_back(TDialogButton::No);
    Act(spectrum, "actReferenceSave")->trigger();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(test::readAll(path), QByteArray("garbage\r\n"));
}

// The recording fills the player; stepping and playing draw the recorded
// curves with their time and distance; "Текущая" goes back to the live one.
TEST_F(SpectrumWindowTest, PlayerStepsAndPlaysThroughTheRecording)
{
    TSpectrumRecording recording;
    TFormSpectrum spectrum(model, reports.Graph(), &recording);
    Show(spectrum);
    TSpectrumPlayer &player = spectrum.Player();
    EXPECT_EQ(player.LabelText(), QStringLiteral("Запись пуста"));

    recording.Start();
    for (int k = 0; k < 5; ++k) {
        model.SpectrumArray.fill(1.0);
        model.SpectrumArray[std::size_t(30 + k)] = 1000;
        model.Distance().SetValue(TVariant(4500.0 + 150 * k));
        TEchoCurve c = EchoCurveOf(model, EncodeDateTime(2026, 12, 8, 10, 0, k, 0));
        recording.Add(std::move(c));
    }
    EXPECT_EQ(player.Index(), -1);
    // The live curve followed the last one added.
    EXPECT_EQ(spectrum.PeaksList().item(0, 1)->text(), QStringLiteral("34"));

    player.Step(-1);
    EXPECT_EQ(player.Index(), 4);
    player.Step(-1);
    EXPECT_EQ(player.Index(), 3);
    EXPECT_EQ(player.LabelText(), QStringLiteral("10:00:03  ") +
                                      FloatToStrF(4950, ffNumber, 10, 1) +
                                      QStringLiteral(" мм  (4 из 5)"));
    EXPECT_EQ(spectrum.PeaksList().item(0, 1)->text(), QStringLiteral("33"));
    // The distance mark shows the reading of the recorded moment.
    EXPECT_NEAR(spectrum.Markers().Line(TEchoMark::Distance)->point1->key(),
                TSweepScale({1.0, 1000.0, 1.0}).MmToBin(4950), 1e-9);

    // A new curve while an old one is shown does not move the player.
    recording.Add(EchoCurveOf(model, EncodeDateTime(2026, 12, 8, 10, 0, 9, 0)));
    EXPECT_EQ(player.Index(), 3);

    player.findChild<QSlider *>(QStringLiteral("sbFrames"))->setValue(0);
    EXPECT_EQ(player.Index(), 0);
    player.Play();
    EXPECT_TRUE(player.Playing());
    QTest::qWait(TSpectrumPlayer::kPlayIntervalMs * 2 + 150);
    EXPECT_GE(player.Index(), 2);
    player.Pause();
    const int paused = player.Index();
    QTest::qWait(TSpectrumPlayer::kPlayIntervalMs + 100);
    EXPECT_EQ(player.Index(), paused);

    QTest::mouseClick(player.findChild<QToolButton *>(QStringLiteral("tbtnLive")), Qt::LeftButton);
    EXPECT_EQ(player.Index(), -1);
    EXPECT_EQ(spectrum.CurvesCsv().count("\r\n"), 513);
}

// PNG, CSV (bin, distance, dB of each curve shown) and the clipboard.
TEST_F(SpectrumWindowTest, ExportOfTheChart)
{
    TFormSpectrum spectrum(model, reports.Graph());
    Show(spectrum);
    const QString png = scratch.file(QStringLiteral("spectrum.png"));
    dialogs.fileNames.push_back(png);
    Act(spectrum, "actSavePicture")->trigger();
    const QImage image(png);
    EXPECT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), spectrum.Chart()->size());

    dialogs.fileNames.push_back(scratch.file(QStringLiteral("spectrum")));
    Act(spectrum, "actExportCsv")->trigger();
    const QByteArray csv = test::readAll(scratch.file(QStringLiteral("spectrum.csv")));
    const QStringList rows = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(rows.size(), 514);
    EXPECT_EQ(rows[0], QStringLiteral("Точка,\"Расстояние, мм\",\"Спектр, дБ\""));
    EXPECT_EQ(rows[1 + 37], QStringLiteral("37,%1,-10.00000")
                                .arg(TSweepScale{1.0, 1000.0, 1.0}.BinToMm(37), 0, 'f', 1));

    Act(spectrum, "actCopy")->trigger();
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasImage());
    EXPECT_TRUE(copied->text().startsWith(QStringLiteral("Точка,")));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
}

} // namespace
